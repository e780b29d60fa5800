#include "mpeg_demuxer.h"

#include <algorithm>
#include <cstring>

namespace mivo::mpeg2 {

namespace {

constexpr std::size_t kBufferSize = 512 * 1024;
// A video PES of unbounded length (allowed in transport streams, seen in broken program streams) ends at
// the next system start code; never look further than this for it.
constexpr std::size_t kMaxUnboundedPes = 4 * 1024 * 1024;

bool isVideoStream(std::uint8_t id) {
    return (id & 0xF0) == 0xE0;
}

unsigned be16(const std::uint8_t* p) {
    return (unsigned(p[0]) << 8) | p[1];
}

} // namespace

std::size_t pesHeaderLength(const std::uint8_t* p, std::size_t len) {
    if (len < 7) return 0;
    if ((p[6] & 0xC0) == 0x80) { // MPEG-2 syntax
        if (len < 9) return 0;
        std::size_t h = 9u + p[8];
        return h <= len ? h : 0;
    }
    std::size_t i = 6; // MPEG-1 syntax: stuffing, buffer size, time stamps
    while (i < len && i < 6 + 16 && p[i] == 0xFF)
        ++i;
    if (i < len && (p[i] & 0xC0) == 0x40) i += 2;
    if (i >= len) return 0;
    if ((p[i] & 0xF0) == 0x20)
        i += 5;
    else if ((p[i] & 0xF0) == 0x30)
        i += 10;
    else if (p[i] == 0x0F)
        i += 1;
    else
        return 0;
    return i <= len ? i : 0;
}

MpegDemuxer::MpegDemuxer(FileSet& files, const DemuxSettings& settings)
    : files_(files), settings_(settings), buffer_(kBufferSize) {
    if (settings_.type == StreamType::transport && settings_.packetSize != 192 && settings_.packetSize != 204)
        settings_.packetSize = 188;
}

void MpegDemuxer::seek(std::uint64_t position) {
    bufferStart_ = std::min(position, files_.size());
    pos_ = end_ = 0;
    streamEnd_ = false;
    havePack_ = false;
    vob_ = cell_ = 0;
    headerSkip_ = 0; // mid-PES data after a seek is video data
    headerStartLength_ = 0;
}

std::size_t MpegDemuxer::fill(std::size_t want) {
    while (end_ - pos_ < want && !streamEnd_) {
        if (pos_ > 0) {
            std::memmove(buffer_.data(), buffer_.data() + pos_, end_ - pos_);
            bufferStart_ += pos_;
            end_ -= pos_;
            pos_ = 0;
        }
        if (buffer_.size() < want) buffer_.resize(want);
        std::size_t got = files_.read(bufferStart_ + end_, buffer_.data() + end_, buffer_.size() - end_);
        if (got == 0) streamEnd_ = true;
        end_ += got;
    }
    return end_ - pos_;
}

bool MpegDemuxer::next(EsChunk& chunk) {
    switch (settings_.type) {
    case StreamType::program:
        return nextProgram(chunk);
    case StreamType::transport:
        return nextTransport(chunk);
    default:
        return nextElementary(chunk);
    }
}

bool MpegDemuxer::nextElementary(EsChunk& chunk) {
    if (pos_ == end_ && fill(1) == 0) return false;
    chunk = EsChunk{buffer_.data() + pos_, end_ - pos_, position(), true, 0, 0};
    pos_ = end_;
    return true;
}

// Length of the video PES at pos_ whose length field is 0: up to the next system start code.
std::size_t MpegDemuxer::unboundedPesLength() {
    std::size_t from = 6;
    while (true) {
        std::size_t avail = fill(from + 4);
        const std::uint8_t* p = buffer_.data() + pos_;
        for (std::size_t i = from; i + 3 < avail; ++i)
            if (p[i] == 0 && p[i + 1] == 0 && p[i + 2] == 1 && p[i + 3] >= 0xB9) return i;
        if (streamEnd_ || avail >= kMaxUnboundedPes) return avail;
        from = avail > 3 ? avail - 3 : from;
        fill(std::min(avail * 2, kMaxUnboundedPes));
    }
}

bool MpegDemuxer::nextProgram(EsChunk& chunk) {
    while (true) {
        if (fill(4) < 4) {
            pos_ = end_;
            return false;
        }
        const std::uint8_t* p = buffer_.data() + pos_;
        if (p[0] != 0 || p[1] != 0 || p[2] != 1) {
            // Lost sync: look for the next start code, keeping a possible partial one at the end.
            std::size_t i = pos_ + 1;
            while (i + 2 < end_ && !(buffer_[i] == 0 && buffer_[i + 1] == 0 && buffer_[i + 2] == 1))
                ++i;
            pos_ = i;
            continue;
        }
        const std::uint8_t code = p[3];
        if (code < 0xB9) { // a video start code outside any packet: still looking for a pack
            pos_ += 3;
            continue;
        }
        if (code == 0xB9) { // program end
            pos_ += 4;
            continue;
        }
        if (code == 0xBA) {
            passPackHeader();
            continue;
        }
        // System header and PES packets carry a 16-bit length.
        if (fill(6) < 6) {
            pos_ = end_;
            return false;
        }
        if (takePacket(code, chunk)) return true;
    }
}

void MpegDemuxer::passPackHeader() {
    const std::size_t avail = fill(14);
    const std::uint8_t* p = buffer_.data() + pos_;
    std::size_t len = 0;
    if (avail >= 14 && (p[4] & 0xC0) == 0x40)
        len = 14u + (p[13] & 7u);
    else if (avail >= 12 && (p[4] & 0xF0) == 0x20)
        len = 12;
    if (len == 0) { // not a pack header after all
        pos_ += 4;
        return;
    }
    packStart_ = position();
    havePack_ = true;
    pos_ += std::min(len, avail);
}

bool MpegDemuxer::takePacket(std::uint8_t code, EsChunk& chunk) {
    const std::uint8_t* p = buffer_.data() + pos_;
    std::size_t len = 6u + be16(p + 4);
    if (len == 6 && isVideoStream(code)) len = unboundedPesLength();
    const std::size_t avail = fill(len);
    p = buffer_.data() + pos_;
    len = std::min(len, avail); // a packet cut by the end of the stream gives what it has
    const std::uint64_t origin = havePack_ ? packStart_ : position();
    if (code == 0xBF && len >= 6 + 29 && p[6] == 0x01) {
        // DVD data search information: VOB id and cell id of this VOBU.
        vob_ = static_cast<int>(be16(p + 6 + 25));
        cell_ = p[6 + 28];
    }
    if (isVideoStream(code)) {
        if (settings_.streamId < 0) settings_.streamId = code;
        if (code == settings_.streamId) {
            std::size_t h = pesHeaderLength(p, len);
            if (h > 0 && h < len) {
                chunk = EsChunk{p + h, len - h, origin, false, vob_, cell_};
                pos_ += len;
                return true;
            }
        }
    }
    pos_ += len;
    return false;
}

void MpegDemuxer::resyncTransport() {
    const std::size_t size = static_cast<std::size_t>(settings_.packetSize);
    const std::size_t prefix = size == 192 ? 4 : 0;
    fill(3 * size);
    for (std::size_t k = pos_ + 1; k + prefix < end_; ++k) {
        if (buffer_[k + prefix] != 0x47) continue;
        if (k + prefix + size < end_ && buffer_[k + prefix + size] != 0x47) continue;
        pos_ = k;
        return;
    }
    pos_ = end_;
}

bool MpegDemuxer::nextTransport(EsChunk& chunk) {
    const std::size_t size = static_cast<std::size_t>(settings_.packetSize);
    const std::size_t prefix = size == 192 ? 4 : 0;
    while (true) {
        if (fill(size) < size) { // a partial packet at the end is dropped
            pos_ = end_;
            return false;
        }
        const std::uint8_t* h = buffer_.data() + pos_ + prefix;
        if (h[0] != 0x47) {
            resyncTransport();
            continue;
        }
        const std::uint64_t packetStart = position();
        pos_ += size;
        if (h[1] & 0x80) continue; // transport error indicator: the payload is unreliable
        const int pid = ((h[1] & 0x1F) << 8) | h[2];
        const bool unitStart = (h[1] & 0x40) != 0;
        const int control = (h[3] >> 4) & 3;
        std::size_t off = 4;
        if (control & 2) off += 1u + h[4];
        if (!(control & 1) || off >= 188) continue;
        const std::uint8_t* pay = h + off;
        std::size_t n = 188 - off;
        if (settings_.videoPid < 0) {
            if (!unitStart || n < 4 || pay[0] != 0 || pay[1] != 0 || pay[2] != 1 || !isVideoStream(pay[3]))
                continue;
            settings_.videoPid = pid;
        }
        if (pid != settings_.videoPid) continue;

        std::size_t i = 0;
        if (unitStart) {
            headerSkip_ = -1;
            headerStartLength_ = 0;
        }
        while (headerSkip_ < 0 && i < n) {
            headerStart_[headerStartLength_++] = pay[i++];
            if (headerStartLength_ == 9) {
                const std::uint8_t* s = headerStart_;
                bool valid = s[0] == 0 && s[1] == 0 && s[2] == 1 && (s[6] & 0xC0) == 0x80;
                headerSkip_ = valid ? s[8] : 0;
            }
        }
        if (headerSkip_ > 0) {
            std::size_t k = std::min<std::size_t>(static_cast<std::size_t>(headerSkip_), n - i);
            i += k;
            headerSkip_ -= static_cast<int>(k);
        }
        if (i < n) {
            chunk = EsChunk{pay + i, n - i, packetStart, false, 0, 0};
            return true;
        }
    }
}

} // namespace mivo::mpeg2
