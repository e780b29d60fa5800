#include "core/kernels/packed_to_planar.h"

#include <cstddef>

namespace mivo {

void packedToPlanarReference(const std::uint8_t* packed, int width, int height, std::uint8_t* luma,
                             std::uint8_t* plane2, std::uint8_t* plane3) {
    if (width <= 0 || height <= 0) return;
    const std::size_t w = static_cast<std::size_t>(width);
    const std::size_t packedPitch = 2 * w;
    const std::size_t chromaPitch = w / 2;
    const std::size_t pixels = (w / 8) * 8;
    const std::size_t pairs = static_cast<std::size_t>(height) / 2;
    for (std::size_t k = 0; k < pairs; ++k) {
        const std::uint8_t* top = packed + 2 * k * packedPitch;
        const std::uint8_t* bottom = top + packedPitch;
        std::uint8_t* lumaTop = luma + 2 * k * w;
        std::uint8_t* lumaBottom = lumaTop + w;
        std::uint8_t* u = plane2 + k * chromaPitch;
        std::uint8_t* v = plane3 + k * chromaPitch;
        for (std::size_t x = 0; x < pixels; x += 2) {
            const std::uint8_t* a = top + 2 * x;
            const std::uint8_t* b = bottom + 2 * x;
            lumaTop[x] = a[0];
            lumaTop[x + 1] = a[2];
            lumaBottom[x] = b[0];
            lumaBottom[x + 1] = b[2];
            u[x / 2] = static_cast<std::uint8_t>((a[1] + b[1] + 1) >> 1);
            v[x / 2] = static_cast<std::uint8_t>((a[3] + b[3] + 1) >> 1);
        }
    }
}

PackedToPlanarFn packedToPlanarFor(int cpuLevel) {
    if (cpuLevel >= 2 && packedToPlanarSse2Built()) return packedToPlanarSse2;
    return packedToPlanarMmx;
}

} // namespace mivo
