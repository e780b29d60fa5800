// Packed-to-planar conversion per frame, against a plain copy of the same packed bytes (what the memory
// allows at best). Bytes per second count the packed frame read.
#include "core/kernels/packed_to_planar.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
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
        fn(f.packed.data(), 2 * f.width, f.width, f.height, f.luma.data(), f.width, f.plane2.data(),
           f.plane3.data(), f.width / 2);
        benchmark::DoNotOptimize(f.luma.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(f.packed.size()));
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

// Every version the processor runs, by name, beside the copy.
[[maybe_unused]] const int registered = [] {
    for (const auto& version : mivo::packedToPlanarFamily().versions) {
        if ((version.needs & ~mivo::detectedCpuFeatures()) != 0) continue;
        const mivo::PackedToPlanarFn fn = version.fn;
        benchmark::RegisterBenchmark((std::string("BM_") + version.name).c_str(),
                                     [fn](benchmark::State& state) { run(state, fn); })
            ->Args({720, 576})
            ->Args({1920, 1080});
    }
    return 0;
}();
BENCHMARK(BM_Memcpy)->Args({720, 576})->Args({1920, 1080});

} // namespace

BENCHMARK_MAIN();
