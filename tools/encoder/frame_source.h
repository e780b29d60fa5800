#pragma once
// Where the encoder's frames come from: a D2V project through a decoder library, an Avisynth script
// through the frame server, or a video file through FFmpeg's libraries. Every source hands out planar 4:2:0
// frames in the decoder library's own layout, so the encoder has one way to read them.

#include "encode_job.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace mivo::encoder {

// The largest pictures the front-end shows are also the largest this encoder takes.
inline constexpr int kMaxWidth = 1920;
inline constexpr int kMaxHeight = 1152;

class FrameSource {
  public:
    virtual ~FrameSource() = default;
    FrameSource(const FrameSource&) = delete;
    FrameSource& operator=(const FrameSource&) = delete;

    const StreamFacts& facts() const { return facts_; }
    // Frame n: luma, then V, then U, each without padding. Null when it cannot be had.
    virtual const std::uint8_t* frame(int n) const = 0;
    // A second reader of the same input, for an encoding thread of its own. Null with a message when
    // the input cannot be read twice at once (the run then keeps to one thread).
    virtual std::unique_ptr<FrameSource> twin(std::string& error) const;
    // How many of the frames first..last the source flags as progressive pictures whose two fields come
    // from one coded frame; -1 when it does not say.
    virtual int progressiveFrames(int first, int last) const;
    std::size_t lumaBytes() const { return static_cast<std::size_t>(facts_.width) * facts_.height; }

  protected:
    FrameSource() = default;
    // False with a message when the facts give no usable picture.
    bool acceptFacts(const StreamFacts& facts, const std::string& input, std::string& error);

    StreamFacts facts_;
};

// The processor level the packed-to-planar conversion runs at: the processor's own for *CPU AUTO, else
// the forced extension set (never above what the processor has).
int conversionCpuLevel(int cpuMode);

// Opens the job's input: an Avisynth script through the frame server, a D2V project through its decoder
// library, anything else as a video file.
// `used` names what delivers the frames (the decoder library or the frame server's library). Null with
// a message.
std::unique_ptr<FrameSource> openFrameSource(const EncodeJob& job, const std::string& programFolder,
                                             std::string& used, std::string& error);

} // namespace mivo::encoder
