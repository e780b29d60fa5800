#pragma once
// One pixel of the fixed-point BT.601 conversion, shared by the reference and the SIMD versions' line
// ends so that every version rounds and clamps alike.

#include <cstdint>

namespace mivo::yuv_pixel {

inline std::uint8_t clampToByte(int v) {
    return static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// Writes blue, green, red.
inline void convertPixel(int luma, int cb, int cr, std::uint8_t* bgr) {
    const int y = (luma - 16) * 76284;
    const int u = cb - 128;
    const int v = cr - 128;
    bgr[0] = clampToByte((y + 132252 * u) >> 16);
    bgr[1] = clampToByte((y - 25625 * u - 53281 * v) >> 16);
    bgr[2] = clampToByte((y + 104595 * v) >> 16);
}

} // namespace mivo::yuv_pixel
