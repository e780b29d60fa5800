#include "gui/source/frame_planes.h"

namespace mivo {

FramePlanes& framePlanes() {
    static FramePlanes planes;
    return planes;
}

void packedToPlanarScalar(const std::uint8_t* packed, int width, int height, FramePlanes& planes) {
    if (width <= 0 || height <= 0) return;
    const std::size_t w = static_cast<std::size_t>(width), h = static_cast<std::size_t>(height);
    if (w * h > FramePlanes::kLumaCapacity) return;
    const std::size_t stride = 2 * w, cw = w / 2;
    for (std::size_t y = 0; y < h; ++y) {
        const std::uint8_t* row = packed + y * stride;
        std::uint8_t* out = planes.luma + y * w;
        for (std::size_t x = 0; x < w; ++x)
            out[x] = row[2 * x];
    }
    for (std::size_t cy = 0; cy < h / 2; ++cy) {
        const std::uint8_t* top = packed + 2 * cy * stride;
        const std::uint8_t* bottom = top + stride;
        for (std::size_t cx = 0; cx < cw; ++cx) {
            planes.plane2[cy * cw + cx] =
                static_cast<std::uint8_t>((top[4 * cx + 1] + bottom[4 * cx + 1] + 1) >> 1);
            planes.plane3[cy * cw + cx] =
                static_cast<std::uint8_t>((top[4 * cx + 3] + bottom[4 * cx + 3] + 1) >> 1);
        }
    }
}

} // namespace mivo
