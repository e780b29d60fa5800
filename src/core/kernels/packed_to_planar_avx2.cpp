// The 256-bit version: four 8-pixel groups (64 packed bytes) of both lines of a pair per step; the last
// one to three groups of a line go the plain way. The 256-bit packs work within 128-bit halves, so each
// packed result has its quarters in the order 0 2 1 3 and one cross-half permute puts them right.
#include "core/kernels/packed_to_planar.h"

#include "core/kernels/packed_to_planar_pairs.h"
#include "core/kernels/simd_target.h"

#if defined(MIVO_X86_KERNELS)

#include <immintrin.h>

namespace mivo {

namespace {

constexpr int kQuartersInOrder = 0xD8; // 64-bit quarters 0 2 1 3

MIVO_TARGET_AVX2 inline __m256i load256(const std::uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// The even bytes (luma) of 64 packed bytes, in order.
MIVO_TARGET_AVX2 inline __m256i evenBytes(__m256i a0, __m256i a1, __m256i lowBytes) {
    return _mm256_permute4x64_epi64(
        _mm256_packus_epi16(_mm256_and_si256(a0, lowBytes), _mm256_and_si256(a1, lowBytes)),
        kQuartersInOrder);
}

// The odd bytes (U V U V ...) of 64 packed bytes, in order.
MIVO_TARGET_AVX2 inline __m256i oddBytes(__m256i a0, __m256i a1) {
    return _mm256_permute4x64_epi64(_mm256_packus_epi16(_mm256_srli_epi16(a0, 8), _mm256_srli_epi16(a1, 8)),
                                    kQuartersInOrder);
}

} // namespace

MIVO_TARGET_AVX2 void packedToPlanarAvx2(const std::uint8_t* packed, std::ptrdiff_t packedPitch, int width,
                                         int height, std::uint8_t* luma, std::ptrdiff_t lumaPitch,
                                         std::uint8_t* plane2, std::uint8_t* plane3,
                                         std::ptrdiff_t chromaPitch) {
    if (width <= 0 || height <= 0) return;
    const std::ptrdiff_t pixels = width / 8 * 8;
    const std::ptrdiff_t vectorPixels = width / 32 * 32;
    const __m256i lowBytes = _mm256_set1_epi16(0x00FF);
    for (std::ptrdiff_t k = 0; k < height / 2; ++k) {
        const packed_to_planar::LinePair p =
            packed_to_planar::linePair(packed, packedPitch, luma, lumaPitch, plane2, plane3, chromaPitch, k);
        for (std::ptrdiff_t x = 0; x < vectorPixels; x += 32) {
            const __m256i a0 = load256(p.top + 2 * x), a1 = load256(p.top + 2 * x + 32);
            const __m256i b0 = load256(p.bottom + 2 * x), b1 = load256(p.bottom + 2 * x + 32);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(p.lumaTop + x), evenBytes(a0, a1, lowBytes));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(p.lumaBottom + x), evenBytes(b0, b1, lowBytes));
            // Averaged U V pairs, split into 16 U bytes in the low half and 16 V bytes in the high one.
            const __m256i avg = _mm256_avg_epu8(oddBytes(a0, a1), oddBytes(b0, b1));
            const __m256i uv = evenBytes(avg, _mm256_srli_epi16(avg, 8), lowBytes);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(p.u + x / 2), _mm256_castsi256_si128(uv));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(p.v + x / 2), _mm256_extracti128_si256(uv, 1));
        }
        packed_to_planar::convertPixels(p, vectorPixels, pixels);
    }
}

} // namespace mivo

#endif
