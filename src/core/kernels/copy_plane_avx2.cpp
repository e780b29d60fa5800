// 128 bytes per step in four registers; the last bytes below a step through the library's copy.
#include "core/kernels/copy_plane.h"

#include "core/kernels/simd_target.h"

#if defined(MIVO_X86_KERNELS)

#include <cstring>

#include <immintrin.h>

namespace mivo {

MIVO_TARGET_AVX2 void copyPlaneAvx2(const std::uint8_t* source, std::uint8_t* destination, std::size_t n) {
    const std::size_t vectorBytes = n / 128 * 128;
    for (std::size_t i = 0; i < vectorBytes; i += 128) {
        const auto* s = reinterpret_cast<const __m256i*>(source + i);
        auto* d = reinterpret_cast<__m256i*>(destination + i);
        const __m256i r0 = _mm256_loadu_si256(s), r1 = _mm256_loadu_si256(s + 1);
        const __m256i r2 = _mm256_loadu_si256(s + 2), r3 = _mm256_loadu_si256(s + 3);
        _mm256_storeu_si256(d, r0);
        _mm256_storeu_si256(d + 1, r1);
        _mm256_storeu_si256(d + 2, r2);
        _mm256_storeu_si256(d + 3, r3);
    }
    if (n > vectorBytes) std::memcpy(destination + vectorBytes, source + vectorBytes, n - vectorBytes);
}

} // namespace mivo

#endif
