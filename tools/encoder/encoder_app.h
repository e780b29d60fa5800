#pragma once
// The encoder program: read Mivo.ini in its folder, open the D2V project, encode, write the .m2v whole.

#include <string>

namespace mivo::encoder {

// Runs one encode as set up by the ini file at iniPath (Mivo.ini in the folder the front-end writes, or
// a queued job's own file); programFolder (ending with a separator) is where the decoder libraries are
// looked for. Returns the process exit code: 0 when the output file was written, 1 otherwise (the
// reason on stderr and in the log file when the ini names one).
// decoderCopy: whether the front-end's DGDecode.dll copy is meant for this job (Mivo.ini, not a job file).
int runEncoder(const std::string& programFolder, const std::string& iniPath, bool decoderCopy);

} // namespace mivo::encoder
