// A whole scene-change scan of a 720 x 576 MPEG-2 file through the decoder library, as a process, beside
// FFmpeg's own scene detection over the same file decoded on one thread
// (`ffmpeg -threads 1 -i FILE -vf scdet -f null -`), all in turn in one loop: the scan on one worker
// decoding on one thread, on one worker decoding slices on two threads, and on two workers splitting the
// frames. Ratios are FFmpeg's median time over the scan's, wall and processor time.

#include "stream_maker.h"
#include "test_support.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

struct Times {
    double wall = -1, cpu = -1; // seconds; negative when the program failed
};

// Runs a program to its end with its output thrown away. Processor time is quoted beside the wall time:
// on a machine shared with other work it is the steadier measure of a one-thread run.
Times run(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const bool started = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    if (!started || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec * 1e-6; };
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
            seconds(usage.ru_utime) + seconds(usage.ru_stime)};
}

struct Media {
    std::string stream, project;
    Media() {
        mivo::test::StreamSpec spec;
        spec.frames = 750;
        spec.quality = 3;
        spec.cuts = {100, 230, 400, 555, 700};
        stream = mivo::test::makeStream(spec);
        project = mivo::test::scratchFolder("scan_bench") + "/movie.d2v";
        mivo::test::indexProject({stream}, project);
    }
};

double median(std::vector<double> v) {
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

void BM_FullScan(benchmark::State& state) {
    static const Media media;
    // FFmpeg, then the scan on one worker decoding on one thread, on one worker with the slices of each
    // picture on two threads, and on two workers each decoding on one thread.
    const std::vector<std::vector<std::string>> commands = {
        {"ffmpeg", "-threads", "1", "-i", media.stream, "-vf", "scdet", "-f", "null", "-"},
        {MIVO_SCAN_PROBE, MIVO_DECODER_LIBRARY, media.project, "1", "1"},
        {MIVO_SCAN_PROBE, MIVO_DECODER_LIBRARY, media.project, "2", "1"},
        {MIVO_SCAN_PROBE, MIVO_DECODER_LIBRARY, media.project, "1", "2"}};
    std::vector<std::vector<double>> wall(commands.size()), cpu(commands.size());
    for (auto _ : state) {
        for (std::size_t i = 0; i < commands.size(); ++i) {
            const Times t = run(commands[i]);
            if (t.wall < 0) {
                state.SkipWithError("a process failed (is the ffmpeg package installed?)");
                return;
            }
            wall[i].push_back(t.wall);
            cpu[i].push_back(t.cpu);
        }
        state.SetIterationTime(wall[3].back());
    }
    const char* names[] = {"ffmpeg_scdet", "scan_1worker", "scan_slices", "scan_2workers"};
    for (std::size_t i = 0; i < commands.size(); ++i) {
        state.counters[std::string(names[i]) + "_ms"] = median(wall[i]) * 1e3;
        state.counters[std::string(names[i]) + "_cpu_ms"] = median(cpu[i]) * 1e3;
        if (i == 0) continue;
        state.counters[std::string("speed_") + (names[i] + 5)] = median(wall[0]) / median(wall[i]);
        state.counters[std::string("cpu_speed_") + (names[i] + 5)] = median(cpu[0]) / median(cpu[i]);
    }
}

} // namespace

BENCHMARK(BM_FullScan)->Unit(benchmark::kMillisecond)->Iterations(7)->UseManualTime();

BENCHMARK_MAIN();
