#pragma once
// Planar 4:2:0 frames to 24-bit blue, green, red pixels with the 16.16 fixed-point form of the BT.601
// studio-range equations:
//   Y' = (Y - 16) x 76284, Cb' = Cb - 128, Cr' = Cr - 128,
//   R = (Y' + 104595 Cr') >> 16, G = (Y' - 25625 Cb' - 53281 Cr') >> 16, B = (Y' + 132252 Cb') >> 16,
// shifted arithmetically (rounding toward minus infinity) and clamped to 0..255. Each chroma sample serves
// a 2 x 2 block of pixels. A frame of odd width or height reuses the last chroma column or line for its
// last pixel column or line instead of reading past the chroma planes.
//
// All versions give identical bytes; `yuvToBgrFamily` lists them for the table that picks one.

#include "core/kernels/kernel_family.h"
#include "core/kernels/simd_target.h"

#include <cstddef>
#include <cstdint>

namespace mivo {

// One frame's planes: luma `width` bytes a line, chroma `width / 2` bytes a line and `height / 2` lines.
// Width and height are at least 2.
struct YuvPlanes {
    const std::uint8_t* luma;
    const std::uint8_t* cb;
    const std::uint8_t* cr;
    int width;
    int height;
};

// Writes image line y (0 = top) to `out + y * outStride`, 3 x width bytes each; a negative stride stores
// the lines bottom-up. Bytes past 3 x width in a line are left alone.
using YuvToBgrFn = void (*)(const YuvPlanes& planes, std::uint8_t* out, std::ptrdiff_t outStride);

void yuvToBgrReference(const YuvPlanes& planes, std::uint8_t* out, std::ptrdiff_t outStride);
#if defined(MIVO_X86_KERNELS)
void yuvToBgrSse2(const YuvPlanes& planes, std::uint8_t* out, std::ptrdiff_t outStride);
void yuvToBgrAvx2(const YuvPlanes& planes, std::uint8_t* out, std::ptrdiff_t outStride);
#endif

const KernelFamily<YuvToBgrFn>& yuvToBgrFamily();

// The version for the program's processor level (0..6) on this processor.
inline YuvToBgrFn yuvToBgrFor(int cpuLevel) {
    return yuvToBgrFamily().choose(cpuFeaturesForLevel(cpuLevel));
}

} // namespace mivo
