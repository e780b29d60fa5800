#pragma once
// Frames of an imported script as planar 4:2:0, whatever the clip's colour format: the one fetch the
// preview, the scan and the encoder back end share, so a packed clip looks the same in all three.

#include "core/source_state.h"
#include "sources/avisynth_layer.h"

#include <cstdint>
#include <span>

namespace mivo {

// The destination of a frame fetch: the three planar 4:2:0 planes and the staging buffer for packed
// frames.
struct PlaneBuffers {
    std::span<std::uint8_t> luma;
    std::span<std::uint8_t> plane2;
    std::span<std::uint8_t> plane3;
    std::span<std::uint8_t> packed;
};

// Frame n of the open script as planar 4:2:0 (width-byte luma lines, width / 2 chroma lines, U in plane 2
// and V in plane 3): the planar fetch, or the packed fetch and the conversion chosen by cpuLevel. Ok, or
// FrameError when the frame server reports an error or the planes are too small (they then keep their
// content).
AvisynthResult fetchAvisynthFrame(const AvisynthLayer& layer, const SourceState& source,
                                  const PlaneBuffers& planes, int n, int cpuLevel);

} // namespace mivo
