#pragma once
// The encoder's progress window (Qt Widgets): pass, frame, frames a second, time left, average bitrate
// so far and a cancel button, with the frames being encoded when *PREVIEW is on. Shown only when a
// display is there and *SILENT is off.

#include "progress_monitor.h"

#include <functional>

namespace mivo::encoder {

// A display the window can be shown on: an X or Wayland session, and no Qt platform that draws nowhere.
bool displayAvailable();

struct WindowOptions {
    bool preview = false;
    int waitSeconds = 5; // the window stays this long after a successful end
};

// Runs `work` on a thread of its own while the window shows `monitor`; returns when the work has ended
// and the window has closed. A failure stays on screen until the user closes the window.
void runWithProgressWindow(ProgressMonitor& monitor, const std::function<void()>& work,
                           const WindowOptions& options);

} // namespace mivo::encoder
