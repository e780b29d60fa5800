#pragma once
// The encoder's progress window: pass, frame, frames a second, time left, average bitrate so far and a
// cancel button, with the frames being encoded when *PREVIEW is on. Shown only when a display is there
// and *SILENT is off. The window itself lives in a library of the program folder that links Qt
// Widgets (progress_window_widget.cpp); the back end loads it at run time and links no Qt itself.

#include "progress_monitor.h"

#include "platform/platform.h"
#include "progress_window_abi.h"

#include <functional>
#include <string>

namespace mivo::encoder {

// A display the window can be shown on: an X or Wayland session, and no Qt platform that draws nowhere.
bool displayAvailable();

struct WindowOptions {
    bool preview = false;
    int waitSeconds = 5; // the window stays this long after a successful end
};

class ProgressWindowLibrary {
  public:
    // Loads the window's library from the program folder; false when it, or the Qt it links, cannot be
    // loaded, or it was built for another interface version.
    bool load(const std::string& programFolder);

    // Runs `work` on a thread of its own while the window shows `monitor`; returns when the work has
    // ended and the window has closed. A failure stays on screen until the user closes the window.
    void run(ProgressMonitor& monitor, const std::function<void()>& work, const WindowOptions& options) const;

  private:
    platform::Module module_;
    MivoProgressWindowRunFn run_ = nullptr;
};

} // namespace mivo::encoder
