#pragma once
// Takes the MPEG video elementary stream out of an elementary, program (VOB/MPG) or transport stream.
// Every piece of video data comes with the place it was found at, in the way a D2V project names
// positions: the pack start (program streams), the TS packet start (transport streams) or the exact byte
// (elementary streams). After a seek into the middle of a PES packet the data is passed on as it is, so a
// position that points into a PES packet still yields its pictures.

#include "d2v_project.h"
#include "file_set.h"

#include <cstdint>
#include <vector>

namespace mivo::mpeg2 {

struct EsChunk {
    const std::uint8_t* data = nullptr; // valid until the next call of the demuxer
    std::size_t size = 0;
    std::uint64_t origin = 0; // virtual position: pack start, TS packet start, or of data[0]
    bool exact = false;       // origin is the position of data[0] itself (elementary streams)
    int vob = 0, cell = 0;    // from the last DVD navigation pack seen
};

struct DemuxSettings {
    StreamType type = StreamType::elementary;
    int packetSize = 188; // transport streams: 188, 192 (4-byte prefix) or 204 (16 bytes after)
    int videoPid = -1;    // transport streams: -1 takes the first PID that starts an MPEG video PES
    int streamId = -1;    // program streams: 0xE0..0xEF; -1 takes the first video stream
};

class MpegDemuxer {
  public:
    MpegDemuxer(FileSet& files, const DemuxSettings& settings);

    void seek(std::uint64_t position); // forgets every partial packet
    bool next(EsChunk& chunk);         // false at the end of the stream
    std::uint64_t position() const { return bufferStart_ + pos_; }
    int videoPid() const { return settings_.videoPid; }
    int streamId() const { return settings_.streamId; }

  private:
    std::size_t fill(std::size_t want);
    bool nextElementary(EsChunk& chunk);
    bool nextProgram(EsChunk& chunk);
    // A pack header (MPEG-2 or MPEG-1) at the read position; a 0xBA start code that is none is passed.
    void passPackHeader();
    // The system header or PES packet at the read position; true with the chunk when it carries the
    // chosen video stream.
    bool takePacket(std::uint8_t code, EsChunk& chunk);
    bool nextTransport(EsChunk& chunk);
    std::size_t unboundedPesLength();
    void resyncTransport();

    FileSet& files_;
    DemuxSettings settings_;
    std::vector<std::uint8_t> buffer_;
    std::uint64_t bufferStart_ = 0; // virtual position of buffer_[0]
    std::size_t pos_ = 0, end_ = 0;
    bool streamEnd_ = false;

    std::uint64_t packStart_ = 0; // program streams
    bool havePack_ = false;
    int vob_ = 0, cell_ = 0;

    int headerSkip_ = 0; // transport streams: PES header bytes still to drop; -1 while reading its start
    std::uint8_t headerStart_[9] = {};
    int headerStartLength_ = 0;
};

// Length of the PES header (from the start code on) of the packet at p with total length len, MPEG-1 or
// MPEG-2 syntax; 0 when the header is malformed.
std::size_t pesHeaderLength(const std::uint8_t* p, std::size_t len);

} // namespace mivo::mpeg2
