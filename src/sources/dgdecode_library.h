#pragma once
// A DGDecode decoder library, loaded at run time: one per D2V project format version, only one in
// memory at a time. Of its three exports (base/dgdecode_interface.h) openMPEG2Source and getFrame do the
// work; closeVideo must be present, and closes a stream before its library goes.

#include "base/dgdecode_interface.h"
#include "core/source_state.h"
#include "platform/platform.h"

#include <cstdint>
#include <string>

namespace mivo {

// The layer's results; the values are the layer's long-standing result codes.
enum class DgdecodeResult : int {
    Ok = 0,
    NotLoaded = 128,
    NotUnloaded = 129,
    MissingExport = 130,
    CannotOpen = 131,
    NoSpecifications = 132,
    NoYv12OrYuy2 = 133,
};

struct StreamProperties {
    int width = 0, height = 0, frameCount = 0;
    int rateNumerator = 0, rateDenominator = 0;
    std::int32_t pixelType = 0;
    ColourFormat colourFormat = ColourFormat::None;
};

class DgdecodeLibrary {
  public:
    // loadDecoderLibrary: forgets the stream and the exports, then loads the library by full path.
    DgdecodeResult load(const std::string& path);
    // releaseDecoderLibrary: Ok also when nothing is loaded.
    DgdecodeResult release();
    bool loaded() const { return module_.isOpen(); }

    // openProject: opens the project through the loaded library. Frames larger than the shared planes
    // are refused like a stream without usable specifications, so no fetch can overrun them.
    DgdecodeResult openProject(const std::string& path, StreamProperties& out);

    // Asks a library that can decode on several threads to use up to `threads` for the projects opened
    // next; false (and one thread) for a library without that export.
    bool setDecodeThreads(int threads) const;

    // getDgdecodeFrame: frame n's luma into p1, the chroma block that follows it into p2, the last block
    // into p3; p1 must hold the luma size and p2, p3 the chroma size of the open stream (for a packed
    // stream the three blocks together are the packed frame). False, with nothing copied, when no
    // stream is open or the library has no frame to give.
    bool getDgdecodeFrame(int n, std::uint8_t* p1, std::uint8_t* p2, std::uint8_t* p3) const;

    std::size_t lumaSize() const { return lumaSize_; }
    std::size_t chromaSize() const { return chromaSize_; }
    // The chroma block after the luma is V (YV12) rather than U (I420).
    bool vPlaneFirst() const { return vFirst_; }

  private:
    void closeStream();

    platform::Module module_;
    bool resolved_ = false;
    dgdecode::OpenFn open_ = nullptr;
    dgdecode::FrameFn frame_ = nullptr;
    dgdecode::CloseFn close_ = nullptr;
    const dgdecode::StreamInfo* info_ = nullptr; // belongs to the library, never freed here
    std::size_t lumaSize_ = 0, chromaSize_ = 0;
    bool vFirst_ = false;
};

} // namespace mivo
