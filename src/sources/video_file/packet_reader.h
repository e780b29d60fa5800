#pragma once
// Reads the video stream's packets of an open container from any indexed packet on. Seeking in a
// container is only approximate (to a key frame near a time, or to a byte), so after every seek the
// packets are matched against the index until the wanted one comes: reading starts exactly there or
// the seek is retried from further back, down to the start of the file.

#include "video_index.h"

#include <cstdint>
#include <vector>

struct AVFormatContext;
struct AVPacket;

namespace mivo::video {

class PacketReader {
  public:
    PacketReader(AVFormatContext* format, int stream, const std::vector<PacketEntry>& packets);

    // The next packet read is `packet`. False when the container cannot get there.
    bool seekTo(std::uint32_t packet);
    // The next packet of the video stream and its decode index; false at the end of the file or when
    // the container gives packets the index does not know (the file changed under us).
    bool next(AVPacket* out, std::uint32_t& index);
    // Decode index of the packet next() returns.
    std::uint32_t position() const { return next_; }

  private:
    bool seekNear(std::uint32_t key, int attempt);
    bool readVideo(AVPacket* out);
    bool matches(const AVPacket* p, std::uint32_t index) const;

    AVFormatContext* format_;
    int stream_;
    const std::vector<PacketEntry>& packets_;
    bool byteSeek_ = false;
    std::uint32_t next_ = 0;
    bool held_ = false; // `heldPacket_` was read while matching and is the one next() returns
    AVPacket* heldPacket_ = nullptr;

  public:
    ~PacketReader();
    PacketReader(const PacketReader&) = delete;
    PacketReader& operator=(const PacketReader&) = delete;
};

} // namespace mivo::video
