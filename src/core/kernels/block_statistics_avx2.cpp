// Two lines of 16 pixels per step in the two halves of a 256-bit register; otherwise as the SSE2 version.
#include "core/kernels/block_statistics.h"

#include "core/kernels/simd_target.h"

#if defined(MIVO_X86_KERNELS)

#include <immintrin.h>

namespace mivo {

MIVO_TARGET_AVX2 BlockStatistics blockStatisticsAvx2(const std::uint8_t* block, std::ptrdiff_t pitch) {
    const __m256i zero = _mm256_setzero_si256();
    __m256i sums = zero, squares = zero;
    MIVO_UNROLL(4)
    for (int y = 0; y < 16; y += 2) {
        const __m128i top = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + y * pitch));
        const __m128i bottom = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + (y + 1) * pitch));
        const __m256i lines = _mm256_inserti128_si256(_mm256_castsi128_si256(top), bottom, 1);
        sums = _mm256_add_epi32(sums, _mm256_sad_epu8(lines, zero));
        const __m256i low = _mm256_unpacklo_epi8(lines, zero), high = _mm256_unpackhi_epi8(lines, zero);
        squares = _mm256_add_epi32(
            squares, _mm256_add_epi32(_mm256_madd_epi16(low, low), _mm256_madd_epi16(high, high)));
    }
    __m128i s = _mm_add_epi32(_mm256_castsi256_si128(sums), _mm256_extracti128_si256(sums, 1));
    __m128i q = _mm_add_epi32(_mm256_castsi256_si128(squares), _mm256_extracti128_si256(squares, 1));
    q = _mm_add_epi32(q, _mm_shuffle_epi32(q, _MM_SHUFFLE(1, 0, 3, 2)));
    q = _mm_add_epi32(q, _mm_shuffle_epi32(q, _MM_SHUFFLE(2, 3, 0, 1)));
    const std::int32_t sum = _mm_cvtsi128_si32(_mm_add_epi32(s, _mm_unpackhi_epi64(s, s)));
    return {sum, blockActivity(sum, _mm_cvtsi128_si32(q))};
}

} // namespace mivo

#endif
