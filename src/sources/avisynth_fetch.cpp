#include "sources/avisynth_fetch.h"

#include "core/kernels/packed_to_planar.h"

#include <algorithm>

namespace mivo {

AvisynthResult fetchAvisynthFrame(const AvisynthLayer& layer, const SourceState& source,
                                  const PlaneBuffers& planes, int n, int cpuLevel) {
    if (source.colourFormat == ColourFormat::Planar420)
        return layer.getAvisynthPlanarFrame(n, source.lumaPitch, source.chromaPitch, planes.luma,
                                            planes.plane2, planes.plane3);
    if (source.colourFormat != ColourFormat::Packed422 || source.width <= 0 || source.height <= 0)
        return AvisynthResult::FrameError;

    const auto w = static_cast<std::size_t>(source.width);
    const auto h = static_cast<std::size_t>(source.height);
    const std::size_t packedBytes =
        std::max(2 * w * h, static_cast<std::size_t>(std::max(source.frameBytes, 0)));
    if (planes.packed.size() < packedBytes || planes.luma.size() < w * h ||
        planes.plane2.size() < (w / 2) * (h / 2) || planes.plane3.size() < (w / 2) * (h / 2))
        return AvisynthResult::FrameError;
    const AvisynthResult result = layer.getAvisynthRawFrame(n, source.frameBytes, planes.packed);
    if (result != AvisynthResult::Ok) return result;
    convertPackedFrame(packedToPlanarFor(cpuLevel), planes.packed.data(), 2 * source.width, source.width,
                       source.height, planes.luma.data(), source.width, planes.plane2.data(),
                       planes.plane3.data(), source.width / 2);
    return AvisynthResult::Ok;
}

} // namespace mivo
