#include "program/program.h"

#include "core/control_ids.h"
#include "core/cpu_level.h"
#include "core/packed_to_planar.h"
#include "platform/frame_server.h"
#include "platform/platform.h"
#include "program/pages/page_handlers.h"
#include "program/source/dgdecode_source.h"

#include <cstdio>
#include <utility>

namespace mivo {

namespace {

struct Range {
    int first, last;
};

} // namespace

Program::Program(DialogService& dialogs, ProgramShell shell, ProgramOptions options)
    : dialogs_(dialogs), shell_(std::move(shell)), options_(std::move(options)),
      status_(controls_), sourceSettings_{settings_.inputFile,   settings_.outputFile,
                                          settings_.logFile,     settings_.startFrame,
                                          settings_.endFrame,    settings_.encodeFrameCount,
                                          settings_.bitrate,     settings_.fileLengthKb,
                                          settings_.aspectRatio, settings_.maxConsecutiveB,
                                          settings_.panScanOn,   settings_.useLossless},
      frames_(source_, dgdecode_, framePlanes()), handlers_(std::make_unique<PageHandlers>(*this)) {
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
        const std::string message = classifyIniInput(ctx, paths_);
        if (message.empty()) return IniInputOutcome::Accepted;
        return message.find("can't find") != std::string::npos ? IniInputOutcome::FilesMissing
                                                               : IniInputOutcome::VersionMismatch;
    };
    settingsHooks_.openSource = [this] { openNamedSource(); };
    frames_.setAvisynthFetch([this](int n, FramePlanes& planes) {
        const PlaneBuffers buffers{planes.luma, planes.plane2, planes.plane3, planes.packed};
        return fetchAvisynthFrame(avisynth_, source_, buffers, n, cpuLevel_);
    });
    settingsHooks_.refreshAfterFileChange = [this] { refreshAfterFileChange(); };
    settingsHooks_.showMatrix = [this] { handlers_->matrix.showMatrix(); };
    settingsHooks_.enableMatrixGrid = [this](bool on) { handlers_->matrix.enableGrid(on); };
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
    return SourceContext{source_, sourceSettings_, controls_, status_, {}};
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
    if (source_.isAvisynthScript) {
        AvisynthSourceContext ctx = avisynthContext();
        openAvisynthSource(ctx);
    } else if (source_.isD2vProject) {
        SourceContext ctx = sourceContext();
        openDgdecodeSource(ctx, dgdecode_, paths_);
    }
}

void Program::refreshAfterFileChange() {
    SourceContext ctx = sourceContext();
    mivo::refreshAfterFileChange(ctx);
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
    scanRunning_ = false;
    previewRedraw_ = false;
    const std::optional<std::string> n = platform::environment("NUMBER_OF_PROCESSORS");
    // Windows always sets the variable; elsewhere the operating system's count stands in for it.
    processorCount_ = n ? processorCountFromText(*n) : platform::systemProcessorCount();
}

void Program::fixPaths() {
    const std::string folder =
        options_.programFolder.empty() ? platform::programFolder() : options_.programFolder;
    paths_ = ProgramPaths::beside(folder, platform::pathSeparator());
    paths_.defaultIniExists = platform::fileExists(paths_.defaultIni);
    // A copy left behind by an encode that never finished would shadow the version-specific library.
    if (platform::fileExists(paths_.dgdecodeCopy)) platform::removeFile(paths_.dgdecodeCopy);
    paths_.avisynthLibrary = platform::frameServerLibraryPath().value_or("");
    paths_.avisynthDllDate = frameServerLibraryDate(paths_.avisynthLibrary);
}

void Program::bindHandlers() {
    ControlModel& c = controls_;
    PageHandlers& h = *handlers_;

    c.bind(PageId::Window, ids::window::tabs, Notify::Default,
           [&h](PageId, int, Notify) { h.window.tabChanged(); });
    for (int id : {ids::window::about, ids::window::encode, ids::window::exit})
        c.bind(PageId::Window, id, Notify::Default, [&h](PageId, int i, Notify) { h.window.button(i); });

    auto bindDefault = [&c](PageId page, std::initializer_list<Range> ranges, PageHandler& handler) {
        for (const Range& r : ranges)
            for (int id = r.first; id <= r.last; ++id) {
                c.bind(page, id, Notify::Default,
                       [&handler](PageId, int i, Notify) { handler.onDefault(i); });
                c.bind(page, id, Notify::Change, [&handler](PageId, int i, Notify) { handler.onChange(i); });
            }
    };
    auto bindFocus = [&c](PageId page, std::initializer_list<Range> ranges, PageHandler& handler) {
        for (const Range& r : ranges)
            for (int id = r.first; id <= r.last; ++id) {
                c.bind(page, id, Notify::LoseFocus,
                       [&handler](PageId, int i, Notify) { handler.onLoseFocus(i); });
                c.bind(page, id, Notify::GainFocus,
                       [&handler](PageId, int i, Notify) { handler.onGainFocus(i); });
            }
    };
    auto bindFiles = [&c, &h](PageId page, std::initializer_list<Range> ranges) {
        for (const Range& r : ranges)
            for (int id = r.first; id <= r.last; ++id)
                c.bind(page, id, Notify::Default, [&h](PageId pg, int i, Notify) { h.files.onClick(pg, i); });
    };

    // Main page.
    bindFiles(PageId::Main, {{1110, 1116}});
    bindDefault(PageId::Main,
                {{1120, 1121}, {1125, 1125}, {1130, 1137}, {1140, 1143}, {1150, 1157}, {1101, 1105}}, h.main);
    bindFocus(PageId::Main, {{1122, 1124}, {1126, 1127}}, h.main);
    // Settings pages.
    bindDefault(PageId::Settings1, {{1201, 1211}, {1213, 1214}, {1216, 1220}, {1230, 1231}}, h.settings1);
    bindFocus(PageId::Settings1, {{1212, 1212}}, h.settings1);
    bindDefault(PageId::Settings2, {{1305, 1314}, {1320, 1321}, {1325, 1325}, {1327, 1329}}, h.settings2);
    bindFocus(PageId::Settings2, {{1322, 1324}}, h.settings2);
    bindDefault(PageId::Settings3, {{1401, 1404}, {1414, 1428}, {1430, 1432}}, h.settings3);
    // Matrix page.
    bindDefault(PageId::Matrix, {{1501, 1503}, {1507, 1507}}, h.matrix);
    bindFiles(PageId::Matrix, {{1504, 1506}});
    bindFocus(PageId::Matrix, {{2001, 2064}, {2101, 2164}}, h.matrix);
    // Preview pages.
    bindFiles(PageId::Chapters, {{1612, 1613}});
    bindDefault(PageId::Chapters, {{1601, 1611}, {1614, 1617}}, h.chapters);
    bindDefault(PageId::Zones, {{1603, 1603}, {1605, 1611}, {1702, 1702}, {1711, 1715}}, h.zones);
    bindFiles(PageId::PanScan, {{1816, 1817}});
    bindDefault(PageId::PanScan, {{1605, 1611}, {1811, 1811}, {1813, 1815}, {1818, 1825}}, h.panScan);
    bindFocus(PageId::PanScan, {{1812, 1812}}, h.panScan);
}

void Program::startUp() {
    // 1-3: the window and its pages exist with the control model; the tab control holds eight tabs.
    controls_.setItems(PageId::Window, ids::window::tabs,
                       {"  Main", "Settings 1", "Settings 2", "Settings 3", "Matrix", "Preview/Chapters",
                        "Preview/Zones", "Preview/PanScan"});
    // 4: start-up values; the processor count decides the initial SMP switch.
    setStartUpValues();
    // 5: every control to its handler; the three window buttons enabled; the grid shows the chosen pair.
    bindHandlers();
    for (int id : {ids::window::about, ids::window::encode, ids::window::exit})
        controls_.setEnabled(PageId::Window, id, true);
    handlers_->matrix.showMatrix();
    // 6: tab 1 shows the Main page.
    controls_.setSelected(PageId::Window, ids::window::tabs, 0);
    // 8: the processor check.
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
    // 9: the paths beside the program.
    fixPaths();
    // 10: every option to its default.
    settings_.setStartUpValues();
    SettingsContext sctx = settingsContext();
    resetToDefaults(sctx);
    // 11: Mivo.ini, shown in the controls.
    readIniFile(sctx, IniMode::Default, paths_.defaultIni);
    applySettingsToControls(sctx);
    // 12: the source it names.
    openNamedSource();
    // 13: every source-dependent control.
    refreshAfterFileChange();
    frames_.setPackedConversion(packedToPlanarFor(cpuLevel_));
}

void Program::closeRequested() {
    handlers_->window.close();
}

void Program::tearDown() {
    if (tornDown_) return;
    tornDown_ = true;
    if (source_.avisynthLoaded) avisynth_.releaseAvisynth();
    source_.avisynthLoaded = false;
    dgdecode_.release();
    source_.dgdecodeLoaded = false;
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
    if (name == "scanRunning") return b(scanRunning_);
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
    return std::nullopt;
}

} // namespace mivo
