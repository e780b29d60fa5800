#include "sources/avisynth_layer.h"

#include "platform/frame_server.h"

#include <algorithm>
#include <cstring>

namespace mivo {

ColourFormat avisynthColourFormat(int pixelType) {
    const auto code = static_cast<std::uint32_t>(pixelType);
    ColourFormat format = ColourFormat::None;
    // The mask tests alone would also take YV16, YV24, YV411 and the deeper AviSynth+ formats for 4:2:0
    // and deliver garbage pictures; their subsampling and sample-size fields are not zero.
    const bool planar420 = (code & avs::kCsYv12) == avs::kCsYv12 || (code & avs::kCsI420) == avs::kCsI420;
    if (planar420 && (code & avs::kCsShapeFields) == 0) format = ColourFormat::Planar420;
    if ((code & avs::kCsYuy2) == avs::kCsYuy2) format = ColourFormat::Packed422;
    return format;
}

bool AvisynthLayer::resolveExports() {
    avs::Functions f;
    bool all = true;
    all &= module_.resolve("avs_create_script_environment", f.createScriptEnvironment);
    all &= module_.resolve("avs_delete_script_environment", f.deleteScriptEnvironment);
    all &= module_.resolve("avs_set_memory_max", f.setMemoryMax);
    all &= module_.resolve("avs_invoke", f.invoke);
    all &= module_.resolve("avs_take_clip", f.takeClip);
    all &= module_.resolve("avs_release_value", f.releaseValue);
    all &= module_.resolve("avs_get_video_info", f.getVideoInfo);
    all &= module_.resolve("avs_get_frame", f.getFrame);
    all &= module_.resolve("avs_release_video_frame", f.releaseVideoFrame);
    all &= module_.resolve("avs_release_clip", f.releaseClip);
    all &= module_.resolve("avs_get_read_ptr_p", f.getReadPtr);
    all &= module_.resolve("avs_get_pitch_p", f.getPitch);
    all &= module_.resolve("avs_get_row_size_p", f.getRowSize);
    all &= module_.resolve("avs_get_height_p", f.getHeight);
    // Missing from older releases; only used to read an error text.
    module_.resolve("avs_get_error", f.getError);
    module_.resolve("avs_clip_get_error", f.clipGetError);
    if (all) f_ = f;
    return all;
}

AvisynthResult AvisynthLayer::loadAvisynth(int& memoryRequest) {
    // A second environment would leak the first one and its clip.
    releaseAvisynth();
    const std::optional<std::string> name = platform::frameServerLibraryName();
    if (!name || !module_.open(*name)) return AvisynthResult::NotLoaded;
    if (!resolveExports()) return AvisynthResult::NoEnvironment;
    env_ = f_.createScriptEnvironment(avs::kInterfaceVersion);
    if (!env_) return AvisynthResult::NoEnvironment;
    if (f_.getError && f_.getError(env_)) {
        // The wrapper exists but holds no environment: any further call would fail.
        f_.deleteScriptEnvironment(env_);
        env_ = nullptr;
        return AvisynthResult::NoEnvironment;
    }
    if (memoryRequest >= 0) memoryRequest = f_.setMemoryMax(env_, memoryRequest);
    return AvisynthResult::Ok;
}

void AvisynthLayer::dropClip() {
    if (clip_) f_.releaseClip(clip_);
    clip_ = nullptr;
}

AvisynthResult AvisynthLayer::importScript(const std::string& path, AvisynthClipInfo& info,
                                           std::string& errorText) {
    if (!module_.isOpen()) return AvisynthResult::NotLoaded;
    if (!env_) return AvisynthResult::NoEnvironment;
    dropClip();

    // A single, non-array value is taken as the one argument of the call.
    avs::Value argument{};
    argument.type = avs::kTypeString;
    argument.arraySize = 0;
    argument.d.string = path.c_str();
    const avs::Value result = f_.invoke(env_, "Import", argument, nullptr);
    if (result.type == avs::kTypeError) {
        const char* text = result.d.string ? result.d.string : "";
        errorText.assign(text, std::min(std::strlen(text), kAvisynthErrorTextLength));
        f_.releaseValue(result);
        return AvisynthResult::ScriptError;
    }
    if (result.type != avs::kTypeClip) {
        f_.releaseValue(result);
        return AvisynthResult::NoVideo;
    }
    clip_ = f_.takeClip(result, env_);
    f_.releaseValue(result);
    if (!clip_) return AvisynthResult::NoVideo;

    const avs::VideoInfo* vi = f_.getVideoInfo(clip_);
    if (!vi || vi->width <= 0) return AvisynthResult::NoVideo;
    info.width = vi->width;
    info.height = vi->height;
    info.frameCount = vi->numFrames;
    info.rateNumerator = vi->fpsNumerator;
    info.rateDenominator = vi->fpsDenominator;
    info.pixelType = vi->pixelType;
    info.colourFormat = avisynthColourFormat(vi->pixelType);
    return info.colourFormat == ColourFormat::None ? AvisynthResult::NoColourSpace : AvisynthResult::Ok;
}

void AvisynthLayer::copyPlane(const avs::VideoFrame* frame, int plane, std::span<std::uint8_t> dst,
                              int dstPitch) const {
    const std::uint8_t* src = f_.getReadPtr(frame, plane);
    const int srcPitch = f_.getPitch(frame, plane);
    const int rowSize = f_.getRowSize(frame, plane);
    const int height = f_.getHeight(frame, plane);
    if (!src || rowSize <= 0 || height <= 0 || dstPitch <= 0) return;
    const std::size_t pitch = static_cast<std::size_t>(dstPitch);
    const std::size_t bytes = std::min(static_cast<std::size_t>(rowSize), pitch);
    for (std::size_t line = 0; line < static_cast<std::size_t>(height); ++line) {
        const std::size_t at = line * pitch;
        if (at + bytes > dst.size()) break;
        std::memcpy(dst.data() + at, src + static_cast<std::ptrdiff_t>(line) * srcPitch, bytes);
    }
}

AvisynthResult AvisynthLayer::getAvisynthPlanarFrame(int n, int lumaPitch, int chromaPitch,
                                                     std::span<std::uint8_t> luma,
                                                     std::span<std::uint8_t> plane2,
                                                     std::span<std::uint8_t> plane3) const {
    if (!env_ || !clip_) return AvisynthResult::FrameError;
    avs::VideoFrame* frame = f_.getFrame(clip_, n);
    if (!frame) return AvisynthResult::FrameError;
    copyPlane(frame, avs::kPlaneY, luma, lumaPitch);
    // Packed frames report no chroma pitch; then there is nothing to copy.
    if (f_.getPitch(frame, avs::kPlaneU) != 0) {
        copyPlane(frame, avs::kPlaneU, plane2, chromaPitch);
        copyPlane(frame, avs::kPlaneV, plane3, chromaPitch);
    }
    f_.releaseVideoFrame(frame);
    return AvisynthResult::Ok;
}

AvisynthResult AvisynthLayer::getAvisynthRawFrame(int n, int count, std::span<std::uint8_t> buffer) const {
    if (!env_ || !clip_) return AvisynthResult::FrameError;
    avs::VideoFrame* frame = f_.getFrame(clip_, n);
    if (!frame) return AvisynthResult::FrameError;
    const std::uint8_t* src = f_.getReadPtr(frame, avs::kPlaneDefault);
    const int srcPitch = f_.getPitch(frame, avs::kPlaneDefault);
    const int rowSize = f_.getRowSize(frame, avs::kPlaneDefault);
    const int height = f_.getHeight(frame, avs::kPlaneDefault);
    if (src && rowSize > 0 && count > 0) {
        const std::size_t total = std::min(static_cast<std::size_t>(count), buffer.size());
        std::size_t written = 0;
        for (int line = 0; line < height && written < total; ++line) {
            const std::size_t bytes = std::min(static_cast<std::size_t>(rowSize), total - written);
            std::memcpy(buffer.data() + written, src + static_cast<std::ptrdiff_t>(line) * srcPitch, bytes);
            written += bytes;
        }
    }
    f_.releaseVideoFrame(frame);
    return AvisynthResult::Ok;
}

std::string AvisynthLayer::versionString() const {
    if (!env_) return {};
    avs::Value none{};
    none.type = avs::kTypeArray;
    none.arraySize = 0;
    const avs::Value result = f_.invoke(env_, "VersionString", none, nullptr);
    std::string text;
    if (result.type == avs::kTypeString && result.d.string) text = result.d.string;
    f_.releaseValue(result);
    return text;
}

AvisynthResult AvisynthLayer::releaseAvisynth() {
    // The clip belongs to the environment and the environment to the library: release in that order.
    dropClip();
    if (env_) f_.deleteScriptEnvironment(env_);
    env_ = nullptr;
    f_ = avs::Functions{};
    if (module_.isOpen() && !module_.close()) return AvisynthResult::UnloadRefused;
    return AvisynthResult::Ok;
}

} // namespace mivo
