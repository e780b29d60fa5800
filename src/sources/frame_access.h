#pragma once
// fetchFrame(n): the one way every consumer gets a decoded frame into the shared planes, whichever
// layer opened the source.

#include "core/kernels/packed_to_planar.h"
#include "core/source_state.h"
#include "sources/avisynth_layer.h"
#include "sources/dgdecode_library.h"
#include "sources/frame_planes.h"

namespace mivo::video {
class VideoFileSource;
}

#include <functional>

namespace mivo {

// What a fetch gave: the frame; no frame (no source open, or the decoder had none to give); or an error of
// the frame server, after which the planes keep their earlier content and the caller skips the picture.
enum class FetchResult { Ok, NoFrame, FrameServerError };

class FrameAccess {
  public:
    // The Avisynth layer's fetch: fills the planes with frame n.
    using AvisynthFetch = std::function<AvisynthResult(int frame, FramePlanes& planes)>;

    FrameAccess(const SourceState& state, const DgdecodeLibrary& dgdecode, FramePlanes& planes)
        : state_(state), dgdecode_(dgdecode), planes_(planes) {}

    void setAvisynthFetch(AvisynthFetch fetch) { avisynth_ = std::move(fetch); }
    // The open video file (null while none is): fetched from when the source state says the input is one.
    void setVideoFile(video::VideoFileSource* source) { video_ = source; }
    // The packed-to-planar version for the processor (the reference one until told).
    void setPackedConversion(PackedToPlanarFn convert) { convert_ = convert; }

    // Frame n of the open source as planar 4:2:0 (see FramePlanes). Callers keep n within
    // 0 .. frameCount - 1.
    FetchResult fetchFrame(int n);

    FramePlanes& planes() { return planes_; }

  private:
    const SourceState& state_;
    const DgdecodeLibrary& dgdecode_;
    FramePlanes& planes_;
    AvisynthFetch avisynth_;
    video::VideoFileSource* video_ = nullptr;
    PackedToPlanarFn convert_ = packedToPlanarReference;
};

} // namespace mivo
