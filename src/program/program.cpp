#include "program/program.h"

#include "base/paths.h"
#include "core/control_ids.h"
#include "core/cpu_level.h"
#include "core/kernels/packed_to_planar.h"
#include "core/kernels/yuv_to_bgr.h"
#include "platform/frame_server.h"
#include "platform/platform.h"
#include "program/handler_binding.h"
#include "program/pages/encoder_launch.h"
#include "program/pages/list_boxes.h"
#include "program/pages/page_handlers.h"
#include "program/preview/frame_preview.h"
#include "program/scan/scene_scan.h"
#include "program/source/dgdecode_source.h"
#include "program/source/file_change_refresh.h"
#include "program/source/movie_info_display.h"
#include "program/source/video_file_open.h"
#include "video_file_source.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <utility>

namespace mivo {

Program::Program(DialogService& dialogs, ProgramShell shell, ProgramOptions options)
    : dialogs_(dialogs), shell_(std::move(shell)), options_(std::move(options)),
      status_(controls_), sourceSettings_{settings_.inputFile,   settings_.outputFile,
                                          settings_.logFile,     settings_.startFrame,
                                          settings_.endFrame,    settings_.encodeFrameCount,
                                          settings_.bitrate,     settings_.fileLengthKb,
                                          settings_.aspectRatio, settings_.maxConsecutiveB,
                                          settings_.panScanOn,   settings_.useLossless},
      frames_(source_, dgdecode_, framePlanes()), preview_(std::make_unique<FramePreview>(*this)),
      handlers_(std::make_unique<PageHandlers>(*this)), scan_(std::make_unique<SceneScan>(*this)) {
    setUpHooks();
}

void Program::setUpHooks() {
    settingsHooks_.showMovieInfo = [this] {
        SourceContext ctx = sourceContext();
        showMovieInfo(ctx);
    };
    settingsHooks_.showFileLength = [this] {
        SourceContext ctx = sourceContext();
        showFileLength(ctx);
    };
    settingsHooks_.classifyIniInput = [this](const std::string&) {
        SourceContext ctx = sourceContext();
        return classifyIniInput(ctx, paths_);
    };
    settingsHooks_.listingCharWidth = shell_.listingCharWidth;
    settingsHooks_.openSource = [this] { openNamedSource(); };
    frames_.setAvisynthFetch([this](int n, FramePlanes& planes) {
        const PlaneBuffers buffers{planes.luma, planes.plane2, planes.plane3, planes.packed};
        return fetchAvisynthFrame(avisynth_, source_, buffers, n, cpuLevel_);
    });
    settingsHooks_.refreshAfterFileChange = [this] { refreshAfterFileChange(); };
    settingsHooks_.showMatrix = [this] { handlers_->matrix.showMatrix(); };
    settingsHooks_.enableMatrixGrid = [this](bool on) { handlers_->matrix.enableGrid(on); };
    settingsHooks_.chaptersCleared = [this] { fillChapterListBox(controls_, settings_); };
    settingsHooks_.panScanCleared = [this] {
        fillPanScanListBox(controls_, settings_);
        // Only the open source's frames are ever shown; the refresh after a load rebuilds them anyway.
        const auto frames =
            std::min(static_cast<std::size_t>(std::max(source_.frameCount + 1, 0)), frameOffsets_.size());
        std::fill_n(frameOffsets_.begin(), frames, std::int16_t{0});
    };
    preview_->setStepListener([this](PageId page) {
        if (page == PageId::PanScan) handlers_->panScan.showCurrentOffset();
    });
}

SettingsContext Program::settingsContext() {
    return SettingsContext{settings_, source_, controls_, status_, settingsHooks_, processorCount_};
}

SourceContext Program::sourceContext() {
    // What the last ini file said about the field options, for the refresh after a file change.
    sourceSettings_.progressiveSet = settings_.seen.test(Keyword::Progressive);
    sourceSettings_.interlacedSet = settings_.seen.test(Keyword::Interlaced);
    sourceSettings_.dvSourceSet = settings_.seen.test(Keyword::DvSource);
    sourceSettings_.tffSet = settings_.seen.test(Keyword::Tff);
    sourceSettings_.bffSet = settings_.seen.test(Keyword::Bff);
    SourceHooks hooks;
    hooks.fillLists = [this](ControlModel& c) { sortAndFillListBoxes(c, settings_); };
    hooks.buildPanScanOffsets = [this] {
        lists::sortPanScan(settings_);
        lists::rebuildFrameOffsets(settings_, frameOffsets_, source_.frameCount);
        // The *PANSCAN line carries the window of the source open now, whatever an ini file said.
        if (const auto window = lists::panScanWindow(source_.width, source_.height)) {
            settings_.panScanWidth = window->width;
            settings_.panScanHeight = window->height;
            // The refresh goes back to frame 0: the offset field shows that frame's offset.
            controls_.setText(PageId::PanScan, ids::panscan::horizontalEdit,
                              std::to_string(lists::frameOffsetAt(settings_, frameOffsets_, 0)));
        }
    };
    hooks.showFirstFrame = [this] { preview_->showCurrentFrame(); };
    hooks.dvdChecked = [this] { handlers_->disc.sourceChecked(); };
    return SourceContext{source_, sourceSettings_, controls_, status_, std::move(hooks)};
}

AvisynthSourceContext Program::avisynthContext() {
    AvisynthSourceContext ctx{avisynth_,
                              source_,
                              status_,
                              settings_.inputFile,
                              avsMemoryRequest_,
                              {settings_.startFrame, settings_.endFrame, settings_.encodeFrameCount},
                              FramePlanes::kLumaCapacity,
                              {}};
    ctx.hooks.showMovieInfo = settingsHooks_.showMovieInfo;
    ctx.hooks.checkFrameRateAndSize = [this] {
        SourceContext sc = sourceContext();
        checkFrameRateAndSize(sc);
    };
    ctx.hooks.resetInputLabel = [this] {
        controls_.setText(PageId::Main, ids::main::inputFileButton, kInputButtonDefault);
    };
    return ctx;
}

void Program::openNamedSource() {
    source_.displayAspect = 0.0; // only a video file's open knows it
    if (source_.isAvisynthScript) {
        AvisynthSourceContext ctx = avisynthContext();
        openAvisynthSource(ctx);
    } else if (source_.isD2vProject) {
        SourceContext ctx = sourceContext();
        openDgdecodeSource(ctx, dgdecode_, paths_);
    } else if (source_.isVideoFile) {
        openVideoFile();
    }
    if (!source_.isVideoFile) closeVideoFile();
}

std::string Program::videoIndexFolder() const {
    return userSettingsFolder(platform::environment("XDG_CONFIG_HOME"), platform::environment("HOME"),
                              platform::pathSeparator());
}

void Program::closeVideoFile() {
    frames_.setVideoFile(nullptr);
    videoFile_.reset();
}

void Program::openVideoFile() {
    closeVideoFile();
    VideoFileOpening how;
    how.fallbackIndexFolder = videoIndexFolder();
    how.threads = std::clamp(processorCount_, 1, 8);
    // The window of the index build opens only when there is one to build; the status line follows it.
    std::unique_ptr<ProgressView> view;
    std::string before;
    int shown = -1;
    how.progress = [&](double done) {
        if (!view) {
            view = dialogs_.showProgress("indexing video file",
                                         settings_.inputFile.substr(folderPart(settings_.inputFile).size()));
            before = status_.buffer();
            if (!before.empty()) before += ",";
        }
        const int percent = static_cast<int>(done * 100.0);
        if (percent != shown) {
            shown = percent;
            status_.show(before + indexingText(done));
        }
        return view->update(done);
    };
    SourceContext ctx = sourceContext();
    openVideoFileSource(ctx, videoFile_, how);
    frames_.setVideoFile(videoFile_.get());
}

void Program::refreshAfterFileChange() {
    SourceContext ctx = sourceContext();
    mivo::refreshAfterFileChange(ctx);
    handlers_->disc.refresh();
    // Without a source the boxes must not go on showing the last source's picture.
    if (!source_.sourceReady) preview_->showCurrentFrame();
}

void Program::servePreviewRedraw() {
    if (!previewRedraw_) return;
    previewRedraw_ = false;
    preview_->showCurrentFrame();
}

void Program::loadIni(IniMode mode, const std::string& path) {
    SettingsContext ctx = settingsContext();
    loadIniFile(ctx, mode, path);
}

Program::~Program() {
    tearDown();
}

void Program::postQuit(int code) {
    if (quitPosted_) return;
    quitPosted_ = true;
    exitCode_ = code;
    if (shell_.postQuit) shell_.postQuit(code);
}

void Program::setStartUpValues() {
    source_ = SourceState{};
    previewRedraw_ = false;
    const std::optional<std::string> n = platform::environment("NUMBER_OF_PROCESSORS");
    // Windows always sets the variable; elsewhere the operating system's count stands in for it.
    processorCount_ = n ? processorCountFromText(*n) : platform::systemProcessorCount();
}

void Program::fixPaths() {
    const std::string folder =
        options_.programFolder.empty() ? platform::programFolder() : options_.programFolder;
    paths_ = ProgramPaths::beside(folder, platform::pathSeparator());
    // An installed copy's folder belongs to the system: what the program writes beside itself goes to
    // the user's own folder instead, and the encoder looks there by the same rule.
    if (!platform::folderWritable(paths_.programFolder)) {
        const std::string own = userSettingsFolder(platform::environment("XDG_CONFIG_HOME"),
                                                   platform::environment("HOME"), platform::pathSeparator());
        if (!own.empty() && platform::makeFolders(own)) paths_.useWritableFolder(own);
    }
    paths_.defaultIniExists = platform::fileExists(paths_.defaultIni);
    // A copy left behind by an encode that never finished would shadow the version-specific library.
    staleLibraryCopy_ = !removeDecoderLibraryCopy(paths_);
    paths_.avisynthLibrary = platform::frameServerLibraryPath().value_or("");
    paths_.avisynthDllDate = frameServerLibraryDate(paths_.avisynthLibrary);
}

QueuePage& Program::queuePage() {
    return handlers_->queue;
}

DiscPage& Program::discPage() {
    return handlers_->disc;
}

void Program::startUp() {
    // The window and its pages exist with the control model; the tab control holds a tab per page.
    controls_.setItems(PageId::Window, ids::window::tabs,
                       {"  Main", "Settings 1", "Settings 2", "Settings 3", "Matrix", "Preview/Chapters",
                        "Preview/Zones", "Preview/PanScan", "Queue", "Disc"});
    // Run-time state first: the processor count decides the initial SMP switch the reset shows.
    setStartUpValues();
    // Every control to its handler; the window's buttons are usable from the start.
    mivo::bindHandlers(controls_, *handlers_);
    for (int id : {ids::window::about, ids::window::encode, ids::window::addToQueue, ids::window::exit})
        controls_.setEnabled(PageId::Window, id, true);
    // The grid shows the chosen pair before any ini file is read.
    handlers_->matrix.showMatrix();
    controls_.setSelected(PageId::Window, ids::window::tabs, 0); // the Main page comes up first
    cpuLevel_ = options_.cpuLevel ? *options_.cpuLevel
                                  : cpuLevelFromFlags(platform::cpuFlags().edx, platform::cpuFlags().ecx);
    if (cpuLevel_ == 0) {
        status_.show(" no MMX detected, aborting...");
        if (shell_.pause) shell_.pause(5000);
        postQuit(0);
        // The program is ending: reading Mivo.ini and opening its source now would only replace the
        // message and load decoders for a loop that ends at once.
        return;
    }
    // The kernels follow the processor level (a forced one too) from the first frame on: the source the
    // ini file names is opened and shown below.
    frames_.setPackedConversion(packedToPlanarFor(cpuLevel_));
    preview_->setConversion(yuvToBgrFor(cpuLevel_));
    fixPaths();
    // Loading Mivo.ini follows the rule of every ini load: reset, read, show, open the source it names,
    // then bring every source-dependent control up to date.
    settings_.setStartUpValues();
    SettingsContext sctx = settingsContext();
    resetToDefaults(sctx);
    readIniFile(sctx, IniMode::Default, paths_.defaultIni);
    applySettingsToControls(sctx);
    openNamedSource();
    refreshAfterFileChange();
    if (staleLibraryCopy_) status_.append(kLibraryCopyNotDeleted);
    // Often enough that a job's state shows soon after it changes, seldom enough to cost nothing.
    constexpr int kQueueFollowMs = 250;
    if (shell_.repeat) shell_.repeat(kQueueFollowMs, [this] { handlers_->queue.tick(); });
}

void Program::closeRequested() {
    handlers_->window.close();
}

bool Program::scanRunning() const {
    return scan_->running();
}

void Program::drainScanPosts() {
    scan_->drain();
}

void Program::tearDown() {
    if (tornDown_) return;
    tornDown_ = true;
    // Nothing of the scan may outlive the program it posts to.
    scan_->abort();
    if (source_.avisynthLoaded) avisynth_.releaseAvisynth();
    source_.avisynthLoaded = false;
    dgdecode_.release();
    source_.dgdecodeLoaded = false;
    closeVideoFile();
}

std::optional<std::string> Program::stateValue(const std::string& name) const {
    auto b = [](bool v) { return std::string(v ? "1" : "0"); };
    auto i = [](long long v) { return std::to_string(v); };
    if (name == "sourceReady") return b(source_.sourceReady);
    if (name == "inputAccepted") return b(source_.inputAccepted);
    if (name == "frameCount") return i(source_.frameCount);
    if (name == "frameRate") {
        char text[32];
        std::snprintf(text, sizeof text, "%.4f", static_cast<double>(source_.frameRate));
        return std::string(text);
    }
    if (name == "width") return i(source_.width);
    if (name == "height") return i(source_.height);
    if (name == "currentFrame") return i(source_.currentFrame);
    if (name == "projectVersion") return i(source_.projectVersion);
    if (name == "cpuLevel") return i(cpuLevel_);
    if (name == "processorCount") return i(processorCount_);
    if (name == "scanRunning") return b(scanRunning());
    if (name == "chapterCount") return i(settings_.chapterCount);
    if (name == "zoneCount") return i(settings_.zoneCount);
    if (name == "panScanCount") return i(settings_.panScanCount);
    if (name == "panScanOn") return b(settings_.panScanOn);
    if (name == "matrixChoice") return i(settings_.matrixChoice);
    if (name == "colour") return i(settings_.colour);
    if (name == "maxConsecutiveB") return i(settings_.maxConsecutiveB);
    if (name == "encodeFrameCount") return i(settings_.encodeFrameCount);
    if (name == "startFrame") return i(settings_.startFrame);
    if (name == "endFrame") return i(settings_.endFrame);
    if (name == "queueRunning") return b(handlers_->queue.runnerRunning());
    return std::nullopt;
}

} // namespace mivo
