#pragma once
// The synthetic source description (see the scenario runner's documentation): a small text that says
// what a test source looks like. Both doubles read it: the decoder library from the file a D2V project
// lists, the frame-server double from the script it is asked to import; so one description gives the
// same pictures through either.
//
//   synthetic-source            first line
//   size W H / rate N D / frames N / pixel YV12|I420|YUY2|RGB24
//   flat Y U V [from F]         flat planes
//   ramp [from F]               Y = (x + y + frame) mod 256, U = x mod 256, V = y mod 256 (chroma
//                               planes' own coordinates)
//   noise SEED [from F]         pseudo-random planes, the same picture on every frame of the scene
//   error TEXT                  the import fails with TEXT ("\n" in TEXT stands for a line feed)
//   audio-only                  the import gives a clip without video (width 0)
//   not-a-clip                  the import gives a value that is not a clip
//   frame-error from F          frames from F on cannot be produced
//   slow MS [from F]            every frame (from F on) takes MS milliseconds to produce
//
// Scenes: for frame f the last line in the file whose first frame is at most f decides; before any
// line a frame is flat 16 128 128. Defaults: size 720 576, rate 25 1, frames 100, pixel YV12.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mivo::doubles {

enum class SyntheticPixel { Yv12, I420, Yuy2, Rgb24 };

struct SyntheticScene {
    enum class Kind { Flat, Ramp, Noise } kind = Kind::Flat;
    int from = 0;
    int y = 16, u = 128, v = 128;
    std::uint32_t seed = 0;
};

struct SyntheticSource {
    int width = 720;
    int height = 576;
    unsigned rateNumerator = 25;
    unsigned rateDenominator = 1;
    int frames = 100;
    SyntheticPixel pixel = SyntheticPixel::Yv12;
    std::vector<SyntheticScene> scenes;
    std::optional<std::string> error;
    bool audioOnly = false;
    bool notAClip = false;
    int frameErrorFrom = -1;
    int slowMs = 0, slowFrom = 0;
};

// Parses a description; false with a reason and the line number on a malformed one.
bool parseSyntheticSource(const std::string& text, SyntheticSource& out, std::string& why, int& line);

// Planes: 0 = Y, 1 = U, 2 = V; x and y in the plane's own coordinates.
std::uint8_t syntheticSample(const SyntheticSource& src, int frame, int plane, int x, int y);

// Avisynth's colour-space code of a pixel kind (the decoder libraries report the same codes).
std::int32_t syntheticPixelType(SyntheticPixel pixel);

// Bytes of one frame laid out without padding: planar Y then the two chroma planes (V first for YV12,
// U first for I420), packed Y0 U Y1 V lines for YUY2, B G R triples for RGB24.
std::size_t syntheticFrameBytes(const SyntheticSource& src);

// Frame n in that layout (syntheticFrameBytes bytes).
void renderSyntheticFrame(const SyntheticSource& src, int frame, std::uint8_t* out);

} // namespace mivo::doubles
