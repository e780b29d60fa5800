#pragma once
// The frame-server layer: loads the frame server's library at run time, keeps one script environment and
// the clip of one imported script, and copies its frames into the caller's planes. The source flows turn
// each result into a status message.

#include "core/source_state.h"
#include "platform/platform.h"
#include "sources/avisynth_api.h"

#include <cstdint>
#include <span>
#include <string>

namespace mivo {

// The layer's results; the values are the layer's long-standing result codes.
enum class AvisynthResult : int {
    Ok = 0,
    NotLoaded = 1,     // library not found or not loaded
    NoEnvironment = 2, // exports missing, or no script environment
    ScriptError = 3,   // the import raised an error; its text is handed back
    NoVideo = 4,       // width 0, or the script's value is not a clip
    NoColourSpace = 5, // neither 8-bit 4:2:0 planar nor YUY2
    FrameError = 6,    // no clip, or the frame request failed
    UnloadRefused = 7, // the system refused to unload the library
};

// The longest error text kept from the frame server.
inline constexpr std::size_t kAvisynthErrorTextLength = 200;

// Planar 4:2:0 for YV12 and I420 (8 bits, no other subsampling), packed 4:2:2 for YUY2, otherwise none.
// The YUY2 test comes last and wins.
ColourFormat avisynthColourFormat(int pixelType);

struct AvisynthClipInfo {
    int width = 0;
    int height = 0;
    int frameCount = 0;
    unsigned rateNumerator = 0;
    unsigned rateDenominator = 0;
    int pixelType = 0;
    ColourFormat colourFormat = ColourFormat::None;
};

class AvisynthLayer {
  public:
    AvisynthLayer() = default;
    ~AvisynthLayer() { releaseAvisynth(); }
    AvisynthLayer(const AvisynthLayer&) = delete;
    AvisynthLayer& operator=(const AvisynthLayer&) = delete;

    // Loads the library and creates the script environment (whatever was held before is released
    // first). A memory request of 0 or more is handed to the environment and replaced by the limit it
    // reports; a negative request leaves the frame server's default. Ok, NotLoaded or NoEnvironment.
    AvisynthResult loadAvisynth(int& memoryRequest);

    // Imports the script and keeps its clip (the previous clip is dropped). `info` is filled for Ok and
    // NoColourSpace; `errorText` receives the frame server's message, at most 200 characters, for
    // ScriptError.
    AvisynthResult importScript(const std::string& path, AvisynthClipInfo& info, std::string& errorText);

    // Frame n of a planar clip: the Y plane into `luma` with lumaPitch bytes a line, U into `plane2` and
    // V into `plane3` with chromaPitch, each source line copied on its own (the frame's pitch is usually
    // larger than its row). Nothing is written past a buffer's end. Ok or FrameError; on FrameError the
    // buffers are as they were.
    AvisynthResult getAvisynthPlanarFrame(int n, int lumaPitch, int chromaPitch, std::span<std::uint8_t> luma,
                                          std::span<std::uint8_t> plane2,
                                          std::span<std::uint8_t> plane3) const;

    // Frame n of a packed clip: its lines one after another without padding, at most `count` bytes
    // (and never past the buffer). Ok or FrameError.
    AvisynthResult getAvisynthRawFrame(int n, int count, std::span<std::uint8_t> buffer) const;

    // The frame server's own account of its version (its "VersionString" function); empty when it gives
    // none. Needs the environment of loadAvisynth.
    std::string versionString() const;

    // Drops the clip, destroys the environment, unloads the library. Ok, or UnloadRefused.
    AvisynthResult releaseAvisynth();

    bool libraryLoaded() const { return module_.isOpen(); }
    bool environmentCreated() const { return env_ != nullptr; }
    bool clipHeld() const { return clip_ != nullptr; }

  private:
    bool resolveExports();
    void dropClip();
    void copyPlane(const avs::VideoFrame* frame, int plane, std::span<std::uint8_t> dst, int dstPitch) const;

    platform::Module module_;
    avs::Functions f_;
    avs::ScriptEnvironment* env_ = nullptr;
    avs::Clip* clip_ = nullptr;
};

} // namespace mivo
