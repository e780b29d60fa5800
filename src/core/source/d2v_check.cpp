#include "core/source/d2v_check.h"

#include <cstdio>
#include <fstream>

namespace mivo {

std::string decoderLibraryName(int version) {
    if (!isD2vFormatVersion(version)) return {};
    char name[32];
    std::snprintf(name, sizeof name, "DGDecode%02d.dll", version);
    return name;
}

std::string decoderLoadMessage(int version) {
    if (!isD2vFormatVersion(version)) return {};
    return ", DGDecode.dll (project version " + std::to_string(version) + ") loaded";
}

D2vCheck checkD2vProject(std::istream& project, std::string_view projectPath, const FileExistsFn& exists) {
    const D2vHeader header = readD2vHeader(project);
    D2vCheck result;
    result.version = header.version;
    switch (header.fault) {
    case D2vHeaderFault::None:
        break;
    case D2vHeaderFault::ListEnds:
    case D2vHeaderFault::NoLengthField:
    case D2vHeaderFault::NoPath:
        return result; // a line that names no file names no file that exists
    default:
        result.filesFound = true;
        return result;
    }
    for (const std::string& listed : header.files)
        if (resolveListedPath(listed, projectPath, exists).empty()) return result;
    result.filesFound = true;
    result.versionValid = true;
    return result;
}

void classifyInput(SourceState& state, std::string_view inputFileName, std::string_view dgdecodeFolder,
                   const FileExistsFn& exists) {
    state.projectVersionValid = true;
    state.projectFilesFound = true;
    state.isAvisynthScript = hasExtension(inputFileName, ".avs");
    state.isD2vProject = hasExtension(inputFileName, ".d2v");
    // Any other name may be a video file; opening it decides.
    state.isVideoFile = !state.isAvisynthScript && !state.isD2vProject && !unpadded(inputFileName).empty();
    if (!state.isD2vProject) {
        state.projectVersion = 0;
        return;
    }

    const std::string_view name = unpadded(inputFileName);
    std::ifstream project{std::string(name), std::ios::binary};
    const D2vCheck check = project ? checkD2vProject(project, name, exists) : D2vCheck{0, false, true};
    state.projectVersion = check.version;
    state.projectVersionValid = check.versionValid;
    state.projectFilesFound = check.filesFound;
    if (isD2vFormatVersion(check.version))
        state.decoderLibraryPath = std::string(dgdecodeFolder) + decoderLibraryName(check.version);
    if (!check.versionValid) state.isD2vProject = false;
}

} // namespace mivo
