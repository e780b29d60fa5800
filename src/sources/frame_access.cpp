#include "sources/frame_access.h"

#include "video_file_source.h"

#include <cstring>

namespace mivo {

namespace {

// The video file serves YV12 (luma, V, U) in one buffer; the planes take U in plane 2 and V in plane 3.
FetchResult copyVideoFrame(video::VideoFileSource& source, int n, FramePlanes& planes) {
    const video::VideoFileInfo& info = source.info();
    const std::size_t luma = static_cast<std::size_t>(info.width) * static_cast<std::size_t>(info.height);
    const std::size_t chroma =
        static_cast<std::size_t>(info.width / 2) * static_cast<std::size_t>(info.height / 2);
    if (luma > FramePlanes::kLumaCapacity || chroma > FramePlanes::kChromaCapacity)
        return FetchResult::NoFrame;
    const std::uint8_t* frame = source.frame(n);
    std::memcpy(planes.luma, frame, luma);
    std::memcpy(planes.plane3, frame + luma, chroma);
    std::memcpy(planes.plane2, frame + luma + chroma, chroma);
    return FetchResult::Ok;
}

} // namespace

FetchResult FrameAccess::fetchFrame(int n) {
    if (state_.isVideoFile) return video_ ? copyVideoFrame(*video_, n, planes_) : FetchResult::NoFrame;
    if (state_.isD2vProject) {
        if (!dgdecode_.loaded()) return FetchResult::NoFrame;
        if (state_.colourFormat == ColourFormat::Packed422) {
            // The packed frame lands whole in the staging buffer, then becomes planes like any other.
            std::uint8_t* p = planes_.packed;
            const std::size_t luma = dgdecode_.lumaSize(), chroma = dgdecode_.chromaSize();
            if (!dgdecode_.getDgdecodeFrame(n, p, p + luma, p + luma + chroma)) return FetchResult::NoFrame;
            // The width and height the stream opened with, not a height repaired since.
            const int width = state_.lumaPitch > 0 ? state_.lumaPitch : state_.width;
            const int height = width > 0 ? static_cast<int>(luma / static_cast<std::size_t>(width)) : 0;
            convertPackedFrame(convert_, p, 2 * width, width, height, planes_.luma, width, planes_.plane2,
                               planes_.plane3, width / 2);
            return FetchResult::Ok;
        }
        // Chroma planes in U, V order whatever the decoder's block order.
        std::uint8_t* first = dgdecode_.vPlaneFirst() ? planes_.plane3 : planes_.plane2;
        std::uint8_t* second = dgdecode_.vPlaneFirst() ? planes_.plane2 : planes_.plane3;
        return dgdecode_.getDgdecodeFrame(n, planes_.luma, first, second) ? FetchResult::Ok
                                                                          : FetchResult::NoFrame;
    }
    if (!state_.isAvisynthScript || !avisynth_) return FetchResult::NoFrame;
    return avisynth_(n, planes_) == AvisynthResult::Ok ? FetchResult::Ok : FetchResult::FrameServerError;
}

} // namespace mivo
