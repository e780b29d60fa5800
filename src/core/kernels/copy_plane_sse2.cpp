// 64 bytes per step in four registers; the last bytes below a step through the library's copy.
#include "core/kernels/copy_plane.h"

#include "core/kernels/simd_target.h"

#if defined(MIVO_X86_KERNELS)

#include <cstring>

#include <emmintrin.h>

namespace mivo {

MIVO_TARGET_SSE2 void copyPlaneSse2(const std::uint8_t* source, std::uint8_t* destination, std::size_t n) {
    const std::size_t vectorBytes = n / 64 * 64;
    for (std::size_t i = 0; i < vectorBytes; i += 64) {
        const auto* s = reinterpret_cast<const __m128i*>(source + i);
        auto* d = reinterpret_cast<__m128i*>(destination + i);
        const __m128i r0 = _mm_loadu_si128(s), r1 = _mm_loadu_si128(s + 1);
        const __m128i r2 = _mm_loadu_si128(s + 2), r3 = _mm_loadu_si128(s + 3);
        _mm_storeu_si128(d, r0);
        _mm_storeu_si128(d + 1, r1);
        _mm_storeu_si128(d + 2, r2);
        _mm_storeu_si128(d + 3, r3);
    }
    if (n > vectorBytes) std::memcpy(destination + vectorBytes, source + vectorBytes, n - vectorBytes);
}

} // namespace mivo

#endif
