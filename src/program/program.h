#pragma once
// The running program: its shared records (controls, status line, source state, paths, processor
// facts), the start-up in its fixed order, the binding of every control to its handler, and the
// teardown. It knows no widgets: the Qt window mirrors the control model, and the scenario runner
// drives the same object headless.

#include "core/control_model.h"
#include "core/lists/panscan_list.h"
#include "core/program_paths.h"
#include "core/settings/settings.h"
#include "core/source_state.h"
#include "core/status_line.h"
#include "program/dialogs.h"
#include "program/settings/settings_operations.h"
#include "program/source/avisynth_source.h"
#include "program/source/input_flow.h"
#include "program/source/source_context.h"
#include "sources/dgdecode_library.h"
#include "sources/frame_access.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace mivo {

struct PageHandlers;
class FramePreview;
class QueuePage;
class DiscPage;
class SceneScan;

namespace video {
class VideoFileSource;
}

// What the shell around the program provides: the real window and message loop, or the runner.
struct ProgramShell {
    // Ends the message loop with the exit code (the quit message).
    std::function<void(int)> postQuit;
    // Hides or shows the main window (the encoder runs with the window hidden).
    std::function<void(bool)> setWindowVisible;
    // Lets the user interface breathe for ms milliseconds (status line shown during a pause).
    std::function<void(int)> pause;
    // Called every so often while the program waits for the encoder (window hidden, no message loop);
    // tests look at the window from here.
    std::function<void()> whileEncoding;
    // Average character width in pixels of the listing font; unset, the listings reckon with 7.
    std::function<int()> listingCharWidth;
    // Has tick called on the user-interface thread every ms milliseconds for as long as the program runs
    // (the queue page follows its runner so). Unset, nothing follows the queue by itself.
    std::function<void(int ms, std::function<void()> tick)> repeat;
    // Called from the scan thread when it posted something for the window: the shell has the user-
    // interface thread call drainScanPosts() soon (a queued call). Unset, whoever runs the program
    // drains itself.
    std::function<void()> scanPosted;
};

struct ProgramOptions {
    std::string programFolder;   // empty: the folder of the running program file
    std::optional<int> cpuLevel; // the processor check reports this level instead of the real one
};

class Program {
  public:
    Program(DialogService& dialogs, ProgramShell shell, ProgramOptions options = {});
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Start-up up to the running message loop.
    void startUp();
    // The main window's close notification.
    void closeRequested();
    // Teardown after the message loop: release the source layers.
    void tearDown();

    bool quitPosted() const { return quitPosted_; }
    int exitCode() const { return exitCode_; }
    void postQuit(int code);

    // The value of a named piece of program state, for the scenario runner's `print state`.
    std::optional<std::string> stateValue(const std::string& name) const;

    // The contexts the settings, source and Avisynth code work in, over the program's records.
    SettingsContext settingsContext();
    SourceContext sourceContext();
    AvisynthSourceContext avisynthContext();

    // The flows the file buttons and the start-up share.
    void openNamedSource(); // open what the input name is: Avisynth script, D2V project or video file
    // Opens the input as a video file (the index built with progress when there is none yet); closes the
    // one open before in any case.
    void openVideoFile();
    void closeVideoFile();
    void refreshAfterFileChange();
    void loadIni(IniMode mode, const std::string& path);

    ControlModel& controls() { return controls_; }
    const ControlModel& controls() const { return controls_; }
    StatusLine& status() { return status_; }
    SourceState& source() { return source_; }
    const SourceState& source() const { return source_; }
    Settings& settings() { return settings_; }
    DgdecodeLibrary& dgdecode() { return dgdecode_; }
    AvisynthLayer& avisynth() { return avisynth_; }
    FrameAccess& frames() { return frames_; }
    FramePreview& preview() { return *preview_; }
    // The pan-scan offset of every frame, derived from the pan-scan list; the preview draws from it.
    lists::FrameOffsets& frameOffsets() { return frameOffsets_; }
    // The names of the ini, chapter, pan-scan and matrix files last chosen (emptied before each dialog).
    std::string& iniFileName() { return iniFileName_; }
    std::string& chapterFileName() { return chapterFileName_; }
    std::string& panScanFileName() { return panScanFileName_; }
    std::string& matrixFileName() { return matrixFileName_; }
    const ProgramPaths& paths() const { return paths_; }
    // Where an index goes that cannot be kept beside its video file (the user's settings folder).
    std::string videoIndexFolder() const;
    DialogService& dialogs() { return dialogs_; }
    ProgramShell& shell() { return shell_; }
    int cpuLevel() const { return cpuLevel_; }
    int processorCount() const { return processorCount_; }
    bool scanRunning() const;
    SceneScan& scan() { return *scan_; }
    QueuePage& queuePage();
    DiscPage& discPage();
    // Applies what the scan thread posted (user-interface thread).
    void drainScanPosts();
    bool previewRedrawPending() const { return previewRedraw_; }
    void setPreviewRedraw(bool on) { previewRedraw_ = on; }
    // Redraws the preview when a switch to a preview page asked for it.
    void servePreviewRedraw();

  private:
    void setUpHooks();
    void setStartUpValues();
    void fixPaths();

    DialogService& dialogs_;
    ProgramShell shell_;
    ProgramOptions options_;
    ControlModel controls_;
    StatusLine status_;
    SourceState source_;
    Settings settings_{source_};
    SourceSettings sourceSettings_;
    SettingsHooks settingsHooks_;
    DgdecodeLibrary dgdecode_;
    AvisynthLayer avisynth_;
    FrameAccess frames_;
    std::unique_ptr<video::VideoFileSource> videoFile_;
    int avsMemoryRequest_ = -1; // the frame-cache request: never made
    std::string iniFileName_, chapterFileName_, panScanFileName_, matrixFileName_;
    ProgramPaths paths_;
    int cpuLevel_ = 0;
    int processorCount_ = 0;
    bool previewRedraw_ = false;
    bool staleLibraryCopy_ = false; // the copy left from an earlier run could not be deleted
    bool quitPosted_ = false;
    int exitCode_ = 0;
    bool tornDown_ = false;
    lists::FrameOffsets frameOffsets_{lists::kFrameOffsetCount};
    std::unique_ptr<FramePreview> preview_;
    std::unique_ptr<PageHandlers> handlers_;
    std::unique_ptr<SceneScan> scan_;
};

} // namespace mivo
