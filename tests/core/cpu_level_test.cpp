#include "core/cpu_level.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace mivo {
namespace {

TEST(CpuLevel, LastConditionThatHoldsWins) {
    constexpr std::uint32_t mmx = 1u << 23, sse2 = 1u << 26;
    constexpr std::uint32_t sse3 = 1u, ssse3 = 1u << 9, sse41 = 1u << 19, sse42 = 1u << 20;
    EXPECT_EQ(cpuLevelFromFlags(0, 0), 0);
    EXPECT_EQ(cpuLevelFromFlags(mmx, 0), 1);
    EXPECT_EQ(cpuLevelFromFlags(mmx | sse2, 0), 2);
    EXPECT_EQ(cpuLevelFromFlags(mmx, sse3), 3) << "SSE3 without SSE2 still reports 3";
    EXPECT_EQ(cpuLevelFromFlags(mmx | sse2, sse3 | ssse3), 4);
    EXPECT_EQ(cpuLevelFromFlags(mmx | sse2, sse3 | ssse3 | sse41), 5);
    EXPECT_EQ(cpuLevelFromFlags(mmx | sse2, sse3 | ssse3 | sse41 | sse42), 6);
    EXPECT_EQ(processorCountFromText("4"), 4);
    EXPECT_EQ(processorCountFromText(" 2 "), 2);
    EXPECT_EQ(processorCountFromText("two"), 0);
    EXPECT_EQ(processorCountFromText(""), 0);
}

} // namespace
} // namespace mivo
