#pragma once
// Packed 4:2:2 frames (bytes Y0 U Y1 V) to the planar 4:2:0 planes that the preview and the scene-change
// scan read. The packed frame has 2 x width bytes a line; the luma plane gets width bytes a line, the two
// chroma planes width / 2 bytes a line and height / 2 lines, each chroma byte the average of the two lines
// of a line pair, rounded up. Only whole groups of 8 pixels in whole line pairs are converted: the columns
// past the last whole group and a last odd line keep what the destination held before.
//
// Three versions give identical bytes: the plain reference, a 64-bit one for processors without SSE2 and
// an SSE2 one. `packedToPlanar` picks one by the processor level found at start-up.

#include <cstdint>

namespace mivo {

using PackedToPlanarFn = void (*)(const std::uint8_t* packed, int width, int height, std::uint8_t* luma,
                                  std::uint8_t* plane2, std::uint8_t* plane3);

void packedToPlanarReference(const std::uint8_t* packed, int width, int height, std::uint8_t* luma,
                             std::uint8_t* plane2, std::uint8_t* plane3);

// Eight bytes at a time in general-purpose registers; needs nothing beyond the MMX-class baseline.
void packedToPlanarMmx(const std::uint8_t* packed, int width, int height, std::uint8_t* luma,
                       std::uint8_t* plane2, std::uint8_t* plane3);

// 128-bit SSE2 version. Only valid where `packedToPlanarSse2Built()` is true and the processor has SSE2.
void packedToPlanarSse2(const std::uint8_t* packed, int width, int height, std::uint8_t* luma,
                        std::uint8_t* plane2, std::uint8_t* plane3);
bool packedToPlanarSse2Built();

// The version for a processor level (0..6): SSE2 from level 2 on, the 64-bit one below.
PackedToPlanarFn packedToPlanarFor(int cpuLevel);

inline void packedToPlanar(const std::uint8_t* packed, int width, int height, std::uint8_t* luma,
                           std::uint8_t* plane2, std::uint8_t* plane3, int cpuLevel) {
    packedToPlanarFor(cpuLevel)(packed, width, height, luma, plane2, plane3);
}

} // namespace mivo
