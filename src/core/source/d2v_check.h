#pragma once
// Input classification and the check of a D2V project before any decoder library is loaded: the
// project's file format version picks the decoder library, and every video file the project lists must
// be reachable. The decoder libraries resolve listed paths with the same rules, so a project that passes
// here is one the decoder can find its files for.

#include "base/d2v_header.h"
#include "base/paths.h" // hasExtension, displayForm and resolveListedPath have their home there
#include "core/source_state.h"

#include <istream>
#include <string>
#include <string_view>

namespace mivo {

// The decoder library file for a project version ("DGDecode16.dll"), or empty for a version no library
// exists for.
std::string decoderLibraryName(int version);
// The status text shown once that library is loaded.
std::string decoderLoadMessage(int version);

struct D2vCheck {
    int version = 0;
    bool versionValid = false; // a decoder library exists for the version
    bool filesFound = false;   // every listed file was found
};

// Reads the project header (base/d2v_header.h), then looks for the listed files in order up to the
// first missing one. A header that cannot be read up to its file lines (no format line, no file count)
// is treated like an unknown version; a file line that names no file, like a missing file.
D2vCheck checkD2vProject(std::istream& project, std::string_view projectPath, const FileExistsFn& exists);

// Classifies the input name (Avisynth script, D2V project, or else a candidate video file) and checks a D2V
// project. Sets isAvisynthScript, isD2vProject, isVideoFile, projectVersion, projectVersionValid,
// projectFilesFound and decoderLibraryPath; reports nothing, the callers do.
void classifyInput(SourceState& state, std::string_view inputFileName, std::string_view dgdecodeFolder,
                   const FileExistsFn& exists);

} // namespace mivo
