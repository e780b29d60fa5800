#pragma once
// Frames of an Avisynth script through the same frame-server layer and frame fetch the front-end uses:
// YV12 clips as they are, YUY2 clips through the shared packed-to-planar conversion.

#include "frame_source.h"

#include "sources/avisynth_layer.h"

#include <vector>

namespace mivo::encoder {

class AvisynthFrameSource final : public FrameSource {
  public:
    AvisynthFrameSource() = default;

    // Loads the frame server and imports the script. False with a message; libraryUsed names the frame
    // server's library.
    bool open(const std::string& script, int cpuMode, std::string& libraryUsed, std::string& error);
    // Null when the frame server reports an error for frame n.
    const std::uint8_t* frame(int n) const override;

  private:
    AvisynthLayer layer_;
    SourceState state_;
    int cpuLevel_ = 0;
    mutable std::vector<std::uint8_t> planes_; // luma, V, U: the layout every source hands out
    mutable std::vector<std::uint8_t> packed_;
};

} // namespace mivo::encoder
