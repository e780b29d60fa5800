// The 64-bit word version: each packed line is read eight bytes at a time and split with shifts and masks
// in general-purpose registers (the lanes of a word are 16-bit pixel halves). It stands for the processors
// without SSE2, so the compiler is kept from turning it into vector code.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC optimize("no-tree-vectorize", "no-tree-slp-vectorize")
#endif

#include "core/kernels/packed_to_planar.h"

#include "core/kernels/packed_to_planar_pairs.h"

#include <cstddef>
#include <cstring>

namespace mivo {

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__

namespace {

constexpr std::uint64_t kLowBytes = 0x00FF00FF00FF00FFull;
constexpr std::uint64_t kLowWords = 0x0000FFFF0000FFFFull;
constexpr std::uint64_t kOnes = 0x0001000100010001ull;

inline std::uint64_t load64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Bytes 0, 2, 4 and 6 of a word, in order, in the low 32 bits.
inline std::uint64_t evenBytes(std::uint64_t w) {
    std::uint64_t x = w & kLowBytes;
    x = (x | (x >> 8)) & kLowWords;
    return (x | (x >> 16)) & 0xFFFFFFFFull;
}

// Of four 16-bit lanes holding byte values, lanes 0 and 2 as two bytes.
inline std::uint64_t lanes02(std::uint64_t x) {
    x &= kLowWords;
    return (x | (x >> 24)) & 0xFFFFull;
}

} // namespace

void packedToPlanarWord64(const std::uint8_t* packed, std::ptrdiff_t packedPitch, int width, int height,
                          std::uint8_t* luma, std::ptrdiff_t lumaPitch, std::uint8_t* plane2,
                          std::uint8_t* plane3, std::ptrdiff_t chromaPitch) {
    if (width <= 0 || height <= 0) return;
    const std::size_t groups = static_cast<std::size_t>(width) / 8;
    for (std::ptrdiff_t k = 0; k < height / 2; ++k) {
        const auto [top, bottom, lumaTop, lumaBottom, u, v] =
            packed_to_planar::linePair(packed, packedPitch, luma, lumaPitch, plane2, plane3, chromaPitch, k);
#if defined(__clang__)
#pragma clang loop vectorize(disable) interleave(disable)
#endif
        for (std::size_t g = 0; g < groups; ++g) {
            const std::uint64_t a0 = load64(top + 16 * g), a1 = load64(top + 16 * g + 8);
            const std::uint64_t b0 = load64(bottom + 16 * g), b1 = load64(bottom + 16 * g + 8);

            const std::uint64_t yTop = evenBytes(a0) | (evenBytes(a1) << 32);
            const std::uint64_t yBottom = evenBytes(b0) | (evenBytes(b1) << 32);
            std::memcpy(lumaTop + 8 * g, &yTop, 8);
            std::memcpy(lumaBottom + 8 * g, &yBottom, 8);

            // Lanes U V U V of both lines; (a + b + 1) >> 1 cannot carry out of a 16-bit lane.
            const std::uint64_t avg0 =
                ((((a0 >> 8) & kLowBytes) + ((b0 >> 8) & kLowBytes) + kOnes) >> 1) & kLowBytes;
            const std::uint64_t avg1 =
                ((((a1 >> 8) & kLowBytes) + ((b1 >> 8) & kLowBytes) + kOnes) >> 1) & kLowBytes;
            const auto uBytes = static_cast<std::uint32_t>(lanes02(avg0) | (lanes02(avg1) << 16));
            const auto vBytes = static_cast<std::uint32_t>(lanes02(avg0 >> 16) | (lanes02(avg1 >> 16) << 16));
            std::memcpy(u + 4 * g, &uBytes, 4);
            std::memcpy(v + 4 * g, &vBytes, 4);
        }
    }
}

#else

// Byte lanes are laid out the other way round on big-endian processors; the reference is used there.
void packedToPlanarWord64(const std::uint8_t* packed, std::ptrdiff_t packedPitch, int width, int height,
                          std::uint8_t* luma, std::ptrdiff_t lumaPitch, std::uint8_t* plane2,
                          std::uint8_t* plane3, std::ptrdiff_t chromaPitch) {
    packedToPlanarReference(packed, packedPitch, width, height, luma, lumaPitch, plane2, plane3, chromaPitch);
}

#endif

} // namespace mivo
