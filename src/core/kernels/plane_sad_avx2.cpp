// vpsadbw over 64 bytes per step with two accumulators; as the SSE2 version, twice as wide.
#include "core/kernels/plane_sad.h"

#include "core/kernels/simd_target.h"

#if defined(MIVO_X86_KERNELS)

#include <immintrin.h>

namespace mivo {

MIVO_TARGET_AVX2 std::uint64_t planeSadAvx2(const std::uint8_t* a, const std::uint8_t* b, std::size_t n) {
    const std::size_t counted = n / kPlaneSadChunk * kPlaneSadChunk;
    __m256i even = _mm256_setzero_si256(), odd = _mm256_setzero_si256();
    for (std::size_t i = 0; i < counted; i += 64) {
        const __m256i a0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + i));
        const __m256i b0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + i));
        const __m256i a1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + i + 32));
        const __m256i b1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + i + 32));
        even = _mm256_add_epi64(even, _mm256_sad_epu8(a0, b0));
        odd = _mm256_add_epi64(odd, _mm256_sad_epu8(a1, b1));
    }
    const __m256i both = _mm256_add_epi64(even, odd);
    const __m128i total = _mm_add_epi64(_mm256_castsi256_si128(both), _mm256_extracti128_si256(both, 1));
    alignas(16) std::uint64_t lanes[2];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), total);
    return lanes[0] + lanes[1];
}

} // namespace mivo

#endif
