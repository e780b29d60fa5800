#pragma once
// The C interface of a D2V decoder library, one per project version, loaded at run time and reached
// through three exports looked up by name. The front-end, the encoder back end, our decoder library and
// the synthetic decoder of the tests all build against this one description of it.

#include "core/source_state.h"

#include <cstddef>
#include <cstdint>

namespace mivo::dgdecode {

// What openMPEG2Source returns: the frame server's video description, whose first six fields the clients
// read; the audio part stays empty. It belongs to the library and stays valid until the next open or
// close.
struct StreamInfo {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t rateNumerator = 0;
    std::int32_t rateDenominator = 0;
    std::int32_t frameCount = 0;
    std::int32_t pixelType = 0;
    std::int32_t audioSamplesPerSecond = 0;
    std::int32_t sampleType = 0;
    std::int64_t audioSampleCount = 0;
    std::int32_t audioChannels = 0;
    std::int32_t imageType = 0;
};
static_assert(sizeof(StreamInfo) == 48 && offsetof(StreamInfo, pixelType) == 20);

// openMPEG2Source(path): the stream description of the D2V project, or null when it cannot be opened.
using OpenFn = const StreamInfo* (*)(const char* path);
// getFrame(n): frame n, luma followed by two chroma blocks for planar 4:2:0 (V first for YV12) or the
// packed 4:2:2 frame split the same way; null when there is none.
using FrameFn = const std::uint8_t* (*)(int frame);
// closeVideo(): closes the open project.
using CloseFn = void (*)();

// setDecodeThreads(n): an export of this project's own library only, looked up when present: the
// projects opened after the call decode on up to n threads, giving frames bit for bit the same.
using ThreadsFn = void (*)(int threads);

inline constexpr const char* kOpenExport = "openMPEG2Source";
inline constexpr const char* kFrameExport = "getFrame";
inline constexpr const char* kCloseExport = "closeVideo";
inline constexpr const char* kThreadsExport = "setDecodeThreads";

// The frame server's colour-space codes a library reports as its pixel type.
inline constexpr std::uint32_t kPixelTypeYv12 = 0xA0000008u;
inline constexpr std::uint32_t kPixelTypeI420 = 0xA0000010u;
inline constexpr std::uint32_t kPixelTypeYuy2 = 0x60000004u;
inline constexpr std::uint32_t kPixelTypeRgb24 = 0x50000001u;

// Planar 4:2:0 for YV12 or I420, packed 4:2:2 for YUY2 (tested last, so it wins), otherwise none.
constexpr ColourFormat colourFormatOf(std::int32_t pixelType) {
    const auto code = static_cast<std::uint32_t>(pixelType);
    ColourFormat f = ColourFormat::None;
    if ((code & kPixelTypeYv12) == kPixelTypeYv12 || (code & kPixelTypeI420) == kPixelTypeI420)
        f = ColourFormat::Planar420;
    if ((code & kPixelTypeYuy2) == kPixelTypeYuy2) f = ColourFormat::Packed422;
    return f;
}

} // namespace mivo::dgdecode
