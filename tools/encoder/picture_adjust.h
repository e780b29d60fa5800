#pragma once
// What the encoder does to a picture before coding it: *MASK_SHIFT's black bars and vertical shift, and
// 4:2:0 chroma taken to 4:2:2 for *CHROMAFORMAT 422.

#include <cstdint>

namespace mivo::encoder {

struct Plane {
    std::uint8_t* data;
    int width, height, pitch;
};

// Moves the picture up by `shift` lines (down when negative) and blackens `top` lines at the top and
// `bottom` at the bottom; the lines a shift frees are black too. Chroma planes have `chromaDivisor`
// times fewer lines than luma (2 for 4:2:0, 1 for 4:2:2) and follow at their own scale.
void maskAndShift(const Plane& luma, const Plane& cb, const Plane& cr, int chromaDivisor, int top, int bottom,
                  int shift);

// One 4:2:0 chroma plane as a 4:2:2 plane of twice its lines, each line repeated. Interlaced pictures
// repeat within a field: the lines of one field take their chroma from that field's lines only.
void chroma420To422(const std::uint8_t* src, int width, int srcLines, std::uint8_t* dst, bool interlaced);

} // namespace mivo::encoder
