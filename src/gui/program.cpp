#include "gui/program.h"

#include "core/control_ids.h"
#include "core/cpu_level.h"
#include "gui/pages/page_handlers.h"
#include "platform/platform.h"

#include <cstdio>
#include <utility>

namespace mivo {

namespace {

struct Range {
    int first, last;
};

} // namespace

Program::Program(DialogService& dialogs, ProgramShell shell, ProgramOptions options)
    : dialogs_(dialogs), shell_(std::move(shell)), options_(std::move(options)), status_(controls_),
      handlers_(std::make_unique<PageHandlers>(*this)) {}

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
    smpInitial_ = processorCount_ > 1;
}

void Program::fixPaths() {
    const std::string folder =
        options_.programFolder.empty() ? platform::programFolder() : options_.programFolder;
    paths_ = ProgramPaths::beside(folder, platform::pathSeparator());
    paths_.defaultIniExists = platform::fileExists(paths_.defaultIni);
    // A copy left behind by an encode that never finished would shadow the version-specific library.
    if (platform::fileExists(paths_.dgdecodeCopy)) platform::removeFile(paths_.dgdecodeCopy);
    if (!paths_.avisynthLibrary.empty()) {
        if (const auto d = platform::fileDate(paths_.avisynthLibrary)) {
            char text[16];
            std::snprintf(text, sizeof text, "%2d-%2d-%4d", d->day % 100, d->month % 100, d->year % 10000);
            paths_.avisynthDllDate = text;
        }
    }
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
    // 5: every control to its handler; the three window buttons enabled.
    bindHandlers();
    for (int id : {ids::window::about, ids::window::encode, ids::window::exit})
        controls_.setEnabled(PageId::Window, id, true);
    // 6: tab 1 shows the Main page.
    controls_.setSelected(PageId::Window, ids::window::tabs, 0);
    // 8: the processor check.
    cpuLevel_ = options_.cpuLevel ? *options_.cpuLevel
                                  : cpuLevelFromFlags(platform::cpuFlags().edx, platform::cpuFlags().ecx);
    if (cpuLevel_ == 0) {
        status_.show(" no MMX detected, aborting...");
        if (shell_.pause) shell_.pause(5000);
        postQuit(0);
    }
    // 9: the paths beside the program.
    fixPaths();
    // 10: every option to its default.
    controls_.setChecked(PageId::Main, ids::main::smpCheck, smpInitial_);
}

void Program::closeRequested() {
    handlers_->window.close();
}

void Program::tearDown() {
    if (tornDown_) return;
    tornDown_ = true;
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
    return std::nullopt;
}

} // namespace mivo
