// Packed-to-planar conversion per frame, against a plain copy of the same packed bytes (what the memory
// allows at best). Bytes per second count the packed frame read.
#include "core/kernels/packed_to_planar.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace {

struct Frame {
    int width, height;
    std::vector<std::uint8_t> packed, luma, plane2, plane3, copy;
    Frame(int w, int h)
        : width(w), height(h), packed(static_cast<std::size_t>(2 * w * h)),
          luma(static_cast<std::size_t>(w * h)), plane2(static_cast<std::size_t>(w * h / 4)),
          plane3(static_cast<std::size_t>(w * h / 4)), copy(packed.size()) {
        std::mt19937 rng(5);
        for (auto& b : packed)
            b = static_cast<std::uint8_t>(rng());
    }
};

void run(benchmark::State& state, mivo::PackedToPlanarFn fn) {
    Frame f(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        fn(f.packed.data(), f.width, f.height, f.luma.data(), f.plane2.data(), f.plane3.data());
        benchmark::DoNotOptimize(f.luma.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(f.packed.size()));
}

void BM_Reference(benchmark::State& state) {
    run(state, mivo::packedToPlanarReference);
}
void BM_Mmx(benchmark::State& state) {
    run(state, mivo::packedToPlanarMmx);
}
void BM_Sse2(benchmark::State& state) {
    if (!mivo::packedToPlanarSse2Built()) {
        state.SkipWithError("no SSE2 version on this processor");
        return;
    }
    run(state, mivo::packedToPlanarSse2);
}

void BM_Memcpy(benchmark::State& state) {
    Frame f(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        std::memcpy(f.copy.data(), f.packed.data(), f.packed.size());
        benchmark::DoNotOptimize(f.copy.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(f.packed.size()));
}

#define FRAME_SIZES ->Args({720, 576})->Args({1920, 1080})
BENCHMARK(BM_Reference) FRAME_SIZES;
BENCHMARK(BM_Mmx) FRAME_SIZES;
BENCHMARK(BM_Sse2) FRAME_SIZES;
BENCHMARK(BM_Memcpy) FRAME_SIZES;

} // namespace

BENCHMARK_MAIN();
