#pragma once
// Opening a checked D2V project: the version's decoder library is loaded (replacing the one in
// memory), the project opened through it, and the source state, movie information and DVD checks
// follow. Every outcome is reported on the status line.

#include "core/program_paths.h"
#include "program/source/source_context.h"
#include "sources/dgdecode_library.h"

namespace mivo {

// The input button's text while no input is accepted.
inline constexpr const char* kInputButtonDefault = "input file name (*.d2v, *.avs)";

// The status text for a decoder library's result ("" for Ok).
std::string dgdecodeMessage(DgdecodeResult result);

// The frame range after a source opened: the whole source unless an ini file gave one, kept inside it.
void fitFrameRange(const SourceState& s, SourceSettings& set);

void openDgdecodeSource(SourceContext& ctx, DgdecodeLibrary& library, const ProgramPaths& paths);

} // namespace mivo
