#pragma once
// Packed 4:2:2 frames (bytes Y0 U Y1 V) to the planar 4:2:0 planes that the preview and the scene-change
// scan read. The luma plane gets width bytes a line, the two chroma planes width / 2 bytes a line and
// height / 2 lines, each chroma byte the average of the two lines of a line pair, rounded up. Every
// buffer has its own pitch (bytes from one line to the next). Only whole groups of 8 pixels in whole line
// pairs are converted: the columns past the last whole group, a last odd line and the bytes between the
// end of a line and its pitch keep what the destination held before.
//
// All versions give identical bytes; `packedToPlanarFamily` lists them for the table that picks one.

#include "core/kernels/kernel_family.h"
#include "core/kernels/simd_target.h"

#include <cstddef>
#include <cstdint>

namespace mivo {

using PackedToPlanarFn = void (*)(const std::uint8_t* packed, std::ptrdiff_t packedPitch, int width,
                                  int height, std::uint8_t* luma, std::ptrdiff_t lumaPitch,
                                  std::uint8_t* plane2, std::uint8_t* plane3, std::ptrdiff_t chromaPitch);

void packedToPlanarReference(const std::uint8_t* packed, std::ptrdiff_t packedPitch, int width, int height,
                             std::uint8_t* luma, std::ptrdiff_t lumaPitch, std::uint8_t* plane2,
                             std::uint8_t* plane3, std::ptrdiff_t chromaPitch);

// Eight bytes at a time in general-purpose registers: portable, and the version for processors whose
// only vector set is MMX.
void packedToPlanarWord64(const std::uint8_t* packed, std::ptrdiff_t packedPitch, int width, int height,
                          std::uint8_t* luma, std::ptrdiff_t lumaPitch, std::uint8_t* plane2,
                          std::uint8_t* plane3, std::ptrdiff_t chromaPitch);

#if defined(MIVO_X86_KERNELS)
void packedToPlanarSse2(const std::uint8_t* packed, std::ptrdiff_t packedPitch, int width, int height,
                        std::uint8_t* luma, std::ptrdiff_t lumaPitch, std::uint8_t* plane2,
                        std::uint8_t* plane3, std::ptrdiff_t chromaPitch);
void packedToPlanarAvx2(const std::uint8_t* packed, std::ptrdiff_t packedPitch, int width, int height,
                        std::uint8_t* luma, std::ptrdiff_t lumaPitch, std::uint8_t* plane2,
                        std::uint8_t* plane3, std::ptrdiff_t chromaPitch);
#endif

const KernelFamily<PackedToPlanarFn>& packedToPlanarFamily();

// A whole frame through `convert`, then the columns past its last whole group of 8 and a last odd line
// by the plain conversion, so that no pixel keeps what an earlier frame left there. Luma of a last odd
// column or line comes straight from its packed byte; such a column or line has no chroma of its own.
void convertPackedFrame(PackedToPlanarFn convert, const std::uint8_t* packed, std::ptrdiff_t packedPitch,
                        int width, int height, std::uint8_t* luma, std::ptrdiff_t lumaPitch,
                        std::uint8_t* plane2, std::uint8_t* plane3, std::ptrdiff_t chromaPitch);

// The version for the program's processor level (0..6) on this processor.
inline PackedToPlanarFn packedToPlanarFor(int cpuLevel) {
    return packedToPlanarFamily().choose(cpuFeaturesForLevel(cpuLevel));
}

} // namespace mivo
