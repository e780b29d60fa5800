// How long the window takes to answer a user's action when the lists are at their largest: 640000
// chapters, 6400 zones and 6400 pan-scan positions read from Mivo.ini at start-up, beside the same
// program with 10 entries in each list. Both windows stand side by side in one process and take each
// action in turn within one loop, so they see the same machine. An action is timed from the user's click
// (or tab choice) through the program's handler until the window has painted itself again; the budget
// is one frame, 16 ms. Counters: the medians of each window and their ratio.
#include "base/whole_file.h"
#include "core/control_ids.h"
#include "gui/app_main.h"
#include "gui/main_window.h"
#include "gui/qt_dialogs.h"
#include "program/program.h"

#include "qt_benchmark_main.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace mivo;
namespace fs = std::filesystem;

constexpr int kLargeChapters = 640000, kLargeZones = 6400, kLargePanScan = 6400, kSmall = 10;
// Chapters on every second frame, zones and positions every 200th: all inside the source.
constexpr int kFrames = 2 * kLargeChapters + 10;

std::string padded(const char* keyword) {
    std::string line = keyword;
    line.resize(18, ' ');
    return line;
}

// A Mivo.ini naming a synthetic source, with `chapters`, `zones` and `positions` entries.
std::string iniText(const std::string& d2v, int chapters, int zones, int positions) {
    std::string t = padded("*INFILE") + d2v + "\r\n";
    t += padded("*CHAPTER") + std::to_string(chapters) + "\r\n";
    for (int i = 0; i < chapters; ++i)
        t += std::to_string(2 * i) + "\r\n";
    t += padded("*ZONE") + std::to_string(zones) + "\r\n";
    for (int i = 0; i < zones; ++i)
        t += std::to_string(200 * i) + (i % 2 ? "   0.5" : "   1.5") + "\r\n";
    t += padded("*PANSCAN") + "540 576 " + std::to_string(positions) + "\r\n";
    for (int i = 0; i < positions; ++i)
        t += std::to_string(200 * i + 1) + "  " + std::to_string(i % 90 - 45) + "  0\r\n";
    return t;
}

struct World {
    fs::path folder;
    QtDialogs dialogs;
    std::unique_ptr<Program> program;
    std::unique_ptr<MainWindow> window;
    int chapters;
    bool factorHigh = false;

    World(const char* name, int chapterCount, int zones, int positions) {
        folder = fs::temp_directory_path() / name;
        fs::create_directories(folder / "DGDecode");
        fs::copy_file(MIVO_SYNTHETIC_DECODER, folder / "DGDecode" / "DGDecode16.dll",
                      fs::copy_options::overwrite_existing);
        const std::string syn = (folder / "movie.syn").string(), d2v = (folder / "movie.d2v").string();
        if (!writeWholeFile(syn, "synthetic-source\nframes " + std::to_string(kFrames) + "\nramp\n") ||
            !writeWholeFile(d2v, "DGIndexProjectFile16\r\n1\r\n" + syn + "\r\n\r\nStream_Type=1\r\n") ||
            !writeWholeFile((folder / "Mivo.ini").string(), iniText(d2v, chapterCount, zones, positions)))
            std::abort();
        ProgramOptions options;
        options.programFolder = folder.string() + "/";
        options.cpuLevel = 4;
        program = std::make_unique<Program>(dialogs, ProgramShell{}, options);
        window = std::make_unique<MainWindow>(*program, false);
        window->show();
        program->startUp();
        chapters = chapterCount;
        if (!program->source().sourceReady || program->settings().chapterCount != chapterCount ||
            program->settings().zoneCount != zones || program->settings().panScanCount != positions)
            std::abort();
        draw();
    }
    ControlModel& controls() { return program->controls(); }
    void showTab(PageId page) {
        controls().userSelect(PageId::Window, ids::window::tabs, static_cast<int>(page) - 1);
        draw();
    }
    // Until the window has painted what the action changed.
    void draw() {
        QApplication::processEvents();
        window->repaint();
    }
};

template <class F> double secondsOf(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double>& v) {
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

World& large() {
    static World w("mivo_responsive_large", kLargeChapters, kLargeZones, kLargePanScan);
    return w;
}
World& small() {
    static World w("mivo_responsive_small", kSmall, kSmall, kSmall);
    return w;
}

// An action: `prepare` brings the window to where the user starts (untimed), `act` is what is timed, and
// `done`, when given, tells that the action took effect (a figure for an action that did nothing is none).
struct Action {
    std::function<void(World&)> prepare;
    std::function<void(World&)> act;
    std::function<bool(World&)> done = {};
};

void runSideBySide(benchmark::State& state, const Action& action) {
    World& big = large();
    World& few = small();
    std::vector<double> ours, yardstick;
    for (auto _ : state) {
        action.prepare(big);
        const double t = secondsOf([&] {
            action.act(big);
            big.draw();
        });
        action.prepare(few);
        yardstick.push_back(secondsOf([&] {
            action.act(few);
            few.draw();
        }));
        if (action.done && !(action.done(big) && action.done(few))) {
            state.SkipWithError("the action did not take effect");
            break;
        }
        ours.push_back(t);
        state.SetIterationTime(t);
    }
    if (ours.empty()) return;
    const double o = median(ours), y = median(yardstick);
    state.counters["largest_ms"] = o * 1e3;
    state.counters["ten_ms"] = y * 1e3;
    state.counters["ratio"] = o / y;
}

void onPage(World& w, PageId page) {
    if (w.controls().selected(PageId::Window, ids::window::tabs) != static_cast<int>(page) - 1)
        w.showTab(page);
}

// The list box shows `count` lines, as many as the list holds.
bool listed(World& w, PageId page, int box, int count) {
    return w.controls().at(page, box).itemCount() == count && w.program->settings().chapterCount == count;
}

// The chapter in the middle of the list: taken out and put back, so the full list of 640000 has room for
// the add. Its line is the middle line, its frame twice that.
int middleLine(const World& w) {
    return w.chapters / 2;
}

// Brings the list to `count` chapters (the full list, or one less) through the page's own buttons.
void listChapters(World& w, int count) {
    onPage(w, PageId::Chapters);
    const int line = middleLine(w);
    if (w.program->settings().chapterCount > count) {
        w.controls().userSelect(PageId::Chapters, ids::chapters::chapterList, line);
        w.controls().userClick(PageId::Chapters, ids::chapters::removeButton);
    } else if (w.program->settings().chapterCount < count) {
        w.controls().userType(PageId::Chapters, ids::preview::currentFrameEdit, std::to_string(2 * line));
        w.controls().userClick(PageId::Chapters, ids::chapters::addButton);
    }
}

void BM_Settings1Change(benchmark::State& state) {
    runSideBySide(state, {[](World& w) { onPage(w, PageId::Settings1); },
                          [](World& w) {
                              w.controls().userClick(PageId::Settings1, ids::settings1::constantQuantCheck);
                          }});
}

void BM_TabChange(benchmark::State& state, PageId page) {
    runSideBySide(state, {[](World& w) { w.showTab(PageId::Main); },
                          [page](World& w) {
                              w.controls().userSelect(PageId::Window, ids::window::tabs,
                                                      static_cast<int>(page) - 1);
                          }});
}

void BM_ChapterAdd(benchmark::State& state) {
    runSideBySide(
        state,
        {[](World& w) {
             listChapters(w, w.chapters - 1);
             w.controls().userType(PageId::Chapters, ids::preview::currentFrameEdit,
                                   std::to_string(2 * middleLine(w)));
             w.draw();
         },
         [](World& w) { w.controls().userClick(PageId::Chapters, ids::chapters::addButton); },
         [](World& w) { return listed(w, PageId::Chapters, ids::chapters::chapterList, w.chapters); }});
}

void BM_ChapterRemove(benchmark::State& state) {
    runSideBySide(
        state,
        {[](World& w) {
             listChapters(w, w.chapters);
             w.controls().userSelect(PageId::Chapters, ids::chapters::chapterList, middleLine(w));
             w.draw();
         },
         [](World& w) { w.controls().userClick(PageId::Chapters, ids::chapters::removeButton); },
         [](World& w) { return listed(w, PageId::Chapters, ids::chapters::chapterList, w.chapters - 1); }});
}

// A listed zone takes the other factor: the list stays full and every set changes a line.
void BM_ZoneSet(benchmark::State& state) {
    runSideBySide(
        state,
        {[](World& w) {
             onPage(w, PageId::Zones);
             w.factorHigh = !w.factorHigh;
             w.controls().userType(PageId::Zones, ids::preview::currentFrameEdit, "1000");
             w.controls().userType(PageId::Zones, ids::zones::factorEdit, w.factorHigh ? "1.7" : "0.3");
             w.draw();
         },
         [](World& w) { w.controls().userClick(PageId::Zones, ids::zones::setZoneButton); },
         [](World& w) { return w.program->settings().zoneFactors[5] == (w.factorHigh ? 1.7f : 0.3f); }});
}

// One step forward through the source, the chapter page up with its long list.
void BM_StepForward(benchmark::State& state) {
    runSideBySide(
        state, {[](World& w) { onPage(w, PageId::Chapters); },
                [](World& w) { w.controls().userClick(PageId::Chapters, ids::preview::stepForwardButton); }});
}

BENCHMARK(BM_Settings1Change)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK_CAPTURE(BM_TabChange, chapters, PageId::Chapters)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);
BENCHMARK_CAPTURE(BM_TabChange, zones, PageId::Zones)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);
BENCHMARK_CAPTURE(BM_TabChange, panscan, PageId::PanScan)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);
BENCHMARK_CAPTURE(BM_TabChange, settings1, PageId::Settings1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);
BENCHMARK(BM_ChapterAdd)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_ChapterRemove)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_ZoneSet)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_StepForward)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);

} // namespace

MIVO_QT_BENCHMARK_MAIN()
