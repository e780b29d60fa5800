#include "core/kernels/yuv_to_bgr.h"

#include "core/kernels/yuv_pixel.h"

#include <algorithm>

namespace mivo {

void yuvToBgrReference(const YuvPlanes& planes, std::uint8_t* out, std::ptrdiff_t outStride) {
    const int chromaWidth = planes.width / 2;
    const int chromaHeight = planes.height / 2;
    for (int y = 0; y < planes.height; ++y) {
        const std::size_t chromaLine = static_cast<std::size_t>(std::min(y / 2, chromaHeight - 1));
        const std::uint8_t* luma = planes.luma + static_cast<std::size_t>(y) * planes.width;
        const std::uint8_t* cb = planes.cb + chromaLine * chromaWidth;
        const std::uint8_t* cr = planes.cr + chromaLine * chromaWidth;
        std::uint8_t* line = out + y * outStride;
        for (int x = 0; x < planes.width; ++x) {
            const int c = std::min(x / 2, chromaWidth - 1);
            yuv_pixel::convertPixel(luma[x], cb[c], cr[c], line + 3 * x);
        }
    }
}

const KernelFamily<YuvToBgrFn>& yuvToBgrFamily() {
    // Processors with MMX but not SSE2 use the reference: on 64-bit builds it is the baseline code.
    static constexpr KernelVersion<YuvToBgrFn> versions[] = {
        {"reference", 0, yuvToBgrReference},
#if defined(MIVO_X86_KERNELS)
        {"sse2", cpu::sse2, yuvToBgrSse2},
        {"avx2", cpu::avx2, yuvToBgrAvx2},
#endif
    };
    static constexpr KernelFamily<YuvToBgrFn> family{versions};
    return family;
}

} // namespace mivo
