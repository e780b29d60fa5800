#pragma once
// Access units of a (multi-file) stream from any position, and the way back to the I picture that a
// project line points at. The indexer verifies its positions with the same search the decoder uses.

#include "file_set.h"
#include "mpeg_demuxer.h"
#include "picture_splitter.h"

#include <cstdint>
#include <vector>

namespace mivo::mpeg2 {

class UnitReader {
  public:
    UnitReader(FileSet& files, const DemuxSettings& settings);

    void seek(std::uint64_t position);
    bool next(AccessUnit& unit); // false at the end of the stream
    std::uint64_t position() const { return demuxer_.position(); }
    const MpegDemuxer& demuxer() const { return demuxer_; }

    // Goes to the I picture of a line: the (skip+1)-th I picture whose index point lies at `position`
    // (pack start, TS packet start or exact byte, as the indexer records it). Reading starts a little
    // earlier, so that headers that began in an earlier pack or packet are seen whole. Positions from
    // indexers that point elsewhere (a PES start, say) fall back to the I picture nearest to them.
    // On success `unit` is that I picture and the reader stands right after it.
    bool seekLine(std::uint64_t position, int skip, AccessUnit& unit);

  private:
    std::uint64_t readStartFor(std::uint64_t position);

    FileSet& files_;
    DemuxSettings settings_;
    MpegDemuxer demuxer_;
    PictureSplitter splitter_;
    std::vector<std::uint8_t> scratch_;
};

} // namespace mivo::mpeg2
