#include "core/picture/yuv_to_bgr.h"

#include "core/picture/yuv_pixel.h"

#include <algorithm>

namespace mivo::picture {

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
            convertPixel(luma[x], cb[c], cr[c], line + 3 * x);
        }
    }
}

YuvToBgrFn yuvToBgrBest() {
#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
    // The processor facts may be asked for before the runtime's own start-up code has read them.
    __builtin_cpu_init();
    if (yuvToBgrAvx2Built() && __builtin_cpu_supports("avx2")) return yuvToBgrAvx2;
#endif
    return yuvToBgrSse2Built() ? yuvToBgrSse2 : yuvToBgrReference;
}

} // namespace mivo::picture
