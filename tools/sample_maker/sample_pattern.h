#pragma once
// The pictures of the sample title a first run opens: three scenes a new user can tell apart at once
// (colour bars, rings, a moving disc), each frame carrying its own number, so stepping through the
// preview visibly moves.

#include <cstddef>
#include <cstdint>

namespace mivo::sample {

inline constexpr int kWidth = 720, kHeight = 576;
inline constexpr int kRateNumerator = 25, kRateDenominator = 1;
inline constexpr int kSceneFrames = 40;
inline constexpr int kFrames = 3 * kSceneFrames;

// 4:2:0 planes with their strides in bytes; the chroma planes are half the size each way.
struct Planes {
    std::uint8_t* y;
    std::uint8_t* cb;
    std::uint8_t* cr;
    std::ptrdiff_t yStride, cStride;
};

void drawSampleFrame(int frame, const Planes& out);

} // namespace mivo::sample
