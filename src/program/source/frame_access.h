#pragma once
// fetchFrame(n): the one way every consumer gets a decoded frame into the shared planes, whichever
// layer opened the source.

#include "core/kernels/packed_to_planar.h"
#include "core/source_state.h"
#include "program/source/dgdecode_library.h"
#include "program/source/frame_planes.h"

#include <functional>

namespace mivo {

class FrameAccess {
  public:
    // The Avisynth layer's fetch: fills the planes with frame n, 0 on success or its error code.
    using AvisynthFetch = std::function<int(int frame, FramePlanes& planes)>;

    FrameAccess(const SourceState& state, const DgdecodeLibrary& dgdecode, FramePlanes& planes)
        : state_(state), dgdecode_(dgdecode), planes_(planes) {}

    void setAvisynthFetch(AvisynthFetch fetch) { avisynth_ = std::move(fetch); }
    // The packed-to-planar version for the processor (the reference one until told).
    void setPackedConversion(PackedToPlanarFn convert) { convert_ = convert; }

    // Frame n of the open source as planar 4:2:0 (see FramePlanes). 0 on success; -1 when there is no
    // source or the decoder gave no frame; otherwise the Avisynth layer's code. Callers keep n within
    // 0 .. frameCount - 1.
    int fetchFrame(int n);

    FramePlanes& planes() { return planes_; }

  private:
    const SourceState& state_;
    const DgdecodeLibrary& dgdecode_;
    FramePlanes& planes_;
    AvisynthFetch avisynth_;
    PackedToPlanarFn convert_ = packedToPlanarReference;
};

} // namespace mivo
