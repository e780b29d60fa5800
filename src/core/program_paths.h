#pragma once
// The paths fixed beside the program at start-up; they stay the same for the whole run.

#include <optional>
#include <string>

namespace mivo {

struct ProgramPaths {
    std::string programFolder;  // ends with the separator
    std::string dgdecodeFolder; // programFolder + "DGDecode" + separator
    std::string matrixFolder;   // programFolder + "matrix" + separator
    // Where the program writes beside itself: Mivo.ini, the decoder library copy and the bitmaps. The
    // program folder, unless it cannot be written (an installed copy); see useWritableFolder.
    std::string writableFolder;
    std::string defaultIni; // writableFolder + "Mivo.ini"
    bool defaultIniExists = false;
    std::string encoder;         // programFolder + "Dazuzer_024.exe"
    std::string dgdecodeCopy;    // writableFolder + "DGDecode.dll"
    std::string avisynthLibrary; // the frame-server library the platform finds (may be empty)
    std::string avisynthDllDate; // "dd-mm-yyyy" with blank-padded day and month, or 10 blanks

    // Fixes every path from the program folder (which must end with sep).
    static ProgramPaths beside(const std::string& programFolder, char sep);
    // Moves what the program writes beside itself to `folder` (which ends with its separator).
    void useWritableFolder(const std::string& folder);
};

// The user's own folder for the program's files when the program folder cannot be written:
// "mivogui" in $XDG_CONFIG_HOME, or in $HOME/.config when that is unset or not an absolute path (the
// XDG rule). Empty when neither gives an absolute folder. Ends with the separator.
std::string userSettingsFolder(const std::optional<std::string>& xdgConfigHome,
                               const std::optional<std::string>& home, char sep);

} // namespace mivo
