#pragma once
// The processor's SIMD level from the feature flags of cpuid leaf 1.

#include <cstdint>
#include <optional>
#include <string_view>

namespace mivo {

// 0 no MMX, 1 MMX, 2 SSE2, 3 SSE3, 4 SSSE3, 5 SSE4.1, 6 SSE4.2. The levels are tested in that order and
// the last one present wins, so SSE3 without SSE2 still gives 3.
int cpuLevelFromFlags(std::uint32_t edx, std::uint32_t ecx);

// The value of NUMBER_OF_PROCESSORS: its first 20 characters read as an integer, 0 when unreadable.
int processorCountFromText(std::string_view text);

} // namespace mivo
