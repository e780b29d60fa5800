#include "unit_reader.h"

#include <algorithm>

namespace mivo::mpeg2 {

namespace {

constexpr std::uint64_t kProgramLookBack = 16 * 1024;   // searched for earlier pack starts
constexpr std::uint64_t kElementaryLookBack = 4 * 1024; // covers a GOP header before an indexed picture
constexpr std::uint64_t kTransportLookBackPackets = 64;
// How far past the position the search goes before giving up, and how near an inexact index point must
// be to count as the one meant.
constexpr std::uint64_t kSearchLimit = 4u << 20;
constexpr std::uint64_t kNearWindow = 8 * 1024;

bool isPackStart(const std::uint8_t* p, std::size_t avail) {
    if (avail < 12 || p[0] != 0 || p[1] != 0 || p[2] != 1 || p[3] != 0xBA) return false;
    return (p[4] & 0xC4) == 0x44 || (p[4] & 0xF1) == 0x21; // MPEG-2 or MPEG-1 marker bits
}

} // namespace

UnitReader::UnitReader(FileSet& files, const DemuxSettings& settings)
    : files_(files), settings_(settings), demuxer_(files, settings) {}

void UnitReader::seek(std::uint64_t position) {
    demuxer_.seek(position);
    splitter_.reset();
}

bool UnitReader::next(AccessUnit& unit) {
    while (true) {
        if (splitter_.next(unit)) return true;
        if (splitter_.finished()) return false;
        EsChunk chunk;
        if (demuxer_.next(chunk))
            splitter_.push(chunk);
        else
            splitter_.finish();
    }
}

std::uint64_t UnitReader::readStartFor(std::uint64_t position) {
    switch (settings_.type) {
    case StreamType::elementary:
        return position > kElementaryLookBack ? position - kElementaryLookBack : 0;
    case StreamType::transport: {
        const int size =
            settings_.packetSize == 192 || settings_.packetSize == 204 ? settings_.packetSize : 188;
        const std::uint64_t back = kTransportLookBackPackets * static_cast<std::uint64_t>(size);
        return position > back ? position - back : 0;
    }
    case StreamType::program: {
        // Two pack starts back: the headers of an I picture indexed at `position` may begin in the pack
        // before, and that pack may begin with the rest of an earlier picture.
        const std::uint64_t from = position > kProgramLookBack ? position - kProgramLookBack : 0;
        scratch_.resize(static_cast<std::size_t>(position - from) + 16);
        const std::size_t got = files_.read(from, scratch_.data(), scratch_.size());
        int found = 0;
        std::size_t end = std::min<std::size_t>(got, static_cast<std::size_t>(position - from));
        for (std::size_t i = end; i-- > 0;) {
            if (isPackStart(scratch_.data() + i, got - i) && ++found == 2) return from + i;
        }
        return from;
    }
    }
    return position;
}

bool UnitReader::seekLine(std::uint64_t position, int skip, AccessUnit& unit) {
    const std::uint64_t start = readStartFor(position);
    seek(start);
    int ordinal = 0, bestOrdinal = -1;
    std::uint64_t bestDistance = 0;
    bool bestBefore = false;
    while (next(unit)) {
        if (unit.type == kPictureI) {
            if (unit.indexOrigin == position) {
                if (skip-- == 0) return true;
            } else {
                const bool before = unit.indexOrigin < position;
                const std::uint64_t distance =
                    before ? position - unit.indexOrigin : unit.indexOrigin - position;
                // Prefer the nearest one at or before the position (a PES start lies after its pack start).
                if (distance <= kNearWindow && (bestOrdinal < 0 || (before && !bestBefore) ||
                                                (before == bestBefore && distance < bestDistance))) {
                    bestOrdinal = ordinal;
                    bestDistance = distance;
                    bestBefore = before;
                }
            }
            ++ordinal;
            if (unit.indexOrigin > position + kNearWindow) break;
        }
        if (demuxer_.position() > position + kSearchLimit) break;
    }
    if (bestOrdinal < 0) return false;
    seek(start);
    ordinal = 0;
    while (next(unit)) {
        if (unit.type == kPictureI && ordinal++ == bestOrdinal) return true;
        if (demuxer_.position() > position + kSearchLimit) break;
    }
    return false;
}

} // namespace mivo::mpeg2
