// The 128-bit version: two 8-pixel groups (32 packed bytes) of both lines of a pair per step, and a last
// odd group on its own. pavgb rounds up exactly like the reference's (a + b + 1) >> 1.
#include "core/kernels/packed_to_planar.h"

#include "core/kernels/packed_to_planar_pairs.h"
#include "core/kernels/simd_target.h"

#if defined(MIVO_X86_KERNELS)

#include <cstring>

#include <emmintrin.h>

namespace mivo {

MIVO_TARGET_SSE2 void packedToPlanarSse2(const std::uint8_t* packed, std::ptrdiff_t packedPitch, int width,
                                         int height, std::uint8_t* luma, std::ptrdiff_t lumaPitch,
                                         std::uint8_t* plane2, std::uint8_t* plane3,
                                         std::ptrdiff_t chromaPitch) {
    if (width <= 0 || height <= 0) return;
    const std::size_t groups = static_cast<std::size_t>(width) / 8;
    const __m128i lowBytes = _mm_set1_epi16(0x00FF);
    const __m128i zero = _mm_setzero_si128();
    for (std::ptrdiff_t k = 0; k < height / 2; ++k) {
        const auto [top, bottom, lumaTop, lumaBottom, u, v] =
            packed_to_planar::linePair(packed, packedPitch, luma, lumaPitch, plane2, plane3, chromaPitch, k);
        std::size_t g = 0;
        for (; g + 2 <= groups; g += 2) {
            const __m128i a0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(top + 16 * g));
            const __m128i a1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(top + 16 * g + 16));
            const __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bottom + 16 * g));
            const __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bottom + 16 * g + 16));

            const __m128i yTop = _mm_packus_epi16(_mm_and_si128(a0, lowBytes), _mm_and_si128(a1, lowBytes));
            const __m128i yBottom =
                _mm_packus_epi16(_mm_and_si128(b0, lowBytes), _mm_and_si128(b1, lowBytes));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(lumaTop + 8 * g), yTop);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(lumaBottom + 8 * g), yBottom);

            // U V U V ... of each line, averaged, then split into the U half and the V half.
            const __m128i cTop = _mm_packus_epi16(_mm_srli_epi16(a0, 8), _mm_srli_epi16(a1, 8));
            const __m128i cBottom = _mm_packus_epi16(_mm_srli_epi16(b0, 8), _mm_srli_epi16(b1, 8));
            const __m128i avg = _mm_avg_epu8(cTop, cBottom);
            const __m128i uv = _mm_packus_epi16(_mm_and_si128(avg, lowBytes), _mm_srli_epi16(avg, 8));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(u + 4 * g), uv);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(v + 4 * g), _mm_unpackhi_epi64(uv, uv));
        }
        if (g < groups) {
            // A last single group: the same steps on 16 packed bytes a line, half of each result used.
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(top + 16 * g));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bottom + 16 * g));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(lumaTop + 8 * g),
                             _mm_packus_epi16(_mm_and_si128(a, lowBytes), zero));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(lumaBottom + 8 * g),
                             _mm_packus_epi16(_mm_and_si128(b, lowBytes), zero));
            const __m128i avg = _mm_avg_epu8(_mm_packus_epi16(_mm_srli_epi16(a, 8), zero),
                                             _mm_packus_epi16(_mm_srli_epi16(b, 8), zero));
            const __m128i uv = _mm_packus_epi16(_mm_and_si128(avg, lowBytes), _mm_srli_epi16(avg, 8));
            const int uBytes = _mm_cvtsi128_si32(uv);
            const int vBytes = _mm_cvtsi128_si32(_mm_srli_si128(uv, 8));
            std::memcpy(u + 4 * g, &uBytes, 4);
            std::memcpy(v + 4 * g, &vBytes, 4);
        }
    }
}

} // namespace mivo

#endif
