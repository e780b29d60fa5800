#pragma once
// Frames of an ordinary video file (H.264, HEVC, MPEG-4, ... in MP4, Matroska, transport streams, AVI,
// MOV) through the same frame-exact layer the front-end previews and scans with, so the encoder's frame
// n is the one the user saw as frame n. The index the front-end kept is reused.

#include "frame_source.h"

#include "video_file_source.h"

#include <memory>
#include <string>

namespace mivo::encoder {

class VideoFileFrameSource final : public FrameSource {
  public:
    VideoFileFrameSource() = default;

    // False with a message (unknown format, no video stream, damaged file). `used` names the decoder.
    bool open(const std::string& path, std::string& used, std::string& error);
    const std::uint8_t* frame(int n) const override;
    // A second decoder over the same file and index, for an encoding thread of its own.
    std::unique_ptr<FrameSource> twin(std::string& error) const override;

  private:
    std::string path_;
    std::unique_ptr<video::VideoFileSource> source_;
};

} // namespace mivo::encoder
