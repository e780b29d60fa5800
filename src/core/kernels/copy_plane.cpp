#include "core/kernels/copy_plane.h"

#include "core/kernels/simd_target.h"

#include <cstring>

namespace mivo {

void copyPlaneReference(const std::uint8_t* source, std::uint8_t* destination, std::size_t n) {
    if (n > 0) std::memcpy(destination, source, n);
}

const KernelFamily<CopyPlaneFn>& copyPlaneFamily() {
    static constexpr KernelVersion<CopyPlaneFn> versions[] = {
        {"reference", 0, copyPlaneReference},
#if defined(MIVO_X86_KERNELS)
        {"sse2", cpu::sse2, copyPlaneSse2},
        {"avx2", cpu::avx2, copyPlaneAvx2},
#endif
    };
    static constexpr KernelFamily<CopyPlaneFn> family{versions};
    return family;
}

} // namespace mivo
