#pragma once
// Opening an Avisynth script as the program's source, reopening it after an encode, fetching its frames
// into the shared planes, and the Avisynth information of the Main page. Program logic without widgets:
// the status line, the source state and the frame planes come in from the caller, and what belongs to
// other parts of the program (movie information, DVD checks, the input button label) comes in as hooks.

#include "core/source_state.h"
#include "core/status_line.h"
#include "sources/avisynth_fetch.h"
#include "sources/avisynth_layer.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

namespace mivo {

// Calls into the rest of the program; an empty hook is skipped.
struct AvisynthSourceHooks {
    std::function<void()> showMovieInfo;         // refresh the movie information fields
    std::function<void()> checkFrameRateAndSize; // the DVD checks after a successful open
    std::function<void()> resetInputLabel;       // input button back to "input file name (*.d2v, *.avs)"
};

// The frame range fields of the settings record.
struct FrameRangeFields {
    int& startFrame;
    int& endFrame;
    int& encodeFrameCount;
};

struct AvisynthSourceContext {
    AvisynthLayer& layer;
    SourceState& source;
    StatusLine& status;
    std::string& inputFileName; // emptied when the script cannot be opened
    int& memoryRequest;         // the frame-cache request; the program always holds -1 (no request)
    FrameRangeFields range;
    std::size_t lumaCapacity; // bytes of the shared luma plane: larger frames are refused
    AvisynthSourceHooks hooks = {};
};

// Releases what was loaded, loads the frame server and imports the input file; fills the source state,
// the frame range and the status line. For an `.avs` input and after an ini file named one.
void openAvisynthSource(AvisynthSourceContext& ctx);

// After the encoder ended: load again and import the same script (the encoder read it meanwhile).
void reopenAvisynthSource(AvisynthSourceContext& ctx);

struct AvisynthInstallation {
    bool found = false;
    std::string folder;
};

// Looks for the frame server's installation and shows the result in the status line.
AvisynthInstallation probeAvisynthInstallation(StatusLine& status);

// The frame-server library's file date as "dd-mm-yyyy" with blank-padded day and month, or 10 blanks
// when the file does not exist.
std::string frameServerLibraryDate(const std::string& libraryPath);

// The frame server's version: the library's version resource (queryFileVersion, on Windows), else the
// version its file name carries ("libavisynth.so.3.7.3"), else what the library itself says.
std::optional<std::string>
frameServerVersion(const std::string& libraryPath,
                   const std::function<std::optional<std::string>(const std::string&)>& queryFileVersion);

// The Main page's "Avisynth info": the installation, then the library's presence and version.
// queryFileVersion gives "a.b.c.d" or nothing (empty hook: no version information).
void showAvisynthInfo(StatusLine& status, const std::string& libraryPath, const std::string& libraryDate,
                      const std::function<std::optional<std::string>(const std::string&)>& queryFileVersion);

} // namespace mivo
