#pragma once
// The plain conversion of one line pair's pixels, shared by the reference and the vector versions'
// last columns.

#include <cstddef>
#include <cstdint>

namespace mivo::packed_to_planar {

struct LinePair {
    const std::uint8_t* top;
    const std::uint8_t* bottom;
    std::uint8_t* lumaTop;
    std::uint8_t* lumaBottom;
    std::uint8_t* u;
    std::uint8_t* v;
};

inline LinePair linePair(const std::uint8_t* packed, std::ptrdiff_t packedPitch, std::uint8_t* luma,
                         std::ptrdiff_t lumaPitch, std::uint8_t* plane2, std::uint8_t* plane3,
                         std::ptrdiff_t chromaPitch, std::ptrdiff_t k) {
    const std::uint8_t* top = packed + 2 * k * packedPitch;
    std::uint8_t* lumaTop = luma + 2 * k * lumaPitch;
    return {top,
            top + packedPitch,
            lumaTop,
            lumaTop + lumaPitch,
            plane2 + k * chromaPitch,
            plane3 + k * chromaPitch};
}

// Pixels from .. to (even) of the pair; chroma averaged with rounding up.
inline void convertPixels(const LinePair& p, std::ptrdiff_t from, std::ptrdiff_t to) {
    for (std::ptrdiff_t x = from; x < to; x += 2) {
        const std::uint8_t* a = p.top + 2 * x;
        const std::uint8_t* b = p.bottom + 2 * x;
        p.lumaTop[x] = a[0];
        p.lumaTop[x + 1] = a[2];
        p.lumaBottom[x] = b[0];
        p.lumaBottom[x + 1] = b[2];
        p.u[x / 2] = static_cast<std::uint8_t>((a[1] + b[1] + 1) >> 1);
        p.v[x / 2] = static_cast<std::uint8_t>((a[3] + b[3] + 1) >> 1);
    }
}

} // namespace mivo::packed_to_planar
