// Start-up time: the program from process start until its main window is shown and it quits, beside a
// minimal Qt program that shows one empty window; and the program with a Mivo.ini naming a 720 x 576 D2V
// project until the first frame is painted in the preview, beside a minimal window that also decodes the
// project's first GOP with FFmpeg; and the program whose Mivo.ini holds the largest lists (640000
// chapters, 6400 zones, 6400 pan-scan positions) beside the same program with a Mivo.ini of one line.
// All run on the offscreen platform, so none pays for a display server.

#include "stream_maker.h"
#include "test_support.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

bool runOnce(benchmark::State& state, std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        state.SkipWithError("cannot start the program");
        return false;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        state.SkipWithError("the program failed");
        return false;
    }
    return true;
}

void BM_ProgramStartup(benchmark::State& state) {
    for (auto _ : state)
        runOnce(state, {MIVO_STARTUP_PROBE});
}
void BM_MinimalQtWindow(benchmark::State& state) {
    for (auto _ : state)
        runOnce(state, {MIVO_MINIMAL_WINDOW});
}

// A program folder whose Mivo.ini names a 720 x 576 project over an elementary stream of GOPs of 12.
struct ProjectFolder {
    std::string folder, stream;
    ProjectFolder() {
        namespace fs = std::filesystem;
        mivo::test::StreamSpec spec;
        spec.frames = 240;
        stream = mivo::test::makeStream(spec);
        folder = mivo::test::scratchFolder("startup_bench");
        fs::create_directories(folder + "/DGDecode");
        fs::copy_file(MIVO_DECODER_LIBRARY, folder + "/DGDecode/DGDecode16.dll",
                      fs::copy_options::overwrite_existing);
        mivo::test::indexProject({stream}, folder + "/movie.d2v");
        std::ofstream(folder + "/Mivo.ini", std::ios::binary)
            << "*INFILE           " << folder << "/movie.d2v\r\n";
    }
};

double median(std::vector<double> v) {
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

template <class F> double secondsOf(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Two program folders: one whose Mivo.ini holds every list at its capacity, one with a single line.
struct ListFolders {
    std::string lists = mivo::test::scratchFolder("startup_lists");
    std::string plain = mivo::test::scratchFolder("startup_plain");
    ListFolders() {
        std::string t = "*CHAPTER          640000\r\n";
        for (int i = 0; i < 640000; ++i)
            t += std::to_string(2 * i) + "\r\n";
        t += "*ZONE             6400\r\n";
        for (int i = 0; i < 6400; ++i)
            t += std::to_string(200 * i) + "   1.5\r\n";
        t += "*PANSCAN          540 576 6400\r\n";
        for (int i = 0; i < 6400; ++i)
            t += std::to_string(200 * i) + "  " + std::to_string(i % 90 - 45) + "  0\r\n";
        std::ofstream(lists + "/Mivo.ini", std::ios::binary) << t;
        std::ofstream(plain + "/Mivo.ini", std::ios::binary) << "*BITRATE          4000\r\n";
    }
};

void BM_StartupWithLargestLists(benchmark::State& state) {
    static const ListFolders folders;
    std::vector<double> ours, yardstick;
    for (auto _ : state) {
        bool ok = true;
        const double t = secondsOf([&] { ok = runOnce(state, {MIVO_STARTUP_PROBE, folders.lists}); });
        if (!ok) break;
        yardstick.push_back(secondsOf([&] { ok = runOnce(state, {MIVO_STARTUP_PROBE, folders.plain}); }));
        if (!ok) break;
        ours.push_back(t);
        state.SetIterationTime(t);
    }
    if (ours.empty()) return;
    state.counters["lists_ms"] = median(ours) * 1e3;
    state.counters["no_lists_ms"] = median(yardstick) * 1e3;
    state.counters["ratio"] = median(ours) / median(yardstick);
}

// Both processes in turn within one loop, so they see the same machine load.
void BM_StartupToFirstFrame(benchmark::State& state) {
    static const ProjectFolder project;
    std::vector<double> ours, yardstick;
    for (auto _ : state) {
        bool ok = true;
        const double t = secondsOf([&] {
            ok = runOnce(state, {MIVO_PREVIEW_STARTUP_PROBE, project.folder});
        });
        if (!ok) break;
        yardstick.push_back(secondsOf([&] {
            ok = runOnce(state, {MIVO_MINIMAL_WINDOW_GOP, project.stream});
        }));
        if (!ok) break;
        ours.push_back(t);
        state.SetIterationTime(t);
    }
    if (ours.empty()) return;
    state.counters["program_ms"] = median(ours) * 1e3;
    state.counters["window_gop_ms"] = median(yardstick) * 1e3;
    state.counters["ratio"] = median(ours) / median(yardstick);
}

} // namespace

BENCHMARK(BM_MinimalQtWindow)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_ProgramStartup)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_StartupWithLargestLists)->Unit(benchmark::kMillisecond)->MinTime(4.0)->UseManualTime();
BENCHMARK(BM_StartupToFirstFrame)->Unit(benchmark::kMillisecond)->MinTime(4.0)->UseManualTime();

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
