#include "stream_checks.h"

#include <algorithm>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
}

namespace mivo::encoder::test {

namespace {

// Reads n bits at a bit position, most significant first.
struct Bits {
    const std::vector<std::uint8_t>& d;
    std::size_t at;
    int read(int n) {
        int v = 0;
        for (; n > 0; --n, ++at)
            v = (v << 1) | (at / 8 < d.size() ? (d[at / 8] >> (7 - at % 8)) & 1 : 0);
        return v;
    }
};

std::array<std::size_t, 64> zigzagToRaster() {
    std::array<std::size_t, 64> z{}; // scan position -> raster index, walking the anti-diagonals
    for (std::size_t s = 0, n = 0; s < 15; ++s)
        for (std::size_t k = 0; k <= s; ++k) {
            const std::size_t y = s % 2 == 0 ? s - k : k, x = s - y;
            if (x < 8 && y < 8) z[n++] = y * 8 + x;
        }
    return z;
}

void readSequence(StreamSummary& s, Bits b) {
    s.width = b.read(12);
    s.height = b.read(12);
    s.aspectCode = b.read(4);
    s.frameRateCode = b.read(4);
    s.bitRateValue = b.read(18);
    b.read(1);
    s.vbvSizeValue = b.read(10);
    b.read(1);
    static const auto zigzag = zigzagToRaster();
    for (MatrixValues* m : {&s.matrices.intra, &s.matrices.nonIntra})
        if (b.read(1))
            for (std::size_t k = 0; k < 64; ++k)
                (*m)[zigzag[k]] = b.read(8);
}

void readExtension(StreamSummary& s, CodedPicture* picture, Bits b) {
    const int id = b.read(4);
    if (id == 1) {
        s.profileLevel = b.read(8);
        s.progressiveSequence = b.read(1) != 0;
        s.chromaFormat = b.read(2);
    } else if (id == 2) {
        b.read(3);
        if (b.read(1)) s.colourPrimaries = b.read(8);
    } else if (id == 8 && picture) {
        b.read(16);
        s.dcPrecision = 8 + b.read(2);
        b.read(2);
        picture->topFieldFirst = b.read(1) != 0;
        b.read(5);
        picture->repeatFirstField = b.read(1) != 0;
        b.read(1);
        picture->progressiveFrame = b.read(1) != 0;
    }
}

} // namespace

StreamSummary summarise(const std::vector<std::uint8_t>& d) {
    StreamSummary s;
    std::size_t unitStart = 0, gopBase = 0, inGop = 0;
    bool sliceSeen = true, gopPending = false, closed = false;
    std::array<int, 4> tc{};
    const auto endUnit = [&](std::size_t at) {
        if (!s.pictures.empty() && s.pictures.back().bytes == 0) s.pictures.back().bytes = at - unitStart;
        unitStart = at;
    };
    for (std::size_t i = 0; i + 4 < d.size(); ++i) {
        if (d[i] != 0 || d[i + 1] != 0 || d[i + 2] != 1) continue;
        const std::uint8_t code = d[i + 3];
        Bits b{d, (i + 4) * 8};
        const bool header = code == 0xB3 || code == 0xB8 || code == 0x00;
        if (header && sliceSeen) endUnit(i), sliceSeen = false;
        if (code >= 0x01 && code <= 0xAF) sliceSeen = true;
        if (code == 0xB3) readSequence(s, b);
        if (code == 0xB7) ++s.sequenceEnds;
        if (code == 0xB5) readExtension(s, s.pictures.empty() ? nullptr : &s.pictures.back(), b);
        if (code == 0xB8) {
            b.read(1);
            tc = {b.read(5), b.read(6), (b.read(1), b.read(6)), b.read(6)};
            closed = b.read(1) != 0;
            gopBase += inGop;
            inGop = 0;
            gopPending = true;
        }
        if (code == 0x00) {
            CodedPicture p;
            const int temporalReference = b.read(10);
            p.type = b.read(3);
            p.displayIndex = static_cast<int>(gopBase) + temporalReference;
            p.opensGop = gopPending;
            p.closedGop = gopPending && closed;
            if (gopPending) p.timecode = tc;
            gopPending = false;
            ++inGop;
            s.pictures.push_back(p);
        }
        i += 3;
    }
    s.endsWithSequenceEnd = d.size() >= 4 && d[d.size() - 4] == 0 && d[d.size() - 3] == 0 &&
                            d[d.size() - 2] == 1 && d[d.size() - 1] == 0xB7;
    s.sequenceEnds += s.endsWithSequenceEnd; // the scan stops short of the last start code
    endUnit(d.size() - (s.endsWithSequenceEnd ? 4 : 0));
    return s;
}

std::vector<CodedPicture> inDisplayOrder(const StreamSummary& s) {
    std::vector<CodedPicture> out = s.pictures;
    std::stable_sort(out.begin(), out.end(), [](const CodedPicture& a, const CodedPicture& b) {
        return a.displayIndex < b.displayIndex;
    });
    return out;
}

int vbvUnderflows(const StreamSummary& s, double fps) {
    const double rate = s.bitRateValue * 400.0, size = s.vbvSizeValue * 16384.0;
    double fullness = size; // a VBR decoder starts once its buffer is full
    int underflows = 0;
    for (const CodedPicture& p : s.pictures) {
        const double bits = static_cast<double>(p.bytes) * 8;
        if (bits > fullness) ++underflows;
        fullness = std::max(0.0, fullness - bits);
        const double period = (p.repeatFirstField ? 1.5 : 1.0) / fps;
        fullness = std::min(size, fullness + rate * period);
    }
    return underflows;
}

Decoded decodeWithFfmpeg(const std::string& path) {
    Decoded out;
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0) return out;
    avformat_find_stream_info(fmt, nullptr);
    const AVStream* stream = fmt->streams[0];
    out.rateNumerator = stream->r_frame_rate.num;
    out.rateDenominator = stream->r_frame_rate.den;
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(ctx, stream->codecpar);
    ctx->thread_count = 1;
    avcodec_open2(ctx, codec, nullptr);
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    const auto receive = [&] {
        while (avcodec_receive_frame(ctx, frame) == 0) {
            out.width = frame->width;
            out.height = frame->height;
            out.pixelFormat = frame->format;
            out.interlaced = frame->interlaced_frame != 0;
            out.topFieldFirst = frame->top_field_first != 0;
            out.repeatedFields += frame->repeat_pict;
            const AVPixFmtDescriptor* format = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame->format));
            const auto plane = [&](int p) {
                const int w = p ? AV_CEIL_RSHIFT(frame->width, format->log2_chroma_w) : frame->width;
                const int h = p ? AV_CEIL_RSHIFT(frame->height, format->log2_chroma_h) : frame->height;
                std::vector<std::uint8_t> rows;
                for (int row = 0; row < h; ++row)
                    rows.insert(rows.end(), frame->data[p] + row * frame->linesize[p],
                                frame->data[p] + row * frame->linesize[p] + w);
                return rows;
            };
            out.luma.push_back(plane(0));
            out.chroma.push_back({plane(1), plane(2)});
            av_frame_unref(frame);
        }
    };
    while (av_read_frame(fmt, pkt) >= 0) {
        avcodec_send_packet(ctx, pkt);
        av_packet_unref(pkt);
        receive();
    }
    avcodec_send_packet(ctx, nullptr);
    receive();
    // The rate the sequence header gives, as a player plays it (the container's may count fields).
    if (ctx->framerate.num > 0)
        out.rateNumerator = ctx->framerate.num, out.rateDenominator = ctx->framerate.den;
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&ctx);
    avformat_close_input(&fmt);
    return out;
}

} // namespace mivo::encoder::test
