// The list files and tables at their full sizes, each beside its practical limit in the same run:
// - importing a plain chapter file of 640000 frames beside reading the same integers from the same file
//   with std::from_chars;
// - the list box's visible lines of that list (model/view asks for those only);
// - rebuilding the 640001-frame pan-scan table from 6400 positions beside filling the same bytes.
// The side-by-side benchmarks time both halves alternately in every iteration and report the medians
// and their ratio as counters.

#include "base/whole_file.h"
#include "core/lists/chapter_file.h"
#include "core/lists/chapter_list.h"
#include "core/lists/panscan_list.h"
#include "core/settings/settings.h"
#include "core/source_state.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace mivo;

struct Record {
    SourceState source;
    std::unique_ptr<Settings> s = std::make_unique<Settings>(source);
};

// A plain chapter file of 640000 ascending frames, one a line, written once.
const std::string& plainChapterFile() {
    static const std::string path = [] {
        const auto dir = std::filesystem::temp_directory_path() / "mivo_lists_bench";
        std::filesystem::create_directories(dir);
        std::string text;
        for (int i = 0; i < kChapterCapacity; ++i)
            text += std::to_string(7 * i) + "\r\n";
        const std::string p = (dir / "chapters.txt").string();
        if (!writeWholeFile(p, text)) std::abort();
        return p;
    }();
    return path;
}

// The practical limit: the file into memory, every run of digits through from_chars.
std::size_t fromCharsRead(const std::string& path, std::vector<int>& values) {
    std::string text;
    if (!readWholeFile(path, text)) std::abort();
    const char* p = text.data();
    const char* end = p + text.size();
    std::size_t n = 0;
    while (p < end) {
        if (*p < '0' || *p > '9') {
            ++p;
            continue;
        }
        const auto r = std::from_chars(p, end, values[n < values.size() ? n : 0]);
        ++n;
        p = r.ptr;
    }
    return n;
}

double median(std::vector<double> v) {
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

// Thread CPU time where the system has it: the machine these figures come from is shared, and its other
// work would otherwise land in whichever half it interrupts.
double nowMillis() {
#if defined(CLOCK_THREAD_CPUTIME_ID)
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
#else
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
#endif
}

template <class F> double millis(F&& f) {
    const double start = nowMillis();
    f();
    return nowMillis() - start;
}

void reportSideBySide(benchmark::State& state, const char* a, const std::vector<double>& ta, const char* b,
                      const std::vector<double>& tb) {
    const double ma = median(ta), mb = median(tb);
    state.counters[std::string(a) + "_ms"] = ma;
    state.counters[std::string(b) + "_ms"] = mb;
    state.counters["ratio"] = ma / mb;
}

void BM_ChapterImportBesideFromChars(benchmark::State& state) {
    const std::string& path = plainChapterFile();
    Record r;
    const lists::ChapterSource source{kChapterCapacity * 7, 25.0};
    std::vector<int> values(kChapterCapacity);
    std::vector<double> importTimes, fromCharsTimes;
    for (auto _ : state) {
        importTimes.push_back(millis([&] {
            if (!lists::importChapterFile(*r.s, path, source).ok) state.SkipWithError("import failed");
        }));
        fromCharsTimes.push_back(millis([&] { benchmark::DoNotOptimize(fromCharsRead(path, values)); }));
    }
    if (r.s->chapterCount != kChapterCapacity) state.SkipWithError("the file did not read whole");
    reportSideBySide(state, "import", importTimes, "from_chars", fromCharsTimes);
}
BENCHMARK(BM_ChapterImportBesideFromChars)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// What the list box asks for when it shows 30 lines somewhere in a full list.
void BM_VisibleChapterLines(benchmark::State& state) {
    Record r;
    if (!lists::importChapterFile(*r.s, plainChapterFile(), {kChapterCapacity * 7, 25.0}).ok) std::abort();
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> top(0, kChapterCapacity - 30);
    for (auto _ : state) {
        const int first = top(rng);
        for (int i = first; i < first + 30; ++i)
            benchmark::DoNotOptimize(lists::chapterLine(*r.s, i));
    }
}
BENCHMARK(BM_VisibleChapterLines)->Unit(benchmark::kMicrosecond);

void BM_FrameOffsetRebuildBesideFill(benchmark::State& state) {
    Record r;
    lists::FrameOffsets offsets(lists::kFrameOffsetCount);
    for (int i = 0; i < kPanScanCapacity; ++i)
        r.s->panScanFrames[static_cast<std::size_t>(i)] = 100 * i;
    for (int i = 0; i < kPanScanCapacity; ++i)
        r.s->panScanOffsets[static_cast<std::size_t>(i)] = 16 * (i % 181 - 90);
    r.s->panScanCount = kPanScanCapacity;
    std::vector<double> rebuildTimes, fillTimes;
    const int frames = static_cast<int>(lists::kFrameOffsetCount);
    for (auto _ : state) {
        rebuildTimes.push_back(millis([&] { lists::rebuildFrameOffsets(*r.s, offsets, frames); }));
        benchmark::DoNotOptimize(offsets.data());
        fillTimes.push_back(millis([&] { std::fill(offsets.begin(), offsets.end(), std::int16_t{3}); }));
        benchmark::DoNotOptimize(offsets.data());
    }
    reportSideBySide(state, "rebuild", rebuildTimes, "fill", fillTimes);
}
BENCHMARK(BM_FrameOffsetRebuildBesideFill)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
