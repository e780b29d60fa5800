#pragma once
// Where the frame server (Avisynth's library) is found. On Windows it is "avisynth.dll" through the
// system's library search and its installation is the registry key HKLM\SOFTWARE\AviSynth; on Linux it
// is AviSynth+'s "libavisynth.so" through the loader's search, and the installation is the folder where
// the loader finds it.

#include <optional>
#include <string>

namespace mivo::platform {

// Test seam, for the scenario runner and the program tests only: from now on the program loads the
// library at this full path instead of searching for the frame server, or, given "none", finds no frame
// server at all. std::nullopt goes back to the normal search. Process-wide; call it before the frame
// server is loaded.
void setFrameServerLibrary(std::optional<std::string> library);

// What to hand to the module loader: the library's plain name (searched the system's way) or the test
// seam's path; std::nullopt when the seam says "none".
std::optional<std::string> frameServerLibraryName();

// Full path of the library the loader would load, std::nullopt when it finds none. On Windows this is
// the system copy, "windir" + "\system32\avisynth.dll", whether or not it exists.
std::optional<std::string> frameServerLibraryPath();

// The installation folder (Windows: the data of the registry key's default value, else its first
// value; Linux: the folder of frameServerLibraryPath(), without a trailing separator).
std::optional<std::string> frameServerInstallation();

} // namespace mivo::platform
