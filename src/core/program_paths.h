#pragma once
// The paths fixed beside the program at start-up; they stay the same for the whole run.

#include <string>

namespace mivo {

struct ProgramPaths {
    std::string programFolder;  // ends with the separator
    std::string dgdecodeFolder; // programFolder + "DGDecode" + separator
    std::string matrixFolder;   // programFolder + "matrix" + separator
    std::string defaultIni;     // programFolder + "Mivo.ini"
    bool defaultIniExists = false;
    std::string encoder;         // programFolder + "Dazuzer_024.exe"
    std::string dgdecodeCopy;    // programFolder + "DGDecode.dll"
    std::string avisynthLibrary; // the frame-server library the platform finds (may be empty)
    std::string avisynthDllDate; // "dd-mm-yyyy" with blank-padded day and month, or 10 blanks

    // Fixes every path from the program folder (which must end with sep).
    static ProgramPaths beside(const std::string& programFolder, char sep);
};

} // namespace mivo
