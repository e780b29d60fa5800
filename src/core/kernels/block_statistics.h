#pragma once
// The statistics of one 16 x 16 luma block that the scene-change scan compares from frame to frame: S,
// the sum of its 256 pixels, and A, its activity: the sum of the squares of the pixels minus (S >> 4)
// squared. Both fit 32 bits (at most 65280 and 16646400), and A is never negative.

#include "core/kernels/kernel_family.h"
#include "core/kernels/simd_target.h"

#include <cstddef>
#include <cstdint>

namespace mivo {

struct BlockStatistics {
    std::int32_t sum;
    std::int32_t activity;
};

// block: the top-left pixel; pitch: bytes from one line of the plane to the next.
using BlockStatisticsFn = BlockStatistics (*)(const std::uint8_t* block, std::ptrdiff_t pitch);

BlockStatistics blockStatisticsReference(const std::uint8_t* block, std::ptrdiff_t pitch);
#if defined(MIVO_X86_KERNELS)
BlockStatistics blockStatisticsSse2(const std::uint8_t* block, std::ptrdiff_t pitch);
BlockStatistics blockStatisticsAvx2(const std::uint8_t* block, std::ptrdiff_t pitch);
#endif

const KernelFamily<BlockStatisticsFn>& blockStatisticsFamily();

// Activity from the block's sum and sum of squares, shared by every version.
constexpr std::int32_t blockActivity(std::int32_t sum, std::int32_t sumOfSquares) {
    return sumOfSquares - (sum >> 4) * (sum >> 4);
}

} // namespace mivo
