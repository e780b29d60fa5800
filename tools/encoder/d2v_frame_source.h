#pragma once
// Frames of a D2V project through a decoder library's three exports. The library the front-end copied
// beside the encoder ("DGDecode.dll") is preferred; without it the project version's own library in the
// DGDecode folder is used. Packed 4:2:2 frames become planar 4:2:0 through the program's shared
// conversion.

#include "frame_source.h"

#include "base/dgdecode_interface.h"
#include "core/kernels/packed_to_planar.h"
#include "platform/platform.h"

#include <memory>
#include <vector>

namespace mivo::encoder {

class D2vFrameSource final : public FrameSource {
  public:
    D2vFrameSource() = default;
    ~D2vFrameSource() override;

    // Loads the library, opens the project and checks what it says about the stream. False with a
    // message. libraryUsed names the library file that was loaded.
    bool open(const std::string& programFolder, const std::string& project, int cpuMode, bool decoderCopy,
              std::string& libraryUsed, std::string& error);
    // Never null once open succeeded (the library clamps n to its frames); null before.
    const std::uint8_t* frame(int n) const override;
    // A loaded library serves one project at a time, so a twin loads a private copy of the library file.
    std::unique_ptr<FrameSource> twin(std::string& error) const override;
    int progressiveFrames(int first, int last) const override;

  private:
    bool load(const std::string& library, std::string& error);
    void readProgressiveFlags();

    std::string library_, project_;
    int cpuMode_ = 0;
    std::string privateCopy_; // the library file copied for a twin, removed once unloaded
    std::vector<bool> progressive_;
    platform::Module module_;
    dgdecode::FrameFn getFrame_ = nullptr;
    dgdecode::CloseFn closeVideo_ = nullptr;
    PackedToPlanarFn convert_ = nullptr; // set for packed sources
    mutable std::vector<std::uint8_t> planar_;
};

} // namespace mivo::encoder
