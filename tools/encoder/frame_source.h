#pragma once
// Frames of a D2V project through a decoder library's three exports. The library the front-end copied
// beside the encoder ("DGDecode.dll") is preferred; without it the project version's own library in the
// DGDecode folder is used.

#include "encode_job.h"

#include "core/dgdecode_interface.h"
#include "platform/platform.h"

#include <cstdint>
#include <string>

namespace mivo::encoder {

class FrameSource {
  public:
    FrameSource() = default;
    ~FrameSource();
    FrameSource(const FrameSource&) = delete;
    FrameSource& operator=(const FrameSource&) = delete;

    // Loads the library, opens the project and checks what it says about the stream. False with a
    // message. libraryUsed names the library file that was loaded.
    bool open(const std::string& programFolder, const std::string& project, std::string& libraryUsed,
              std::string& error);
    const StreamFacts& facts() const { return facts_; }

    // Frame n as the library delivers it: luma, then V, then U, each without padding. Never null once
    // open succeeded (the library clamps n to its frames); null before.
    const std::uint8_t* frame(int n) const;
    std::size_t lumaBytes() const { return static_cast<std::size_t>(facts_.width) * facts_.height; }

  private:
    platform::Module module_;
    dgdecode::FrameFn getFrame_ = nullptr;
    dgdecode::CloseFn closeVideo_ = nullptr;
    StreamFacts facts_;
};

} // namespace mivo::encoder
