#pragma once
// The index of a video file's picture stream: one entry per packet of the video stream in the order the
// demuxer gives them (decode order), with where it lies, its time stamps and whether FFmpeg's sequential
// decode shows a frame for it. Frame n of the file is the nth shown packet in presentation order; every
// path to a frame (stepping, the slider, the scan, the encoder) goes through that one numbering.
//
// The index is kept on disk beside the source (or in the settings folder) so that a second open costs
// nothing; it is tied to the source by its size and modification time.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mivo::video {

inline constexpr std::int64_t kNoTime = INT64_MIN;

struct PacketEntry {
    std::int64_t pos = -1;      // byte position the demuxer reported, -1 when it gives none
    std::int64_t pts = kNoTime; // presentation time (always known once the index is built)
    std::int64_t dts = kNoTime; // decode time, as the demuxer gave it
    std::uint32_t flags = 0;

    bool operator==(const PacketEntry&) const = default;
};

inline constexpr std::uint32_t kPacketKey = 1u;   // decoding may start here
inline constexpr std::uint32_t kPacketShown = 2u; // sequential decode shows a frame for it
inline constexpr std::uint32_t kPacketFlagsKnown = kPacketKey | kPacketShown;

struct IndexHeader {
    std::uint64_t sourceSize = 0;
    std::int64_t sourceTime = 0; // modification time in nanoseconds
    std::int32_t stream = 0;     // index of the video stream in the container
    std::int32_t timeBaseNum = 1, timeBaseDen = 1;
    // libavformat's version: another one may cut or place packets differently, so its index is rebuilt.
    std::uint32_t demuxerVersion = 0;

    bool operator==(const IndexHeader&) const = default;
};

class VideoIndex {
  public:
    VideoIndex() = default;
    // Takes the packets in decode order and derives the frame numbering. False (with `error`) when the
    // packets give no frame to show or break the rules the reader also enforces.
    bool assign(const IndexHeader& header, std::vector<PacketEntry> packets, std::string& error);

    const IndexHeader& header() const { return header_; }
    const std::vector<PacketEntry>& packets() const { return packets_; }

    // Frames shown, in presentation order.
    int frameCount() const { return static_cast<int>(shown_.size()); }
    // The packet (decode index) of frame n.
    std::uint32_t packetOfFrame(int n) const { return shown_[static_cast<std::size_t>(n)]; }
    // The frame a packet shows, or -1 when it shows none.
    int frameOfPacket(std::uint32_t packet) const { return frameOf_[packet]; }
    // Where decoding must begin for frame n to come out as in a sequential decode: the last key packet at
    // or before it whose own frame is not shown later than frame n (a picture shown before its key
    // packet may lean on the packets before that key, as in an open GOP).
    std::uint32_t startOfFrame(int n) const;
    // Presentation time of frame n.
    std::int64_t timeOfFrame(int n) const { return packets_[packetOfFrame(n)].pts; }

  private:
    IndexHeader header_;
    std::vector<PacketEntry> packets_;
    std::vector<std::uint32_t> shown_;
    std::vector<std::int32_t> frameOf_;
    std::vector<std::uint32_t> keys_;
};

// The index file: a fixed header, the entries, and a checksum over all of it. The reader accepts only a
// file whose every field is in range, so whatever it returns can be used without further checks.
std::string formatIndexFile(const VideoIndex& index);
bool parseIndexFile(std::string_view bytes, VideoIndex& index, std::string& error);

} // namespace mivo::video
