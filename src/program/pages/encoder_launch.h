#pragma once
// The three buttons under the tabs: "about Mivo", "encode" and "exit".

#include "core/program_paths.h"

#include <optional>
#include <string>

namespace mivo {

class Program;

// Deletes the decoder library copy the encoder reads ("DGDecode.dll" beside the program), at start-up
// and after every encode. False when a copy is there and cannot be deleted.
bool removeDecoderLibraryCopy(const ProgramPaths& paths);
// What the status line appends then.
inline constexpr const char* kLibraryCopyNotDeleted = ", can't delete DGDecode.dll";

// Writes Mivo.ini, puts the project's decoder library where the encoder looks for it, runs the encoder
// with the window hidden until it ends, then cleans up and reopens an Avisynth source.
void encodeButton(Program& p);
void aboutButton(Program& p);
void exitButton(Program& p);

// The status line once the encoder has ended: " encoding finished" for exit status 0, otherwise a
// failure naming the status and the log file, when one was chosen.
std::string encoderEndMessage(int exitCode, const std::string& logFile);

// The about box's title and text.
extern const char* const kAboutTitle;
extern const char* const kAboutText;

// How the encoder program file is started: an empty launcher runs it directly; "wine" (its full path)
// runs a Windows program file on another system. Nothing when it cannot be started here.
std::optional<std::string> encoderLauncher(const std::string& programFile);

} // namespace mivo
