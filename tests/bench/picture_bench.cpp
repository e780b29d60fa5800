// The preview's colour conversion of one 720 x 576 frame beside libswscale's yuv420p -> bgr24 conversion
// of the same planes and a plain copy of the bytes the conversion writes. Each benchmark times its
// version and both yardsticks in turn within one loop, so all three see the same machine load; the
// counters are the medians over the iterations and their ratios.
#include "core/picture/yuv_to_bgr.h"

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

void compare(benchmark::State& state, mivo::picture::YuvToBgrFn convert) {
    Frame f;
    SwsContext* sws = sws_getContext(kWidth, kHeight, AV_PIX_FMT_YUV420P, kWidth, kHeight, AV_PIX_FMT_BGR24,
                                     SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!sws) {
        state.SkipWithError("libswscale has no yuv420p -> bgr24 context");
        return;
    }
    const mivo::picture::YuvPlanes planes{f.luma.data(), f.cb.data(), f.cr.data(), kWidth, kHeight};
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

void BM_Reference(benchmark::State& state) {
    compare(state, mivo::picture::yuvToBgrReference);
}
void BM_Sse2(benchmark::State& state) {
    if (!mivo::picture::yuvToBgrSse2Built()) {
        state.SkipWithError("no SSE2 version on this processor");
        return;
    }
    compare(state, mivo::picture::yuvToBgrSse2);
}
void BM_Avx2(benchmark::State& state) {
    if (!mivo::picture::yuvToBgrAvx2Built() || !__builtin_cpu_supports("avx2")) {
        state.SkipWithError("no AVX2 version on this processor");
        return;
    }
    compare(state, mivo::picture::yuvToBgrAvx2);
}
void BM_Best(benchmark::State& state) {
    compare(state, mivo::picture::yuvToBgrBest());
}

BENCHMARK(BM_Reference)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Sse2)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Avx2)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Best)->UseManualTime()->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
