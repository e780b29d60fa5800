#include "avisynth_frame_source.h"

#include "platform/frame_server.h"
#include "sources/avisynth_fetch.h"

namespace mivo::encoder {

namespace {

std::string importFailure(AvisynthResult result, const std::string& script, const std::string& errorText) {
    switch (result) {
    case AvisynthResult::ScriptError:
        return "the frame server cannot read the script " + script + ": " + errorText;
    case AvisynthResult::NoColourSpace:
        return "only YV12 and YUY2 clips can be encoded; " + script + " is neither";
    case AvisynthResult::NoVideo:
        return "the script " + script + " gives no video clip";
    default:
        return "the frame server cannot import " + script;
    }
}

} // namespace

bool AvisynthFrameSource::open(const std::string& script, int cpuMode, std::string& libraryUsed,
                               std::string& error) {
    int memoryRequest = -1; // the frame server's own cache size
    const AvisynthResult loaded = layer_.loadAvisynth(memoryRequest);
    if (loaded == AvisynthResult::NotLoaded) {
        error =
            "no frame server (AviSynth+ libavisynth.so) found, the Avisynth script cannot be read: " + script;
        return false;
    }
    if (loaded != AvisynthResult::Ok) {
        error =
            "the frame server's library gives no script environment, the Avisynth script cannot be read: " +
            script;
        return false;
    }
    libraryUsed = platform::frameServerLibraryPath().value_or("the frame server");
    AvisynthClipInfo info;
    std::string errorText;
    const AvisynthResult imported = layer_.importScript(script, info, errorText);
    if (imported != AvisynthResult::Ok) {
        error = importFailure(imported, script, errorText);
        return false;
    }
    const StreamFacts facts{info.width, info.height, static_cast<int>(info.rateNumerator),
                            static_cast<int>(info.rateDenominator), info.frameCount,
                            // A script's frames carry no shape of their own: square pixels.
                            info.height > 0 ? static_cast<double>(info.width) / info.height : 0.0};
    if (!acceptFacts(facts, script, error)) return false;

    state_.width = info.width;
    state_.height = info.height;
    state_.colourFormat = info.colourFormat;
    state_.frameBytes = 2 * info.width * info.height;
    state_.lumaPitch = info.width;
    state_.chromaPitch = info.width / 2;
    cpuLevel_ = conversionCpuLevel(cpuMode);
    planes_.assign(lumaBytes() + lumaBytes() / 2, 0);
    if (info.colourFormat == ColourFormat::Packed422) packed_.assign(2 * lumaBytes(), 0);
    return true;
}

const std::uint8_t* AvisynthFrameSource::frame(int n) const {
    const std::size_t luma = lumaBytes(), chroma = luma / 4;
    const std::span<std::uint8_t> all(planes_);
    const PlaneBuffers buffers{all.subspan(0, luma), all.subspan(luma + chroma, chroma),
                               all.subspan(luma, chroma), std::span<std::uint8_t>(packed_)};
    if (fetchAvisynthFrame(layer_, state_, buffers, n, cpuLevel_) != AvisynthResult::Ok) return nullptr;
    return planes_.data();
}

} // namespace mivo::encoder
