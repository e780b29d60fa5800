#include "index_builder.h"

#include "packet_reader.h"

#include <algorithm>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace mivo::video {

namespace {

// Presentation times for packets without one. An MPEG-4 stream in AVI stamps only its B pictures; each
// reference picture is shown when the next one is decoded, the rule every decoder of such streams follows.
void completeTimes(std::vector<PacketEntry>& packets) {
    const bool anyPts =
        std::any_of(packets.begin(), packets.end(), [](const PacketEntry& p) { return p.pts != kNoTime; });
    const bool allDts =
        std::all_of(packets.begin(), packets.end(), [](const PacketEntry& p) { return p.dts != kNoTime; });
    if (!anyPts) {
        for (std::size_t i = 0; i < packets.size(); ++i)
            packets[i].pts = allDts ? packets[i].dts : static_cast<std::int64_t>(i);
        return;
    }
    std::int64_t latest = kNoTime;
    for (const PacketEntry& p : packets)
        latest = std::max({latest, p.pts, p.dts});
    std::size_t anchor = packets.size();
    for (std::size_t i = 0; i < packets.size(); ++i) {
        if (packets[i].pts != kNoTime) continue;
        if (anchor < packets.size())
            packets[anchor].pts = packets[i].dts != kNoTime ? packets[i].dts : latest + 1;
        anchor = i;
    }
    if (anchor < packets.size()) packets[anchor].pts = latest + 1;
    // A stream stamped so sparsely that the rule above met no decode time either: fall back to decode order
    // between the stamped neighbours.
    for (std::size_t i = 0; i < packets.size(); ++i)
        if (packets[i].pts == kNoTime) packets[i].pts = i ? packets[i - 1].pts : 0;
}

// Which packets of [from, to] a decoder started at `from` shows: clears kPacketShown on those that give no
// frame (from `judgeFrom` on; earlier ones may be open-GOP pictures the restart cannot decode).
bool learnShown(AVFormatContext* format, int stream, std::vector<PacketEntry>& packets, std::uint32_t from,
                std::uint32_t to, std::uint32_t judgeFrom) {
    const AVCodecParameters* par = format->streams[stream]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    if (!codec) return false;
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    bool ok = ctx && pkt && frame && avcodec_parameters_to_context(ctx, par) >= 0 &&
              avcodec_open2(ctx, codec, nullptr) >= 0;
    std::vector<bool> seen(to - from + 1, false);
    auto receive = [&] {
        while (avcodec_receive_frame(ctx, frame) >= 0) {
            const std::int64_t tag = frame->pts;
            if (tag >= from && tag <= to) seen[static_cast<std::size_t>(tag - from)] = true;
            av_frame_unref(frame);
        }
    };
    if (ok) {
        PacketReader reader(format, stream, packets);
        std::uint32_t index = 0;
        ok = reader.seekTo(from);
        while (ok && reader.next(pkt, index) && index <= to) {
            pkt->pts = index;
            pkt->dts = AV_NOPTS_VALUE;
            // A damaged packet is refused; the decode goes on as a sequential one would.
            if (avcodec_send_packet(ctx, pkt) == AVERROR(EAGAIN)) {
                receive();
                avcodec_send_packet(ctx, pkt);
            }
            receive();
        }
        avcodec_send_packet(ctx, nullptr);
        receive();
        if (ok)
            for (std::uint32_t i = judgeFrom; i <= to; ++i)
                if (!seen[i - from]) packets[i].flags &= ~kPacketShown;
    }
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&ctx);
    return ok;
}

} // namespace

BuildOutcome buildIndex(AVFormatContext* format, int stream, IndexHeader header,
                        const BuildProgress& progress, VideoIndex& index, std::string& error) {
    std::vector<PacketEntry> packets;
    AVPacket* pkt = av_packet_alloc();
    const std::int64_t size = format->pb ? avio_size(format->pb) : -1;
    std::int64_t lastEnd = -1, lastSize = 0; // of the last video packet
    std::size_t packetsRead = 0; // reported from the first packet on, so a cancel is taken at once
    // A read error ends the index as the end of the file would: a sequential decode stops there too.
    while (av_read_frame(format, pkt) >= 0) {
        if (pkt->stream_index == stream) {
            PacketEntry e;
            e.pos = pkt->pos >= 0 ? pkt->pos : -1;
            e.pts = pkt->pts == AV_NOPTS_VALUE ? kNoTime : pkt->pts;
            e.dts = pkt->dts == AV_NOPTS_VALUE ? kNoTime : pkt->dts;
            e.flags = kPacketShown | ((pkt->flags & AV_PKT_FLAG_KEY) ? kPacketKey : 0u);
            packets.push_back(e);
            lastEnd = pkt->pos >= 0 ? pkt->pos + pkt->size : -1;
            lastSize = pkt->size;
        }
        av_packet_unref(pkt);
        if (progress && (packetsRead++ % 64) == 0) {
            const double done =
                size > 0 ? static_cast<double>(avio_tell(format->pb)) / static_cast<double>(size) : 0.0;
            if (!progress(std::min(1.0, done))) {
                av_packet_free(&pkt);
                return BuildOutcome::Cancelled;
            }
        }
    }
    av_packet_free(&pkt);
    if (packets.empty()) {
        error = "damaged file: no video frames";
        return BuildOutcome::Failed;
    }
    completeTimes(packets);

    // Decoding starts at the first key packet, so a stream that begins elsewhere shows nothing before it,
    // and what is shown before it in time depends on the decoder: ask it.
    const auto firstKey =
        static_cast<std::uint32_t>(std::find_if(packets.begin(), packets.end(),
                                                [](const PacketEntry& p) { return p.flags & kPacketKey; }) -
                                   packets.begin());
    const auto last = static_cast<std::uint32_t>(packets.size() - 1);
    if (firstKey > last) {
        // No key packet at all: take the first packet as the start and let the decoder say what it shows.
        packets[0].flags |= kPacketKey;
    }
    const std::uint32_t start = std::min(firstKey, last);
    bool leading = start > 0;
    for (std::uint32_t i = start + 1; i <= last && i < start + 64 && !leading; ++i)
        leading = packets[i].pts < packets[start].pts;
    if (leading) {
        std::uint32_t to = start + 1;
        while (to < last && !(packets[to].flags & kPacketKey))
            ++to;
        learnShown(format, stream, packets, 0, std::min(last, to + 32), 0);
    }
    // A file cut short ends in a packet the decoder may not use, and the pictures that lean on it may go
    // too; the container does not say so (a transport stream's last packet always ends at the end of the
    // file). So the last group is decoded whenever the last picture reaches the end of the file (within
    // a transport stream's packet headers); a file that goes on after it (an index, other streams) is
    // whole. Its leading pictures need the group before.
    const bool endsInPicture = lastEnd < 0 || size <= 0 || lastEnd + lastSize / 40 + 2 * 188 >= size;
    std::uint32_t lastKey = last;
    while (lastKey > 0 && !(packets[lastKey].flags & kPacketKey))
        --lastKey;
    std::uint32_t from = lastKey;
    bool lastLeading = false;
    for (std::uint32_t i = lastKey + 1; i <= last && !lastLeading; ++i)
        lastLeading = packets[i].pts < packets[lastKey].pts;
    if (lastLeading && from > 0) {
        --from;
        while (from > 0 && !(packets[from].flags & kPacketKey))
            --from;
    }
    if (endsInPicture) learnShown(format, stream, packets, from, last, lastKey);
    return index.assign(header, std::move(packets), error) ? BuildOutcome::Ok : BuildOutcome::Failed;
}

} // namespace mivo::video
