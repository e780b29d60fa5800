// The 128-bit version, 16 pixels of two lines per step, both lines sharing one chroma line.
//
// The reference's sums need 32 bits, SSE2 multiplies 16 x 16 bits. Every product is therefore split into
// a high half h and an unsigned low half l (value = 65536 h + l); then
//   (76284 y + c) >> 16 = y + hY + hC + carry,   carry = 1 when lY + lC >= 65536,
// which is exact, so the bytes match the reference. The chroma halves are worked out once per chroma
// sample and serve four pixels; a luma half serves all three colours.
#include "core/kernels/yuv_to_bgr.h"

#include "core/kernels/simd_target.h"
#include "core/kernels/yuv_pixel.h"

#if defined(MIVO_X86_KERNELS)

#include <algorithm>
#include <emmintrin.h>

namespace mivo {

namespace {

// A colour's chroma term, as high half and carry key, for 8 pixels.
struct ChromaTerm {
    __m128i high;
    __m128i key; // lC ^ 0x7FFF: (lY ^ 0x8000) > key, signed, exactly when lY + lC >= 65536
};

// A chroma line's terms for 16 pixels: the first 8 pixels in [0], the next 8 in [1].
struct ChromaTerms {
    ChromaTerm blue[2], green[2], red[2];
};

MIVO_TARGET_SSE2 inline void spread(__m128i high, __m128i low, ChromaTerm (&out)[2]) {
    const __m128i flip = _mm_set1_epi16(0x7FFF);
    // Each chroma sample serves two neighbouring pixels.
    out[0] = {_mm_unpacklo_epi16(high, high), _mm_xor_si128(_mm_unpacklo_epi16(low, low), flip)};
    out[1] = {_mm_unpackhi_epi16(high, high), _mm_xor_si128(_mm_unpackhi_epi16(low, low), flip)};
}

MIVO_TARGET_SSE2 inline ChromaTerms chromaTerms(const std::uint8_t* cbLine, const std::uint8_t* crLine) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i bias = _mm_set1_epi16(128);
    const __m128i u = _mm_sub_epi16(
        _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(cbLine)), zero), bias);
    const __m128i v = _mm_sub_epi16(
        _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(crLine)), zero), bias);
    ChromaTerms t;
    // 132252 u = 65536 (2u) + 1180 u
    const __m128i blueFactor = _mm_set1_epi16(1180);
    spread(_mm_add_epi16(_mm_add_epi16(u, u), _mm_mulhi_epi16(u, blueFactor)), _mm_mullo_epi16(u, blueFactor),
           t.blue);
    // 104595 v = 65536 (2v) - 26477 v
    const __m128i redFactor = _mm_set1_epi16(-26477);
    spread(_mm_add_epi16(_mm_add_epi16(v, v), _mm_mulhi_epi16(v, redFactor)), _mm_mullo_epi16(v, redFactor),
           t.red);
    // -25625 u - 53281 v = 65536 (-v) + q, q = -25625 u + 12255 v taken whole in 32 bits
    const __m128i greenFactors = _mm_set_epi16(12255, -25625, 12255, -25625, 12255, -25625, 12255, -25625);
    const __m128i q0 = _mm_madd_epi16(_mm_unpacklo_epi16(u, v), greenFactors);
    const __m128i q1 = _mm_madd_epi16(_mm_unpackhi_epi16(u, v), greenFactors);
    const __m128i qHigh = _mm_packs_epi32(_mm_srai_epi32(q0, 16), _mm_srai_epi32(q1, 16));
    const __m128i qLow = _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(q0, 16), 16),
                                         _mm_srai_epi32(_mm_slli_epi32(q1, 16), 16));
    spread(_mm_sub_epi16(qHigh, v), qLow, t.green);
    return t;
}

// Luma halves of 8 pixels: y + hY, and lY ^ 0x8000.
struct LumaTerm {
    __m128i base;
    __m128i key;
};

MIVO_TARGET_SSE2 inline LumaTerm lumaTerm(__m128i luma16) {
    // 76284 y = 65536 y + 10748 y
    const __m128i factor = _mm_set1_epi16(10748);
    const __m128i y = _mm_sub_epi16(luma16, _mm_set1_epi16(16));
    return {_mm_add_epi16(y, _mm_mulhi_epi16(y, factor)),
            _mm_xor_si128(_mm_mullo_epi16(y, factor), _mm_set1_epi16(-0x8000))};
}

MIVO_TARGET_SSE2 inline __m128i colour(const LumaTerm& l, const ChromaTerm& c) {
    // A true comparison is -1, so subtracting it adds the carry.
    return _mm_sub_epi16(_mm_add_epi16(l.base, c.high), _mm_cmpgt_epi16(l.key, c.key));
}

// Four pixels held as blue, green, red, 0 in 32-bit lanes, packed to their 12 bytes at the bottom.
MIVO_TARGET_SSE2 inline __m128i packFour(__m128i p) {
    const __m128i lowPixel = _mm_set1_epi64x(0x0000000000FFFFFFll);
    const __m128i highPixel = _mm_set1_epi64x(0x0000FFFFFF000000ll);
    const __m128i pairs =
        _mm_or_si128(_mm_and_si128(p, lowPixel), _mm_and_si128(_mm_srli_epi64(p, 8), highPixel));
    return _mm_or_si128(_mm_move_epi64(pairs),
                        _mm_slli_si128(_mm_unpackhi_epi64(pairs, _mm_setzero_si128()), 6));
}

MIVO_TARGET_SSE2 inline void storeSixteen(__m128i b, __m128i g, __m128i r, std::uint8_t* out) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i bgLow = _mm_unpacklo_epi8(b, g);
    const __m128i bgHigh = _mm_unpackhi_epi8(b, g);
    const __m128i rLow = _mm_unpacklo_epi8(r, zero);
    const __m128i rHigh = _mm_unpackhi_epi8(r, zero);
    const __m128i c0 = packFour(_mm_unpacklo_epi16(bgLow, rLow));
    const __m128i c1 = packFour(_mm_unpackhi_epi16(bgLow, rLow));
    const __m128i c2 = packFour(_mm_unpacklo_epi16(bgHigh, rHigh));
    const __m128i c3 = packFour(_mm_unpackhi_epi16(bgHigh, rHigh));
    auto* o = reinterpret_cast<__m128i*>(out);
    _mm_storeu_si128(o, _mm_or_si128(c0, _mm_slli_si128(c1, 12)));
    _mm_storeu_si128(o + 1, _mm_or_si128(_mm_srli_si128(c1, 4), _mm_slli_si128(c2, 8)));
    _mm_storeu_si128(o + 2, _mm_or_si128(_mm_srli_si128(c2, 8), _mm_slli_si128(c3, 4)));
}

MIVO_TARGET_SSE2 inline void convertSixteen(const std::uint8_t* luma, const ChromaTerms& c,
                                            std::uint8_t* out) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(luma));
    const LumaTerm l0 = lumaTerm(_mm_unpacklo_epi8(y, zero));
    const LumaTerm l1 = lumaTerm(_mm_unpackhi_epi8(y, zero));
    storeSixteen(_mm_packus_epi16(colour(l0, c.blue[0]), colour(l1, c.blue[1])),
                 _mm_packus_epi16(colour(l0, c.green[0]), colour(l1, c.green[1])),
                 _mm_packus_epi16(colour(l0, c.red[0]), colour(l1, c.red[1])), out);
}

} // namespace

MIVO_TARGET_SSE2 void yuvToBgrSse2(const YuvPlanes& planes, std::uint8_t* out, std::ptrdiff_t outStride) {
    const int w = planes.width;
    const int h = planes.height;
    const int chromaWidth = w / 2;
    const int chromaHeight = h / 2;
    // Whole steps cover the even part of each line; a last partial step is taken again ending at its
    // end (rewriting a few pixels with the same bytes). An odd last column is left to the plain code.
    const int evenWidth = 2 * chromaWidth;
    const int steps = evenWidth < 16 ? 0 : (evenWidth + 15) / 16;
    const int plainFrom = steps == 0 ? 0 : evenWidth;
    for (int top = 0; top < h; top += 2) {
        // A last odd line is done as a pair with itself.
        const int bottom = std::min(top + 1, h - 1);
        const std::size_t chromaLine = static_cast<std::size_t>(std::min(top / 2, chromaHeight - 1));
        const std::uint8_t* cb = planes.cb + chromaLine * chromaWidth;
        const std::uint8_t* cr = planes.cr + chromaLine * chromaWidth;
        const std::uint8_t* lumaTop = planes.luma + static_cast<std::size_t>(top) * w;
        const std::uint8_t* lumaBottom = planes.luma + static_cast<std::size_t>(bottom) * w;
        std::uint8_t* outTop = out + top * outStride;
        std::uint8_t* outBottom = out + bottom * outStride;
        for (int s = 0; s < steps; ++s) {
            const int x = std::min(16 * s, evenWidth - 16);
            const ChromaTerms terms = chromaTerms(cb + x / 2, cr + x / 2);
            convertSixteen(lumaTop + x, terms, outTop + 3 * x);
            convertSixteen(lumaBottom + x, terms, outBottom + 3 * x);
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
