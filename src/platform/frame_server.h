#pragma once
// Where the frame server (Avisynth's library) is found. On Windows it is "avisynth.dll" through the
// system's library search and its installation is the registry key HKLM\SOFTWARE\AviSynth. On Linux it
// is AviSynth+ as users install it: "libavisynth.so" through the loader's search, else one of its
// versioned names ("libavisynth.so.N", as a package without the development link leaves it), else the
// library beside the program under any of those names or a full version ("libavisynth.so.3.7.5", as a
// copied build leaves it); the installation is the folder the library is found in.

#include <optional>
#include <string>
#include <vector>

namespace mivo::platform {

// Test seam, for the scenario runner and the program tests only: from now on the program loads the
// library at this full path instead of searching for the frame server, or, given "none", finds no frame
// server at all. std::nullopt goes back to the normal search. Process-wide; call it before the frame
// server is loaded.
void setFrameServerLibrary(std::optional<std::string> library);

// The environment variable that does for child processes (the encoder) what the test seam does in this
// one: a full library path, or "none".
inline constexpr const char* kFrameServerVariable = "MIVO_FRAME_SERVER_LIBRARY";

// What to hand to the module loader: the first name of the search that loads, or the test seam's (or
// the variable's) path; std::nullopt when the seam says "none" or no name loads.
std::optional<std::string> frameServerLibraryName();

// The platform's search alone, without the seam.
std::optional<std::string> searchFrameServerLibrary();

// The frame server's library files in `folder` (ending with the separator), in the order they are
// tried: the plain name, then the versioned names, newest version first ("libavisynth.so.11", then
// "libavisynth.so.3.7.5", then "libavisynth.so.3"). Names with anything but a version after the suffix
// are not the library.
std::vector<std::string> frameServerFilesIn(const std::string& folder);

// The first of frameServerFilesIn(folder) that loads; std::nullopt when none does. (POSIX.)
std::optional<std::string> frameServerLibraryIn(const std::string& folder);

// The version of the frame server as its library's file name gives it, following links
// ("libavisynth.so.3.7.3" gives "3.7.3"); std::nullopt when the name carries none.
std::optional<std::string> frameServerVersionFromName(const std::string& libraryPath);

// Full path of the library the loader would load, std::nullopt when it finds none. On Windows this is
// the system copy, "windir" + "\system32\avisynth.dll", whether or not it exists.
std::optional<std::string> frameServerLibraryPath();

// The installation folder (Windows: the data of the registry key's default value, else its first
// value; Linux: the folder of frameServerLibraryPath(), without a trailing separator).
std::optional<std::string> frameServerInstallation();

} // namespace mivo::platform
