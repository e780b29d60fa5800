#include "core/kernels/packed_to_planar.h"

#include "core/kernels/packed_to_planar_pairs.h"
#include "core/kernels/simd_target.h"

namespace mivo {

void packedToPlanarReference(const std::uint8_t* packed, std::ptrdiff_t packedPitch, int width, int height,
                             std::uint8_t* luma, std::ptrdiff_t lumaPitch, std::uint8_t* plane2,
                             std::uint8_t* plane3, std::ptrdiff_t chromaPitch) {
    if (width <= 0 || height <= 0) return;
    const std::ptrdiff_t pixels = width / 8 * 8;
    for (std::ptrdiff_t k = 0; k < height / 2; ++k)
        packed_to_planar::convertPixels(
            packed_to_planar::linePair(packed, packedPitch, luma, lumaPitch, plane2, plane3, chromaPitch, k),
            0, pixels);
}

void convertPackedFrame(PackedToPlanarFn convert, const std::uint8_t* packed, std::ptrdiff_t packedPitch,
                        int width, int height, std::uint8_t* luma, std::ptrdiff_t lumaPitch,
                        std::uint8_t* plane2, std::uint8_t* plane3, std::ptrdiff_t chromaPitch) {
    if (width <= 0 || height <= 0) return;
    convert(packed, packedPitch, width, height, luma, lumaPitch, plane2, plane3, chromaPitch);
    const std::ptrdiff_t done = width / 8 * 8, even = width / 2 * 2;
    for (std::ptrdiff_t k = 0; k < height / 2; ++k) {
        const auto pair =
            packed_to_planar::linePair(packed, packedPitch, luma, lumaPitch, plane2, plane3, chromaPitch, k);
        packed_to_planar::convertPixels(pair, done, even);
        if (even < width) {
            pair.lumaTop[even] = pair.top[2 * even];
            pair.lumaBottom[even] = pair.bottom[2 * even];
        }
    }
    if (height % 2 != 0) {
        const std::uint8_t* line = packed + (height - 1) * packedPitch;
        std::uint8_t* out = luma + (height - 1) * lumaPitch;
        for (int x = 0; x < width; ++x)
            out[x] = line[2 * x];
    }
}

const KernelFamily<PackedToPlanarFn>& packedToPlanarFamily() {
    static constexpr KernelVersion<PackedToPlanarFn> versions[] = {
        {"reference", 0, packedToPlanarReference},
        {"word64", cpu::mmx, packedToPlanarWord64},
#if defined(MIVO_X86_KERNELS)
        {"sse2", cpu::sse2, packedToPlanarSse2},
        {"avx2", cpu::avx2, packedToPlanarAvx2},
#endif
    };
    static constexpr KernelFamily<PackedToPlanarFn> family{versions};
    return family;
}

} // namespace mivo
