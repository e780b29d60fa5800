#pragma once
// Opening an ordinary video file as the program's source: FFmpeg's libraries open it (the index is built
// on the first open, with progress and a way to cancel, and kept for the next), and the source state,
// the movie information, the DVD checks and the status line follow, as for the two other kinds.

#include "program/source/source_context.h"

#include <functional>
#include <memory>
#include <string>

namespace mivo {

namespace video {
class VideoFileSource;
}

struct VideoFileOpening {
    std::string fallbackIndexFolder; // where the index goes when the file's folder cannot be written
    int threads = 1;                 // decoding threads
    // While the index is built: the share done (0..1); returning false cancels the open.
    std::function<bool(double)> progress;
};

// Opens the input named by the settings. On success `slot` holds the open file and the source is ready;
// otherwise the input is refused with a message that says what failed, and `slot` is empty.
void openVideoFileSource(SourceContext& ctx, std::unique_ptr<video::VideoFileSource>& slot,
                         const VideoFileOpening& how);

// The index build's progress as the status line shows it (" indexing video file ... 42 %").
std::string indexingText(double done);

} // namespace mivo
