// psadbw over a chunk of 256 bytes per step; two accumulators keep the additions independent. The 64-bit
// lanes cannot overflow: a plane of 2^32 bytes adds up to less than 2^40.
#include "core/kernels/plane_sad.h"

#include "core/kernels/simd_target.h"

#if defined(MIVO_X86_KERNELS)

#include <emmintrin.h>

namespace mivo {

MIVO_TARGET_SSE2 std::uint64_t planeSadSse2(const std::uint8_t* a, const std::uint8_t* b, std::size_t n) {
    const std::size_t counted = n / kPlaneSadChunk * kPlaneSadChunk;
    __m128i even = _mm_setzero_si128(), odd = _mm_setzero_si128();
    for (std::size_t i = 0; i < counted; i += 32) {
        const __m128i a0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
        const __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
        const __m128i a1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i + 16));
        const __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i + 16));
        even = _mm_add_epi64(even, _mm_sad_epu8(a0, b0));
        odd = _mm_add_epi64(odd, _mm_sad_epu8(a1, b1));
    }
    const __m128i total = _mm_add_epi64(even, odd);
    alignas(16) std::uint64_t lanes[2];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), total);
    return lanes[0] + lanes[1];
}

} // namespace mivo

#endif
