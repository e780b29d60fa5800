#include "core/kernels/block_statistics.h"

#include "core/kernels/simd_target.h"

namespace mivo {

BlockStatistics blockStatisticsReference(const std::uint8_t* block, std::ptrdiff_t pitch) {
    std::int32_t sum = 0, squares = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const std::int32_t p = block[y * pitch + x];
            sum += p;
            squares += p * p;
        }
    return {sum, blockActivity(sum, squares)};
}

const KernelFamily<BlockStatisticsFn>& blockStatisticsFamily() {
    // Processors with MMX but not SSE2 use the reference: on 64-bit builds it is the baseline code.
    static constexpr KernelVersion<BlockStatisticsFn> versions[] = {
        {"reference", 0, blockStatisticsReference},
#if defined(MIVO_X86_KERNELS)
        {"sse2", cpu::sse2, blockStatisticsSse2},
        {"avx2", cpu::avx2, blockStatisticsAvx2},
#endif
    };
    static constexpr KernelFamily<BlockStatisticsFn> family{versions};
    return family;
}

} // namespace mivo
