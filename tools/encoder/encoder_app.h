#pragma once
// The encoder program: read Mivo.ini in its folder, open the D2V project, encode, write the .m2v whole.

#include <string>

namespace mivo::encoder {

// Runs one encode as set up by the Mivo.ini in programFolder (ending with a separator). Returns the
// process exit code: 0 when the output file was written, 1 otherwise (the reason on stderr and in the
// log file when the ini names one).
int runEncoder(const std::string& programFolder);

} // namespace mivo::encoder
