#include "core/program_paths.h"

namespace mivo {

ProgramPaths ProgramPaths::beside(const std::string& programFolder, char sep) {
    ProgramPaths p;
    p.programFolder = programFolder;
    if (p.programFolder.empty() || (p.programFolder.back() != '/' && p.programFolder.back() != '\\'))
        p.programFolder += sep;
    p.dgdecodeFolder = p.programFolder + "DGDecode" + sep;
    p.matrixFolder = p.programFolder + "matrix" + sep;
    p.defaultIni = p.programFolder + "Mivo.ini";
    p.encoder = p.programFolder + "Dazuzer_024.exe";
    p.dgdecodeCopy = p.programFolder + "DGDecode.dll";
    p.avisynthDllDate = std::string(10, ' ');
    return p;
}

} // namespace mivo
