#pragma once
// The three buttons under the tabs: "about Mivo", "encode" and "exit".

#include <optional>
#include <string>

namespace mivo {

class Program;

// Writes Mivo.ini, puts the project's decoder library where the encoder looks for it, runs the encoder
// with the window hidden until it ends, then cleans up and reopens an Avisynth source.
void encodeButton(Program& p);
void aboutButton(Program& p);
void exitButton(Program& p);

// The about box's title and text.
extern const char* const kAboutTitle;
extern const char* const kAboutText;

// How the encoder program file is started: an empty launcher runs it directly; "wine" (its full path)
// runs a Windows program file on another system. Nothing when it cannot be started here.
std::optional<std::string> encoderLauncher(const std::string& programFile);

} // namespace mivo
