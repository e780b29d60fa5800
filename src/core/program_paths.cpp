#include "core/program_paths.h"

namespace mivo {

namespace {

bool endsWithSeparator(const std::string& folder) {
    return !folder.empty() && (folder.back() == '/' || folder.back() == '\\');
}

bool absolute(const std::optional<std::string>& folder) {
    return folder && !folder->empty() &&
           (folder->front() == '/' || folder->front() == '\\' || (folder->size() > 2 && (*folder)[1] == ':'));
}

} // namespace

ProgramPaths ProgramPaths::beside(const std::string& programFolder, char sep) {
    ProgramPaths p;
    p.programFolder = programFolder;
    if (!endsWithSeparator(p.programFolder)) p.programFolder += sep;
    p.dgdecodeFolder = p.programFolder + "DGDecode" + sep;
    p.matrixFolder = p.programFolder + "matrix" + sep;
    p.encoder = p.programFolder + "Dazuzer_024.exe";
    p.avisynthDllDate = std::string(10, ' ');
    p.useWritableFolder(p.programFolder);
    return p;
}

void ProgramPaths::useWritableFolder(const std::string& folder) {
    writableFolder = folder;
    defaultIni = folder + "Mivo.ini";
    dgdecodeCopy = folder + "DGDecode.dll";
}

std::string userSettingsFolder(const std::optional<std::string>& xdgConfigHome,
                               const std::optional<std::string>& home, char sep) {
    std::string base;
    if (absolute(xdgConfigHome))
        base = *xdgConfigHome;
    else if (absolute(home))
        base = *home + (endsWithSeparator(*home) ? "" : std::string(1, sep)) + ".config";
    else
        return {};
    if (!endsWithSeparator(base)) base += sep;
    return base + "mivogui" + sep;
}

} // namespace mivo
