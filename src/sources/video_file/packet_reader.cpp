#include "packet_reader.h"

extern "C" {
#include <libavcodec/packet.h>
#include <libavformat/avformat.h>
}

namespace mivo::video {

PacketReader::PacketReader(AVFormatContext* format, int stream, const std::vector<PacketEntry>& packets)
    : format_(format), stream_(stream), packets_(packets), heldPacket_(av_packet_alloc()) {
    // Transport and program streams carry no index of their own: libavformat would search by time stamp
    // with many reads, while the byte position the index holds is where the packet's data begins.
    byteSeek_ = (format->iformat->flags & AVFMT_TS_DISCONT) != 0 &&
                (format->iformat->flags & AVFMT_NO_BYTE_SEEK) == 0;
}

PacketReader::~PacketReader() {
    av_packet_free(&heldPacket_);
}

bool PacketReader::matches(const AVPacket* p, std::uint32_t index) const {
    const PacketEntry& e = packets_[index];
    if (p->pos >= 0 && e.pos >= 0) return p->pos == e.pos && (p->dts == AV_NOPTS_VALUE || p->dts == e.dts);
    return p->dts == e.dts;
}

bool PacketReader::readVideo(AVPacket* out) {
    for (;;) {
        av_packet_unref(out);
        const int r = av_read_frame(format_, out);
        if (r < 0) return false;
        if (out->stream_index == stream_) return true;
    }
}

// attempt 0 seeks to the key packet itself, later attempts to earlier and earlier key packets' times, and
// the last to the start of the file.
bool PacketReader::seekNear(std::uint32_t key, int attempt) {
    const PacketEntry& e = packets_[key];
    int r = -1;
    if (attempt == 0 && byteSeek_ && e.pos >= 0) {
        r = av_seek_frame(format_, stream_, e.pos, AVSEEK_FLAG_BYTE);
    } else if (attempt < 3) {
        std::int64_t t = e.dts != kNoTime ? std::min(e.dts, e.pts) : e.pts;
        const AVRational tb = format_->streams[stream_]->time_base;
        // Each retry goes back a further second.
        t -= av_rescale_q(attempt, AVRational{1, 1}, tb);
        r = av_seek_frame(format_, stream_, t, AVSEEK_FLAG_BACKWARD);
    }
    if (r < 0) {
        r = (format_->iformat->flags & AVFMT_NO_BYTE_SEEK) ? -1
                                                           : av_seek_frame(format_, -1, 0, AVSEEK_FLAG_BYTE);
        if (r < 0) r = avformat_seek_file(format_, -1, INT64_MIN, INT64_MIN, INT64_MIN, 0);
    }
    return r >= 0;
}

bool PacketReader::seekTo(std::uint32_t packet) {
    held_ = false;
    if (packet >= packets_.size()) return false;
    for (int attempt = 0; attempt < 4; ++attempt) {
        if (!seekNear(packet, attempt)) continue;
        const PacketEntry& want = packets_[packet];
        while (readVideo(heldPacket_)) {
            if (matches(heldPacket_, packet)) {
                held_ = true;
                next_ = packet;
                return true;
            }
            // Past the wanted packet: the seek landed too late; try from further back.
            const bool passed = (heldPacket_->pos >= 0 && want.pos >= 0)
                                    ? heldPacket_->pos > want.pos
                                    : (heldPacket_->dts != AV_NOPTS_VALUE && want.dts != kNoTime &&
                                       heldPacket_->dts > want.dts);
            if (passed) break;
        }
        if (attempt == 3) break;
    }
    return false;
}

bool PacketReader::next(AVPacket* out, std::uint32_t& index) {
    if (next_ >= packets_.size()) return false;
    if (held_) {
        held_ = false;
        av_packet_unref(out);
        av_packet_move_ref(out, heldPacket_);
    } else if (!readVideo(out) || !matches(out, next_)) {
        return false;
    }
    index = next_++;
    return true;
}

} // namespace mivo::video
