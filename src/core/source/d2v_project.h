#pragma once
// Input classification and the check of a D2V project before any decoder library is loaded: the
// project's file format version picks the decoder library, and every video file the project lists must
// be reachable. The decoder libraries resolve listed paths with the same rules, so a project that passes
// here is one the decoder can find its files for.

#include "base/paths.h" // hasExtension, displayForm and resolveListedPath have their home there
#include "core/source_state.h"

#include <functional>
#include <istream>
#include <string>
#include <string_view>

namespace mivo {

// Longest line read from a project; the rest of a longer line is skipped.
inline constexpr std::size_t kMaxProjectLine = 512;

// The decoder library file for a project version ("DGDecode16.dll"), or empty for a version no library
// exists for.
std::string decoderLibraryName(int version);
// The status text shown once that library is loaded.
std::string decoderLoadMessage(int version);

// One line of at most kMaxProjectLine characters; CR LF and LF both end a line. False at the end of
// the stream when nothing was read.
bool readProjectLine(std::istream& in, std::string& line);

// The path written on one file line of the project: version 6 and 10 lines carry a leading length field
// before the path, versions 11 and later the bare path (for 12 and 15, which no known indexer writes, a
// length field is taken when its number matches the rest of the line). Leading and trailing blanks are
// dropped.
std::string listedPathOfLine(std::string_view line, int version);

struct D2vCheck {
    int version = 0;
    bool versionValid = false; // a decoder library exists for the version
    bool filesFound = false;   // every listed file was found
};

// Reads the project header: the version from the last two characters of the first line, the number of
// files from the second line, then the file lines until the first missing file. A header that cannot
// be read (no two digits at the end of the first line, no count on the second) is treated like an
// unknown version.
D2vCheck checkD2vProject(std::istream& project, std::string_view projectPath, const FileExistsFn& exists);

// Classifies the input name (Avisynth script, D2V project or neither) and checks a D2V project. Sets
// isAvisynthScript, isD2vProject, projectVersion, projectVersionValid, projectFilesFound and
// decoderLibraryPath; reports nothing, the callers do.
void classifyInput(SourceState& state, std::string_view inputFileName, std::string_view dgdecodeFolder,
                   const FileExistsFn& exists);

} // namespace mivo
