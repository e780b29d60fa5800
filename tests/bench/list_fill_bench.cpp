// Filling list boxes in the window with long lists: the chapter list box with 640000 lines, the
// "current Mivo.ini" listing of the three Settings pages with 640000 chapters in it, and a plain chapter
// file of 640000 frames imported through the Chapters page's button. Each fill is timed from the
// program's write (or the click) until the visible lines are drawn, beside a yardstick measured in the
// same loop: a plain loop formatting every chapter line, the ini text rendered alone, and the file read
// into a bare settings record by the list code alone. The counters are the medians over the iterations
// and their ratios.
#include "base/whole_file.h"
#include "core/control_ids.h"
#include "core/lists/chapter_file.h"
#include "core/settings/ini_codec.h"
#include "gui/app_main.h"
#include "gui/main_window.h"
#include "gui/qt_dialogs.h"
#include "program/pages/settings_listing.h"
#include "program/program.h"

#include "qt_benchmark_main.h"

#include <benchmark/benchmark.h>

#include <QAbstractItemView>
#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace mivo;

constexpr int kChapters = 640000;

double median(std::vector<double>& v) {
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

template <class F> double secondsOf(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The chapter list box's line: the frame right-aligned in 8 characters.
std::string chapterLine(int frame) {
    char text[16];
    std::snprintf(text, sizeof text, "%8d", frame);
    return text;
}

struct Window {
    QtDialogs dialogs;
    std::unique_ptr<Program> program;
    std::unique_ptr<MainWindow> window;
    std::vector<int> frames = std::vector<int>(kChapters);

    Window() {
        ProgramOptions options;
        options.programFolder = std::filesystem::temp_directory_path().string() + "/";
        options.cpuLevel = 4;
        program = std::make_unique<Program>(dialogs, ProgramShell{}, options);
        program->startUp();
        window = std::make_unique<MainWindow>(*program, false);
        window->show();
        for (int i = 0; i < kChapters; ++i)
            frames[static_cast<std::size_t>(i)] = 5 * i;
        Settings& s = program->settings();
        s.chapterCount = kChapters;
        std::copy(frames.begin(), frames.end(), s.chapterFrames.begin());
    }
    void show(int tab, PageId page, int list) {
        program->controls().userSelect(PageId::Window, ids::window::tabs, tab);
        QApplication::processEvents();
        view = qobject_cast<QAbstractItemView*>(window->widget(page, list));
    }
    // Until the visible lines are on screen.
    void draw() {
        QApplication::processEvents();
        view->viewport()->repaint();
    }
    QAbstractItemView* view = nullptr;
};

void report(benchmark::State& state, std::vector<double>& ours, std::vector<double>& yardstick,
            const char* name) {
    const double o = median(ours), y = median(yardstick);
    state.counters["fill_ms"] = o * 1e3;
    state.counters[std::string(name) + "_ms"] = y * 1e3;
    state.counters["ratio"] = o / y;
}

void BM_ChapterListBox(benchmark::State& state) {
    Window w;
    w.show(5, PageId::Chapters, ids::chapters::chapterList);
    std::vector<double> ours, plain;
    int round = 0;
    for (auto _ : state) {
        // Lines differ from fill to fill, as after an import.
        const int shift = ++round;
        const double t = secondsOf([&] {
            w.program->controls().setLines(
                PageId::Chapters, ids::chapters::chapterList, kChapters,
                [&w, shift](int i) { return chapterLine(w.frames[static_cast<std::size_t>(i)] + shift); });
            w.draw();
        });
        plain.push_back(secondsOf([&] {
            std::vector<std::string> lines;
            lines.reserve(kChapters);
            for (int frame : w.frames)
                lines.push_back(chapterLine(frame + shift));
            benchmark::DoNotOptimize(lines.data());
        }));
        ours.push_back(t);
        state.SetIterationTime(t);
    }
    report(state, ours, plain, "format_all");
}

void BM_IniListing(benchmark::State& state) {
    Window w;
    w.show(1, PageId::Settings1, ids::settings1::iniListing);
    std::vector<double> ours, render;
    for (auto _ : state) {
        const double t = secondsOf([&] {
            rebuildIniListing(*w.program);
            w.draw();
        });
        render.push_back(secondsOf([&] {
            std::string text;
            formatIni(w.program->settings(), IniTarget::Listing, text);
            benchmark::DoNotOptimize(text.data());
        }));
        ours.push_back(t);
        state.SetIterationTime(t);
    }
    report(state, ours, render, "render_only");
}

// Answers every file dialog with one path.
struct AnsweringDialogs : DialogService {
    std::string path;
    std::optional<std::string> chooseFile(const FileDialogSpec&) override { return path; }
    std::optional<std::string> chooseFolder(const std::string&) override { return std::nullopt; }
    MessageAnswer message(const std::string&, const std::string&, MessageButtons) override {
        return MessageAnswer::Ok;
    }
};

// The window over a synthetic source long enough for every frame of the chapter file, Chapters page up.
struct SourceWindow {
    static constexpr int kFrames = 7 * kChapters;
    std::filesystem::path folder = std::filesystem::temp_directory_path() / "mivo_chapter_import_bench";
    AnsweringDialogs dialogs;
    std::unique_ptr<Program> program;
    std::unique_ptr<MainWindow> window;
    std::string chapterFile = (folder / "chapters.txt").string();

    SourceWindow() {
        namespace fs = std::filesystem;
        fs::create_directories(folder / "DGDecode");
        fs::copy_file(MIVO_SYNTHETIC_DECODER, folder / "DGDecode" / "DGDecode16.dll",
                      fs::copy_options::overwrite_existing);
        const std::string syn = (folder / "movie.syn").string();
        const std::string d2v = (folder / "movie.d2v").string();
        std::string chapters;
        for (int i = 0; i < kChapters; ++i)
            chapters += std::to_string(7 * i) + "\r\n";
        if (!writeWholeFile(syn, "synthetic-source\nframes " + std::to_string(kFrames) + "\nramp\n") ||
            !writeWholeFile(d2v, "DGIndexProjectFile16\r\n1\r\n" + syn + "\r\n\r\nStream_Type=1\r\n") ||
            !writeWholeFile(chapterFile, chapters))
            std::abort();
        ProgramOptions options;
        options.programFolder = folder.string() + "/";
        options.cpuLevel = 4;
        program = std::make_unique<Program>(dialogs, ProgramShell{}, options);
        program->startUp();
        window = std::make_unique<MainWindow>(*program, false);
        window->show();
        dialogs.path = d2v;
        program->controls().userClick(PageId::Main, ids::main::inputFileButton);
        if (!program->source().sourceReady) std::abort();
        program->controls().userSelect(PageId::Window, ids::window::tabs, 5);
        QApplication::processEvents();
        view = qobject_cast<QAbstractItemView*>(window->widget(PageId::Chapters, ids::chapters::chapterList));
    }
    QAbstractItemView* view = nullptr;
};

void BM_ChapterImportThroughPage(benchmark::State& state) {
    SourceWindow w;
    SourceState bareSource;
    auto bare = std::make_unique<Settings>(bareSource);
    std::vector<double> ours, core;
    for (auto _ : state) {
        w.dialogs.path = w.chapterFile;
        const double t = secondsOf([&] {
            w.program->controls().userClick(PageId::Chapters, ids::chapters::importButton);
            QApplication::processEvents();
            w.view->viewport()->repaint();
        });
        if (w.program->settings().chapterCount != kChapters || w.view->model()->rowCount() != kChapters)
            state.SkipWithError("the import did not list every chapter");
        core.push_back(secondsOf([&] {
            const auto result = lists::importChapterFile(*bare, w.chapterFile, {SourceWindow::kFrames, 25.0});
            benchmark::DoNotOptimize(result.ok);
        }));
        ours.push_back(t);
        state.SetIterationTime(t);
    }
    report(state, ours, core, "core_import");
}

BENCHMARK(BM_ChapterListBox)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_IniListing)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ChapterImportThroughPage)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

MIVO_QT_BENCHMARK_MAIN()
