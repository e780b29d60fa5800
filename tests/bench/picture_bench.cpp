// The preview's colour conversion of one 720 x 576 frame beside libswscale's yuv420p -> bgr24 conversion
// of the same planes and a plain copy of the bytes the conversion writes. Each benchmark times its
// version and both yardsticks in turn within one loop, so all three see the same machine load; the
// counters are the medians over the iterations and their ratios.
#include "core/kernels/yuv_to_bgr.h"

extern "C" {
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr int kWidth = 720;
constexpr int kHeight = 576;

struct Frame {
    std::vector<std::uint8_t> luma, cb, cr, out, copy;
    Frame()
        : luma(kWidth * kHeight), cb(kWidth * kHeight / 4), cr(kWidth * kHeight / 4),
          out(3 * kWidth * kHeight), copy(out.size()) {
        std::mt19937 rng(11);
        for (auto* plane : {&luma, &cb, &cr})
            for (auto& b : *plane)
                b = static_cast<std::uint8_t>(rng());
    }
};

double median(std::vector<double>& v) {
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

template <class F> double secondsOf(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void compare(benchmark::State& state, mivo::YuvToBgrFn convert) {
    Frame f;
    SwsContext* sws = sws_getContext(kWidth, kHeight, AV_PIX_FMT_YUV420P, kWidth, kHeight, AV_PIX_FMT_BGR24,
                                     SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!sws) {
        state.SkipWithError("libswscale has no yuv420p -> bgr24 context");
        return;
    }
    const mivo::YuvPlanes planes{f.luma.data(), f.cb.data(), f.cr.data(), kWidth, kHeight};
    const std::uint8_t* const source[3] = {f.luma.data(), f.cb.data(), f.cr.data()};
    const int sourceStride[3] = {kWidth, kWidth / 2, kWidth / 2};
    std::uint8_t* const target[1] = {f.copy.data()};
    const int targetStride[1] = {3 * kWidth};
    std::vector<double> ours, theirs, copies;
    for (auto _ : state) {
        const double t = secondsOf([&] { convert(planes, f.out.data(), 3 * kWidth); });
        benchmark::DoNotOptimize(f.out.data());
        benchmark::ClobberMemory();
        theirs.push_back(
            secondsOf([&] { sws_scale(sws, source, sourceStride, 0, kHeight, target, targetStride); }));
        benchmark::ClobberMemory();
        copies.push_back(secondsOf([&] { std::memcpy(f.copy.data(), f.out.data(), f.out.size()); }));
        benchmark::DoNotOptimize(f.copy.data());
        benchmark::ClobberMemory();
        ours.push_back(t);
        state.SetIterationTime(t);
    }
    sws_freeContext(sws);
    const double o = median(ours), s = median(theirs), c = median(copies);
    state.counters["ours_us"] = o * 1e6;
    state.counters["swscale_us"] = s * 1e6;
    state.counters["memcpy_us"] = c * 1e6;
    state.counters["vs_swscale"] = o / s;
    state.counters["vs_memcpy"] = o / c;
}

// Each version of the table, skipped where this processor lacks what it needs.
void BM_Version(benchmark::State& state) {
    const auto& version = mivo::yuvToBgrFamily().versions[static_cast<std::size_t>(state.range(0))];
    state.SetLabel(version.name);
    if ((version.needs & ~mivo::detectedCpuFeatures()) != 0) {
        state.SkipWithError("this processor cannot run that version");
        return;
    }
    compare(state, version.fn);
}
// The version the program uses at the top processor level.
void BM_Chosen(benchmark::State& state) {
    state.SetLabel(mivo::yuvToBgrFamily().chooseVersion(mivo::cpuFeaturesForLevel(6)).name);
    compare(state, mivo::yuvToBgrFor(6));
}

BENCHMARK(BM_Version)
    ->DenseRange(0, static_cast<int>(mivo::yuvToBgrFamily().versions.size()) - 1)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Chosen)->UseManualTime()->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
