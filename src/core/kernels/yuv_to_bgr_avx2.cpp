// The 256-bit version: the same exact split into high halves and carries as the SSE2 version (see there),
// 32 pixels of two lines per step. The 128-bit halves of an AVX2 register work side by side, so the
// chroma and luma samples are unpacked into the halves in the order that packing puts back in place, and
// each half is shuffled into its own 48 bytes of blue, green, red.
#include "core/kernels/yuv_to_bgr.h"

#include "core/kernels/simd_target.h"
#include "core/kernels/yuv_pixel.h"

#if defined(MIVO_X86_KERNELS)

#include <algorithm>
#include <array>
#include <immintrin.h>

namespace mivo {

namespace {

struct ChromaTerm {
    __m256i high;
    __m256i key;
};

// Pixels 0-7 and 16-23 of a step in [0], pixels 8-15 and 24-31 in [1], as the unpacked luma has them.
struct ChromaTerms {
    ChromaTerm blue[2], green[2], red[2];
};

MIVO_TARGET_AVX2 inline void spread(__m256i high, __m256i low, ChromaTerm (&out)[2]) {
    const __m256i flip = _mm256_set1_epi16(0x7FFF);
    out[0] = {_mm256_unpacklo_epi16(high, high), _mm256_xor_si256(_mm256_unpacklo_epi16(low, low), flip)};
    out[1] = {_mm256_unpackhi_epi16(high, high), _mm256_xor_si256(_mm256_unpackhi_epi16(low, low), flip)};
}

MIVO_TARGET_AVX2 inline ChromaTerms chromaTerms(const std::uint8_t* cbLine, const std::uint8_t* crLine) {
    const __m256i bias = _mm256_set1_epi16(128);
    const __m256i u = _mm256_sub_epi16(
        _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(cbLine))), bias);
    const __m256i v = _mm256_sub_epi16(
        _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(crLine))), bias);
    ChromaTerms t;
    const __m256i blueFactor = _mm256_set1_epi16(1180);
    spread(_mm256_add_epi16(_mm256_add_epi16(u, u), _mm256_mulhi_epi16(u, blueFactor)),
           _mm256_mullo_epi16(u, blueFactor), t.blue);
    const __m256i redFactor = _mm256_set1_epi16(-26477);
    spread(_mm256_add_epi16(_mm256_add_epi16(v, v), _mm256_mulhi_epi16(v, redFactor)),
           _mm256_mullo_epi16(v, redFactor), t.red);
    const __m256i greenFactors = _mm256_set1_epi32(static_cast<int>((12255u << 16) | (-25625 & 0xFFFF)));
    const __m256i q0 = _mm256_madd_epi16(_mm256_unpacklo_epi16(u, v), greenFactors);
    const __m256i q1 = _mm256_madd_epi16(_mm256_unpackhi_epi16(u, v), greenFactors);
    const __m256i qHigh = _mm256_packs_epi32(_mm256_srai_epi32(q0, 16), _mm256_srai_epi32(q1, 16));
    const __m256i qLow = _mm256_packs_epi32(_mm256_srai_epi32(_mm256_slli_epi32(q0, 16), 16),
                                            _mm256_srai_epi32(_mm256_slli_epi32(q1, 16), 16));
    spread(_mm256_sub_epi16(qHigh, v), qLow, t.green);
    return t;
}

struct LumaTerm {
    __m256i base;
    __m256i key;
};

MIVO_TARGET_AVX2 inline LumaTerm lumaTerm(__m256i luma16) {
    const __m256i factor = _mm256_set1_epi16(10748);
    const __m256i y = _mm256_sub_epi16(luma16, _mm256_set1_epi16(16));
    return {_mm256_add_epi16(y, _mm256_mulhi_epi16(y, factor)),
            _mm256_xor_si256(_mm256_mullo_epi16(y, factor), _mm256_set1_epi16(-0x8000))};
}

MIVO_TARGET_AVX2 inline __m256i colour(const LumaTerm& l, const ChromaTerm& c) {
    return _mm256_sub_epi16(_mm256_add_epi16(l.base, c.high), _mm256_cmpgt_epi16(l.key, c.key));
}

// Shuffle masks that take colour `channel` (0 blue, 1 green, 2 red) of 16 pixels into output block
// `block` (bytes 16 block .. 16 block + 15 of the pixels' 48 bytes), for both halves of a register.
constexpr std::array<char, 32> shuffleMask(int block, int channel) {
    std::array<char, 32> m{};
    for (int i = 0; i < 32; ++i) {
        const int k = 16 * block + i % 16;
        m[static_cast<std::size_t>(i)] = static_cast<char>(k % 3 == channel ? k / 3 : 0x80);
    }
    return m;
}

MIVO_TARGET_AVX2 inline __m256i load(const std::array<char, 32>& m) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(m.data()));
}

MIVO_TARGET_AVX2 inline __m256i block(__m256i b, __m256i g, __m256i r, int n) {
    static constexpr std::array<std::array<char, 32>, 9> masks = {
        shuffleMask(0, 0), shuffleMask(0, 1), shuffleMask(0, 2), shuffleMask(1, 0), shuffleMask(1, 1),
        shuffleMask(1, 2), shuffleMask(2, 0), shuffleMask(2, 1), shuffleMask(2, 2)};
    const auto i = static_cast<std::size_t>(3 * n);
    return _mm256_or_si256(
        _mm256_or_si256(_mm256_shuffle_epi8(b, load(masks[i])), _mm256_shuffle_epi8(g, load(masks[i + 1]))),
        _mm256_shuffle_epi8(r, load(masks[i + 2])));
}

MIVO_TARGET_AVX2 inline void storeThirtyTwo(__m256i b, __m256i g, __m256i r, std::uint8_t* out) {
    // Each register holds a block of the first 16 pixels in its low half and of the last 16 in its high.
    const __m256i x0 = block(b, g, r, 0);
    const __m256i x1 = block(b, g, r, 1);
    const __m256i x2 = block(b, g, r, 2);
    auto* o = reinterpret_cast<__m256i*>(out);
    _mm256_storeu_si256(o, _mm256_permute2x128_si256(x0, x1, 0x20));
    _mm256_storeu_si256(o + 1, _mm256_permute2x128_si256(x2, x0, 0x30));
    _mm256_storeu_si256(o + 2, _mm256_permute2x128_si256(x1, x2, 0x31));
}

MIVO_TARGET_AVX2 inline void convertThirtyTwo(const std::uint8_t* luma, const ChromaTerms& c,
                                              std::uint8_t* out) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(luma));
    const LumaTerm l0 = lumaTerm(_mm256_unpacklo_epi8(y, zero));
    const LumaTerm l1 = lumaTerm(_mm256_unpackhi_epi8(y, zero));
    storeThirtyTwo(_mm256_packus_epi16(colour(l0, c.blue[0]), colour(l1, c.blue[1])),
                   _mm256_packus_epi16(colour(l0, c.green[0]), colour(l1, c.green[1])),
                   _mm256_packus_epi16(colour(l0, c.red[0]), colour(l1, c.red[1])), out);
}

} // namespace

MIVO_TARGET_AVX2 void yuvToBgrAvx2(const YuvPlanes& planes, std::uint8_t* out, std::ptrdiff_t outStride) {
    const int w = planes.width;
    const int h = planes.height;
    const int chromaWidth = w / 2;
    const int chromaHeight = h / 2;
    // As in the SSE2 version: a last partial step is taken again ending at the even part's end.
    const int evenWidth = 2 * chromaWidth;
    const int steps = evenWidth < 32 ? 0 : (evenWidth + 31) / 32;
    const int plainFrom = steps == 0 ? 0 : evenWidth;
    for (int top = 0; top < h; top += 2) {
        const int bottom = std::min(top + 1, h - 1);
        const std::size_t chromaLine = static_cast<std::size_t>(std::min(top / 2, chromaHeight - 1));
        const std::uint8_t* cb = planes.cb + chromaLine * chromaWidth;
        const std::uint8_t* cr = planes.cr + chromaLine * chromaWidth;
        const std::uint8_t* lumaTop = planes.luma + static_cast<std::size_t>(top) * w;
        const std::uint8_t* lumaBottom = planes.luma + static_cast<std::size_t>(bottom) * w;
        std::uint8_t* outTop = out + top * outStride;
        std::uint8_t* outBottom = out + bottom * outStride;
        for (int s = 0; s < steps; ++s) {
            const int x = std::min(32 * s, evenWidth - 32);
            const ChromaTerms terms = chromaTerms(cb + x / 2, cr + x / 2);
            convertThirtyTwo(lumaTop + x, terms, outTop + 3 * x);
            convertThirtyTwo(lumaBottom + x, terms, outBottom + 3 * x);
        }
        for (int x = plainFrom; x < w; ++x) {
            const int c = std::min(x / 2, chromaWidth - 1);
            yuv_pixel::convertPixel(lumaTop[x], cb[c], cr[c], outTop + 3 * x);
            yuv_pixel::convertPixel(lumaBottom[x], cb[c], cr[c], outBottom + 3 * x);
        }
    }
}

} // namespace mivo

#endif
