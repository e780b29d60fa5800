// One line of 16 pixels per step: psadbw against zero sums the line, pmaddwd of the widened pixels with
// themselves sums the squares in pairs.
#include "core/kernels/block_statistics.h"

#include "core/kernels/simd_target.h"

#if defined(MIVO_X86_KERNELS)

#include <emmintrin.h>

namespace mivo {

MIVO_TARGET_SSE2 BlockStatistics blockStatisticsSse2(const std::uint8_t* block, std::ptrdiff_t pitch) {
    const __m128i zero = _mm_setzero_si128();
    __m128i sums = zero, squares = zero;
    MIVO_UNROLL(4)
    for (int y = 0; y < 16; ++y) {
        const __m128i line = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + y * pitch));
        sums = _mm_add_epi32(sums, _mm_sad_epu8(line, zero));
        const __m128i low = _mm_unpacklo_epi8(line, zero), high = _mm_unpackhi_epi8(line, zero);
        squares = _mm_add_epi32(squares, _mm_add_epi32(_mm_madd_epi16(low, low), _mm_madd_epi16(high, high)));
    }
    squares = _mm_add_epi32(squares, _mm_shuffle_epi32(squares, _MM_SHUFFLE(1, 0, 3, 2)));
    squares = _mm_add_epi32(squares, _mm_shuffle_epi32(squares, _MM_SHUFFLE(2, 3, 0, 1)));
    const std::int32_t sum = _mm_cvtsi128_si32(_mm_add_epi32(sums, _mm_unpackhi_epi64(sums, sums)));
    return {sum, blockActivity(sum, _mm_cvtsi128_si32(squares))};
}

} // namespace mivo

#endif
