#pragma once
// Frames of a D2V project through a decoder library's three exports. The library the front-end copied
// beside the encoder ("DGDecode.dll") is preferred; without it the project version's own library in the
// DGDecode folder is used.

#include "encode_job.h"

#include "core/dgdecode_interface.h"
#include "platform/platform.h"

#include <cstdint>
#include <string>
#include <vector>

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
    // A second reader of the same project, for an encoding thread of its own. A loaded library serves
    // one project at a time, so this one loads a private copy of the library file. False with a message.
    bool openTwin(const FrameSource& original, std::string& error);
    const StreamFacts& facts() const { return facts_; }

    // How many of the frames first..last the project flags as progressive pictures whose two fields
    // come from the same coded frame; -1 when the project does not say.
    int progressiveFrames(int first, int last) const;

    // Frame n as the library delivers it: luma, then V, then U, each without padding. Never null once
    // open succeeded (the library clamps n to its frames); null before.
    const std::uint8_t* frame(int n) const;
    std::size_t lumaBytes() const { return static_cast<std::size_t>(facts_.width) * facts_.height; }

  private:
    bool load(const std::string& library, const std::string& project, std::string& error);
    void readProgressiveFlags(const std::string& project);

    std::string library_, project_;
    std::string privateCopy_; // the library file copied for a twin, removed once unloaded
    std::vector<bool> progressive_;
    platform::Module module_;
    dgdecode::FrameFn getFrame_ = nullptr;
    dgdecode::CloseFn closeVideo_ = nullptr;
    StreamFacts facts_;
};

} // namespace mivo::encoder
