// Start-up time: the program from process start until its main window is shown and it quits, beside a
// minimal Qt program that shows one empty window. Both run on the offscreen platform in a fresh,
// empty program folder copy, so neither pays for a display server.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <spawn.h>
#include <string>
#include <sys/wait.h>

extern char** environ;

namespace {

void runOnce(benchmark::State& state, const char* program) {
    char* argv[] = {const_cast<char*>(program), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, program, nullptr, nullptr, argv, environ) != 0) {
        state.SkipWithError("cannot start the program");
        return;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("the program failed");
}

void BM_ProgramStartup(benchmark::State& state) {
    for (auto _ : state)
        runOnce(state, MIVO_STARTUP_PROBE);
}
void BM_MinimalQtWindow(benchmark::State& state) {
    for (auto _ : state)
        runOnce(state, MIVO_MINIMAL_WINDOW);
}

} // namespace

BENCHMARK(BM_MinimalQtWindow)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_ProgramStartup)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
