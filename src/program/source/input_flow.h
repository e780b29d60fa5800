#pragma once
// The input flow's steps once the dialog has answered (the dialog itself belongs to the window):
// classification, opening through the matching decoder layer, messages, list clearing and control
// updates. Also the classification of an input named by an ini file.

#include "core/program_paths.h"
#include "core/settings/ini_codec.h"
#include "program/source/source_context.h"
#include "sources/dgdecode_library.h"

#include <functional>
#include <string>

namespace mivo {

// What other parts provide; an empty hook is skipped.
struct InputHooks {
    std::function<void()> clearLists;                  // chapter, zone and pan-scan lists
    std::function<void(SourceContext&)> openAvisynth;  // the Avisynth layer's open
    std::function<void(SourceContext&)> openVideoFile; // an ordinary video file's open
};

// A name was chosen in the input dialog: the whole flow up to the refreshed controls and the autogop
// presets.
void inputFileChosen(SourceContext& ctx, DgdecodeLibrary& library, const ProgramPaths& paths,
                     const std::string& chosen, const InputHooks& hooks);

// The dialog was cancelled (the caller has restored the previous name): refresh and presets.
void inputSelectionCancelled(SourceContext& ctx);

// Autogop length presets for the open source's frame rate (23.976 gives 12, 25 gives 15).
void applyAutogopPresets(SourceContext& ctx);

// An ini file named an input (`*INFILE`) that exists: classify it without opening it. A refused input
// is cleared; the reader words the outcome once the whole ini file is processed.
IniInputOutcome classifyIniInput(SourceContext& ctx, const ProgramPaths& paths);

} // namespace mivo
