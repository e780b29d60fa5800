#include "core/kernels/cpu_features.h"

#include <gtest/gtest.h>

namespace {

using mivo::CpuFeatures;
namespace cpu = mivo::cpu;

constexpr std::uint32_t kMmx = 1u << 23, kSse2 = 1u << 26; // leaf 1 edx
constexpr std::uint32_t kSse3 = 1u << 0, kSsse3 = 1u << 9, kSse41 = 1u << 19, kSse42 = 1u << 20;
constexpr std::uint32_t kOsxsave = 1u << 27, kAvx = 1u << 28; // leaf 1 ecx
constexpr std::uint32_t kAvx2 = 1u << 5;                      // leaf 7 ebx

TEST(CpuFeatures, FromCpuidWordsAvx2OnlyWhenTheSystemSavesItsRegisters) {
    constexpr std::uint32_t allLeaf1Ecx = kSse3 | kSsse3 | kSse41 | kSse42 | kOsxsave | kAvx;
    const struct {
        mivo::CpuidWords words;
        CpuFeatures expected;
    } rows[] = {
        {{0, 0, 0, 0}, 0},
        {{0, kMmx, 0, 0}, cpu::mmx},
        {{kSse3, kMmx, 0, 0}, cpu::mmx | cpu::sse3},
        {{allLeaf1Ecx, kMmx | kSse2, kAvx2, 0x7}, cpu::all},
        {{allLeaf1Ecx, kMmx | kSse2, kAvx2, 0x3}, cpu::all & ~cpu::avx2},             // no 256-bit state
        {{allLeaf1Ecx & ~kOsxsave, kMmx | kSse2, kAvx2, 0x7}, cpu::all & ~cpu::avx2}, // system without XSAVE
        {{allLeaf1Ecx & ~kAvx, kMmx | kSse2, kAvx2, 0x7}, cpu::all & ~cpu::avx2},
        {{allLeaf1Ecx, kMmx | kSse2, 0, 0x7}, cpu::all & ~cpu::avx2},
    };
    for (const auto& row : rows)
        EXPECT_EQ(mivo::cpuFeaturesFromCpuid(row.words), row.expected)
            << std::hex << row.words.leaf1Ecx << " " << row.words.leaf1Edx << " " << row.words.xcr0;
}

// A level allows what it implies and nothing the processor lacks; levels past the top keep the top's
// features, and the level read back from a level's features is that level.
TEST(CpuFeatures, LevelAllowsItsSetsWithinTheProcessors) {
    const CpuFeatures implied[] = {0,
                                   cpu::mmx,
                                   cpu::mmx | cpu::sse2,
                                   cpu::mmx | cpu::sse2 | cpu::sse3,
                                   cpu::mmx | cpu::sse2 | cpu::sse3 | cpu::ssse3,
                                   cpu::all & ~(cpu::sse42 | cpu::avx2),
                                   cpu::all};
    for (int level = 0; level <= 6; ++level) {
        EXPECT_EQ(mivo::cpuFeaturesForLevel(level, cpu::all), implied[level]) << level;
        EXPECT_EQ(mivo::cpuFeaturesForLevel(level, cpu::mmx | cpu::sse3),
                  implied[level] & (cpu::mmx | cpu::sse3));
        EXPECT_EQ(mivo::cpuLevelFromFeatures(implied[level]), level);
    }
    EXPECT_EQ(mivo::cpuFeaturesForLevel(-1, cpu::all), 0u);
    EXPECT_EQ(mivo::cpuFeaturesForLevel(7, cpu::all), cpu::all);
    EXPECT_EQ(mivo::cpuFeaturesForLevel(6), mivo::detectedCpuFeatures());
}

} // namespace
