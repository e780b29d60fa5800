#pragma once
// The frame-server layer: loads the frame server's library at run time, keeps one script environment and
// the clip of one imported script, and copies its frames into the caller's planes. Results are the
// layer's codes below (0 = success); the source flows turn them into status messages.

#include "core/source_state.h"
#include "platform/platform.h"
#include "program/source/avisynth_api.h"

#include <cstdint>
#include <span>
#include <string>

namespace mivo {

enum AvisynthResult : int {
    kAvisynthOk = 0,
    kAvisynthNotLoaded = 1,     // library not found or not loaded
    kAvisynthNoEnvironment = 2, // exports missing, or no script environment
    kAvisynthScriptError = 3,   // the import raised an error; its text is handed back
    kAvisynthNoVideo = 4,       // width 0, or the script's value is not a clip
    kAvisynthNoColourSpace = 5, // neither 8-bit 4:2:0 planar nor YUY2
    kAvisynthFrameError = 6,    // no clip, or the frame request failed
    kAvisynthUnloadRefused = 7, // the system refused to unload the library
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
    // reports; a negative request leaves the frame server's default. 0, 1 or 2.
    int loadAvisynth(int& memoryRequest);

    // Imports the script and keeps its clip (the previous clip is dropped). `info` is filled for results
    // 0 and 5; `errorText` receives the frame server's message, at most 200 characters, for result 3.
    // 0, 1, 2, 3, 4 or 5.
    int importScript(const std::string& path, AvisynthClipInfo& info, std::string& errorText);

    // Frame n of a planar clip: the Y plane into `luma` with lumaPitch bytes a line, U into `plane2` and
    // V into `plane3` with chromaPitch, each source line copied on its own (the frame's pitch is usually
    // larger than its row). Nothing is written past a buffer's end. 0 or 6; on 6 the buffers are as they
    // were.
    int getAvisynthPlanarFrame(int n, int lumaPitch, int chromaPitch, std::span<std::uint8_t> luma,
                               std::span<std::uint8_t> plane2, std::span<std::uint8_t> plane3) const;

    // Frame n of a packed clip: its lines one after another without padding, at most `count` bytes
    // (and never past the buffer). 0 or 6.
    int getAvisynthRawFrame(int n, int count, std::span<std::uint8_t> buffer) const;

    // Drops the clip, destroys the environment, unloads the library. 0, or 7 when unloading is refused.
    int releaseAvisynth();

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
