#include "core/kernels/plane_sad.h"

#include "core/kernels/simd_target.h"

#include <cstdlib>

namespace mivo {

std::uint64_t planeSadReference(const std::uint8_t* a, const std::uint8_t* b, std::size_t n) {
    const std::size_t counted = n / kPlaneSadChunk * kPlaneSadChunk;
    std::uint64_t sad = 0;
    for (std::size_t i = 0; i < counted; ++i)
        sad += static_cast<std::uint64_t>(std::abs(a[i] - b[i]));
    return sad;
}

const KernelFamily<PlaneSadFn>& planeSadFamily() {
    // Processors with MMX but not SSE2 use the reference: on 64-bit builds it is the baseline code.
    static constexpr KernelVersion<PlaneSadFn> versions[] = {
        {"reference", 0, planeSadReference},
#if defined(MIVO_X86_KERNELS)
        {"sse2", cpu::sse2, planeSadSse2},
        {"avx2", cpu::avx2, planeSadAvx2},
#endif
    };
    static constexpr KernelFamily<PlaneSadFn> family{versions};
    return family;
}

} // namespace mivo
