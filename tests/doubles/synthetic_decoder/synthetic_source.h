#pragma once
// The synthetic source description that the test doubles decode instead of video:
//
//   synthetic-source
//   size 720 576              width and height
//   rate 25 1                 frame rate numerator and denominator
//   frames 2500               number of frames
//   pixel YV12                YV12, I420, YUY2 or RGB24
//   flat 60 128 128           every frame from 0 on: flat Y, U, V
//   flat 120 128 128 from 100 from frame 100 on (a later line wins from its frame on)
//   ramp from 200             Y = (x + y + frame) mod 256, U = x mod 256, V = y mod 256 (chroma coordinates)
//   noise 7 from 300          pseudo-random Y, U, V from seed 7, the same picture for every frame of the
//   scene
//
// Blank lines and lines starting with '#' are skipped; CR LF and LF both end a line.

#include <cstddef>
#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace mivo::synthetic {

enum class PixelKind { Yv12, I420, Yuy2, Rgb24 };
enum class SceneKind { Flat, Ramp, Noise };

struct Scene {
    SceneKind kind = SceneKind::Flat;
    int from = 0;
    std::uint8_t y = 16, u = 128, v = 128; // flat
    std::uint32_t seed = 0;                // noise
};

struct Description {
    int width = 0, height = 0;
    int rateNumerator = 0, rateDenominator = 0;
    int frames = 0;
    PixelKind pixel = PixelKind::Yv12;
    std::vector<Scene> scenes; // in file order
};

// Avisynth's colour-space code of a pixel kind.
std::int32_t pixelTypeCode(PixelKind kind);

// Empty when the text is no synthetic source description (first line, unknown keyword, bad number).
std::optional<Description> parseDescription(std::istream& in);

// The scene that shows frame n: the last line, in file order, that starts at or before n.
const Scene* sceneOf(const Description& d, int frame);

// Bytes of one frame as the pixel kind lays it out: planar Y then the two chroma planes (V first for
// YV12, U first for I420), packed Y0 U Y1 V lines for YUY2, B G R triples for RGB24.
std::size_t frameBytes(const Description& d);

// Renders frame n into out (frameBytes(d) bytes).
void renderFrame(const Description& d, int frame, std::uint8_t* out);

} // namespace mivo::synthetic
