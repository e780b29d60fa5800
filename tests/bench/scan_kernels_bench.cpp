// The scan's kernels side by side with what they are measured against, in one run: each benchmark runs
// its candidate and its baseline alternately, times each on its own, and reports both medians and their
// ratio (the reported time is the candidate's).
//
// - blockStatistics over every block plus planeSad over the three planes, each vector version against
//   the reference (speed-up, to be at least 4 at 720 x 576);
// - the per-frame work of the scan at 1920 x 1080 (copy of the three planes, then the detector's frame)
//   against reading the same bytes: a memcpy of the copied planes and a plain sum over the planes the
//   analysis reads (to be within 1.5); the analysis alone against the plain sum alone;
// - packed-to-planar and copyPlane, each version against the reference and against a memcpy.
#include "core/kernels/block_statistics.h"
#include "core/kernels/copy_plane.h"
#include "core/kernels/packed_to_planar.h"
#include "core/kernels/plane_sad.h"
#include "core/scan/scene_detector.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// The calling thread's processor time: other work on a shared machine does not count against either side.
double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// ratio = baseline / candidate when `speedUp`, candidate / baseline otherwise.
void sideBySide(benchmark::State& state, const std::function<void()>& candidate,
                const std::function<void()>& baseline, bool speedUp) {
    std::vector<double> a, b;
    const auto timed = [](const std::function<void()>& f) {
        const double t0 = threadSeconds();
        f();
        benchmark::ClobberMemory();
        return threadSeconds() - t0;
    };
    bool candidateFirst = true;
    for (auto _ : state) {
        // Alternate which goes first, so neither always finds the other's data in the cache.
        const double first = timed(candidateFirst ? candidate : baseline);
        const double second = timed(candidateFirst ? baseline : candidate);
        a.push_back(candidateFirst ? first : second);
        b.push_back(candidateFirst ? second : first);
        state.SetIterationTime(a.back());
        candidateFirst = !candidateFirst;
    }
    const double ma = median(a), mb = median(b);
    state.counters["candidate_us"] = ma * 1e6;
    state.counters["baseline_us"] = mb * 1e6;
    state.counters[speedUp ? "speed_up" : "ratio"] = speedUp ? mb / ma : ma / mb;
}

Bytes randomBytes(std::size_t n, std::uint32_t seed) {
    Bytes b(n);
    std::mt19937 rng(seed);
    for (auto& x : b)
        x = static_cast<std::uint8_t>(rng());
    return b;
}

struct Planes {
    Bytes y, u, v;
    Planes(int w, int h, std::uint32_t seed)
        : y(randomBytes(static_cast<std::size_t>(w) * h, seed)),
          u(randomBytes(static_cast<std::size_t>(w / 2) * (h / 2), seed + 1)),
          v(randomBytes(static_cast<std::size_t>(w / 2) * (h / 2), seed + 2)) {}
    mivo::PlanarFrame view() const { return {y.data(), u.data(), v.data()}; }
};

// blockStatistics over every whole block and planeSad over the three planes: the kernels of one frame.
std::int64_t blocksAndSad(mivo::BlockStatisticsFn stats, mivo::PlaneSadFn sad, const Planes& cur,
                          const Planes& prev, int w, int h) {
    std::int64_t total = 0;
    for (int y = 0; y + 16 <= h; y += 16)
        for (int x = 0; x + 16 <= w; x += 16) {
            const mivo::BlockStatistics s = stats(cur.y.data() + static_cast<std::ptrdiff_t>(y) * w + x, w);
            total += s.sum + s.activity;
        }
    total += static_cast<std::int64_t>(sad(cur.y.data(), prev.y.data(), cur.y.size()) +
                                       sad(cur.u.data(), prev.u.data(), cur.u.size()) +
                                       sad(cur.v.data(), prev.v.data(), cur.v.size()));
    return total;
}

void registerBlocksAndSad(const mivo::KernelVersion<mivo::BlockStatisticsFn>& stats,
                          const mivo::KernelVersion<mivo::PlaneSadFn>& sad, int w, int h) {
    const std::string name = std::string("BM_BlockStatisticsAndSad/") + stats.name + "_vs_reference/" +
                             std::to_string(w) + "x" + std::to_string(h);
    benchmark::RegisterBenchmark(name.c_str(), [&stats, &sad, w, h](benchmark::State& state) {
        const Planes cur(w, h, 1), prev(w, h, 7);
        sideBySide(
            state, [&] { benchmark::DoNotOptimize(blocksAndSad(stats.fn, sad.fn, cur, prev, w, h)); },
            [&] {
                benchmark::DoNotOptimize(
                    blocksAndSad(mivo::blockStatisticsReference, mivo::planeSadReference, cur, prev, w, h));
            },
            true);
    })->UseManualTime();
}

// A plain sum over bytes: reading them, and nothing more. 32-bit sums over runs of 64 KiB cannot overflow
// and let the compiler widen the bytes four to a lane.
std::uint64_t plainSum(const Bytes& b) {
    std::uint64_t s = 0;
    for (std::size_t start = 0; start < b.size(); start += 65536) {
        std::uint32_t run = 0;
        const std::size_t end = std::min(b.size(), start + 65536);
        for (std::size_t i = start; i < end; ++i)
            run += b[i];
        s += run;
    }
    return s;
}

// The scan's per-frame work at 1920 x 1080 with the processor's best kernels. A pool of decoded frames
// stands for the decoder; each step copies frame k to the previous-frame planes and analyses frame k + 1.
// The baseline does the same copy with memcpy and then reads the analysed planes: a plain sum over them
// (baseline 0), or a memcpy of them into a scratch frame (baseline 1).
void BM_ScanFrame(benchmark::State& state) {
    const int w = 1920, h = 1080;
    const bool withCopy = state.range(0) != 0, readByCopy = state.range(1) != 0;
    std::vector<Planes> pool;
    for (std::uint32_t i = 0; i < 4; ++i)
        pool.emplace_back(w, h, 10 * i);
    Planes previous(w, h, 99), scratch(w, h, 98), scratch2(w, h, 97);
    const mivo::CpuFeatures best = mivo::detectedCpuFeatures();
    const mivo::CopyPlaneFn copy = mivo::copyPlaneFamily().choose(best);
    mivo::SceneDetector detector(best);
    detector.start(w, h);
    int n = 0;
    std::size_t k = 0;
    const auto copyPlanes = [](const Planes& from, Planes& to, mivo::CopyPlaneFn fn) {
        fn(from.y.data(), to.y.data(), from.y.size());
        fn(from.u.data(), to.u.data(), from.u.size());
        fn(from.v.data(), to.v.data(), from.v.size());
    };
    sideBySide(
        state,
        [&] {
            if (withCopy) copyPlanes(pool[k % pool.size()], previous, copy);
            benchmark::DoNotOptimize(
                detector.frame(++n, pool[(k + 1) % pool.size()].view(), previous.view()));
        },
        [&] {
            if (withCopy) copyPlanes(pool[k % pool.size()], previous, mivo::copyPlaneReference);
            const Planes& cur = pool[(k + 1) % pool.size()];
            if (readByCopy) {
                copyPlanes(cur, scratch, mivo::copyPlaneReference);
                copyPlanes(previous, scratch2, mivo::copyPlaneReference);
                benchmark::DoNotOptimize(scratch2.y.data());
            } else {
                benchmark::DoNotOptimize(plainSum(cur.y) + plainSum(cur.u) + plainSum(cur.v) +
                                         plainSum(previous.y) + plainSum(previous.u) + plainSum(previous.v));
            }
            ++k;
        },
        false);
}
BENCHMARK(BM_ScanFrame)
    ->ArgNames({"with_copy", "read_by_memcpy"})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Args({0, 0})
    ->Args({0, 1})
    ->UseManualTime();

// Packed-to-planar: each version against the reference, and against a memcpy of the packed frame.
void registerPackedToPlanar(const mivo::KernelVersion<mivo::PackedToPlanarFn>& v, int w, int h,
                            bool againstCopy) {
    const std::string name = std::string("BM_PackedToPlanar/") + v.name +
                             (againstCopy ? "_vs_memcpy/" : "_vs_reference/") + std::to_string(w) + "x" +
                             std::to_string(h);
    benchmark::RegisterBenchmark(name.c_str(), [&v, w, h, againstCopy](benchmark::State& state) {
        const Bytes packed = randomBytes(static_cast<std::size_t>(2 * w * h), 5);
        Bytes copy(packed.size()), y(static_cast<std::size_t>(w * h)), u(y.size() / 4), vv(y.size() / 4);
        const auto convert = [&](mivo::PackedToPlanarFn fn) {
            fn(packed.data(), 2 * w, w, h, y.data(), w, u.data(), vv.data(), w / 2);
            benchmark::DoNotOptimize(y.data());
        };
        sideBySide(
            state, [&] { convert(v.fn); },
            [&] {
                if (againstCopy) {
                    std::memcpy(copy.data(), packed.data(), packed.size());
                    benchmark::DoNotOptimize(copy.data());
                } else {
                    convert(mivo::packedToPlanarReference);
                }
            },
            !againstCopy);
    })->UseManualTime();
}

// copyPlane: each version against the library's memcpy, on a frame's luma plane.
void registerCopyPlane(const mivo::KernelVersion<mivo::CopyPlaneFn>& v, int w, int h) {
    const std::string name =
        std::string("BM_CopyPlane/") + v.name + "_vs_memcpy/" + std::to_string(w) + "x" + std::to_string(h);
    benchmark::RegisterBenchmark(name.c_str(), [&v, w, h](benchmark::State& state) {
        const Bytes source = randomBytes(static_cast<std::size_t>(w * h), 3);
        Bytes destination(source.size());
        sideBySide(
            state,
            [&] {
                v.fn(source.data(), destination.data(), source.size());
                benchmark::DoNotOptimize(destination.data());
            },
            [&] {
                std::memcpy(destination.data(), source.data(), source.size());
                benchmark::DoNotOptimize(destination.data());
            },
            false);
    })->UseManualTime();
}

bool runs(mivo::CpuFeatures needs) {
    return (needs & ~mivo::detectedCpuFeatures()) == 0;
}

[[maybe_unused]] const int registered = [] {
    const auto& stats = mivo::blockStatisticsFamily().versions;
    const auto& sad = mivo::planeSadFamily().versions;
    for (std::size_t i = 1; i < stats.size(); ++i)
        if (runs(stats[i].needs) && runs(sad[i].needs) && std::string(stats[i].name) == sad[i].name)
            for (const auto& size : {std::pair{720, 576}, std::pair{1920, 1080}})
                registerBlocksAndSad(stats[i], sad[i], size.first, size.second);
    const auto& packed = mivo::packedToPlanarFamily().versions;
    for (std::size_t i = 0; i < packed.size(); ++i)
        if (runs(packed[i].needs))
            for (const auto& size : {std::pair{720, 576}, std::pair{1920, 1080}})
                for (const bool againstCopy : {false, true})
                    if (i > 0 || againstCopy)
                        registerPackedToPlanar(packed[i], size.first, size.second, againstCopy);
    // The reference is the library's memcpy itself.
    const auto& copies = mivo::copyPlaneFamily().versions;
    for (std::size_t i = 1; i < copies.size(); ++i)
        if (runs(copies[i].needs)) registerCopyPlane(copies[i], 1920, 1080);
    return 0;
}();

} // namespace

BENCHMARK_MAIN();
