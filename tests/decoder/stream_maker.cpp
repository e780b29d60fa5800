#include "stream_maker.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <unistd.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
}

#ifndef MIVO_DECODER_TEST_CACHE
#define MIVO_DECODER_TEST_CACHE "/tmp/mivo-decoder-stream-cache"
#endif

namespace mivo::test {

namespace fs = std::filesystem;

namespace {

struct Packet {
    std::vector<std::uint8_t> data;
    std::int64_t pts = 0, dts = 0;
    bool key = false;
};

[[noreturn]] void fail(const std::string& why) {
    throw std::runtime_error("stream maker: " + why);
}

// A picture that changes everywhere from frame to frame, with fields that differ from each other in
// interlaced streams, so that a wrong frame or a wrong field pairing changes its hash.
void drawPicture(AVFrame* f, int index, bool interlaced) {
    const int w = f->width, h = f->height;
    const int boxX = (index * 13) % std::max(1, w - 32), boxY = (index * 7) % std::max(1, h - 32);
    for (int y = 0; y < h; ++y) {
        const int field = interlaced ? (y & 1) * 3 * index : 0;
        std::uint8_t* row = f->data[0] + static_cast<std::ptrdiff_t>(y) * f->linesize[0];
        for (int x = 0; x < w; ++x) {
            int v = 40 + ((x + 2 * y + 5 * index + field) & 0x7F);
            if (x >= boxX && x < boxX + 32 && y >= boxY && y < boxY + 32) v = 230 - (index & 0x1F);
            row[x] = static_cast<std::uint8_t>(v);
        }
    }
    const int cw = f->format == AV_PIX_FMT_YUV422P || f->format == AV_PIX_FMT_YUV420P ? (w + 1) / 2 : w;
    const int ch = f->format == AV_PIX_FMT_YUV420P ? (h + 1) / 2 : h;
    for (int y = 0; y < ch; ++y) {
        std::uint8_t* u = f->data[1] + static_cast<std::ptrdiff_t>(y) * f->linesize[1];
        std::uint8_t* v = f->data[2] + static_cast<std::ptrdiff_t>(y) * f->linesize[2];
        for (int x = 0; x < cw; ++x) {
            u[x] = static_cast<std::uint8_t>(64 + ((x * 2 + index * 3) & 0x7F));
            v[x] =
                static_cast<std::uint8_t>(64 + ((y * 3 + index * 5 + (interlaced ? (y & 1) * 9 : 0)) & 0x7F));
        }
    }
}

// Scene s of a stream with cuts: its own brightness, colour and texture slope, drifting a little every
// frame, so that only the cuts stand out.
void drawScene(AVFrame* f, int index, int scene) {
    const int w = f->width, h = f->height;
    const int base = 40 + 45 * (scene % 4), ax = 1 + scene % 3, ay = 2 + scene % 2;
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = f->data[0] + static_cast<std::ptrdiff_t>(y) * f->linesize[0];
        for (int x = 0; x < w; ++x)
            row[x] = static_cast<std::uint8_t>(base + ((x * ax + y * ay + 3 * index) & 0x3F));
    }
    const int cw = f->format == AV_PIX_FMT_YUV422P || f->format == AV_PIX_FMT_YUV420P ? (w + 1) / 2 : w;
    const int ch = f->format == AV_PIX_FMT_YUV420P ? (h + 1) / 2 : h;
    for (int y = 0; y < ch; ++y) {
        std::uint8_t* u = f->data[1] + static_cast<std::ptrdiff_t>(y) * f->linesize[1];
        std::uint8_t* v = f->data[2] + static_cast<std::ptrdiff_t>(y) * f->linesize[2];
        for (int x = 0; x < cw; ++x) {
            u[x] = static_cast<std::uint8_t>(80 + 25 * (scene % 4) + ((x + index) & 0x0F));
            v[x] = static_cast<std::uint8_t>(170 - 20 * (scene % 3) + ((y + index) & 0x0F));
        }
    }
}

// Sets top_field_first, repeat_first_field and progressive_frame in the picture coding extension.
void patchPictureFlags(std::vector<std::uint8_t>& d, bool tff, bool rff, bool progressive) {
    for (std::size_t i = 0; i + 8 < d.size(); ++i) {
        if (d[i] != 0 || d[i + 1] != 0 || d[i + 2] != 1 || d[i + 3] != 0xB5 || (d[i + 4] >> 4) != 8) continue;
        std::uint8_t& b3 = d[i + 7];
        std::uint8_t& b4 = d[i + 8];
        b3 = static_cast<std::uint8_t>((b3 & ~0x83) | (tff ? 0x80 : 0) | (rff ? 0x02 : 0) |
                                       (progressive ? 0x01 : 0));
        b4 = static_cast<std::uint8_t>((b4 & ~0x80) | (progressive ? 0x80 : 0));
        return;
    }
    fail("no picture coding extension to patch");
}

std::vector<Packet> encodeVideo(const StreamSpec& s, AVCodecParameters* params) {
    const AVCodec* codec = avcodec_find_encoder(s.mpeg1 ? AV_CODEC_ID_MPEG1VIDEO : AV_CODEC_ID_MPEG2VIDEO);
    if (!codec) fail("no MPEG video encoder");
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    ctx->width = s.width;
    ctx->height = s.height;
    ctx->pix_fmt = s.yuv422 ? AV_PIX_FMT_YUV422P : AV_PIX_FMT_YUV420P;
    ctx->time_base = AVRational{s.rateDen, s.rateNum};
    ctx->framerate = AVRational{s.rateNum, s.rateDen};
    ctx->gop_size = s.gop;
    ctx->max_b_frames = s.bFrames;
    ctx->thread_count = 1;
    ctx->flags |= AV_CODEC_FLAG_QSCALE;
    ctx->global_quality = FF_QP2LAMBDA * s.quality;
    if (s.closedGop) {
        ctx->flags |= AV_CODEC_FLAG_CLOSED_GOP;
        av_opt_set_int(ctx, "sc_threshold", 1000000000, AV_OPT_SEARCH_CHILDREN);
    }
    if (s.interlaced || s.pulldown == Pulldown::film)
        ctx->flags |= AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME;
    if (avcodec_open2(ctx, codec, nullptr) < 0) fail("cannot open the encoder");
    AVFrame* frame = av_frame_alloc();
    frame->width = s.width;
    frame->height = s.height;
    frame->format = ctx->pix_fmt;
    if (av_frame_get_buffer(frame, 0) < 0) fail("no frame buffer");
    AVPacket* pkt = av_packet_alloc();
    std::vector<Packet> out;
    auto drain = [&] {
        while (avcodec_receive_packet(ctx, pkt) >= 0) {
            Packet p;
            p.data.assign(pkt->data, pkt->data + pkt->size);
            p.pts = pkt->pts;
            p.dts = pkt->dts;
            p.key = (pkt->flags & AV_PKT_FLAG_KEY) != 0;
            out.push_back(std::move(p));
            av_packet_unref(pkt);
        }
    };
    for (int i = 0; i < s.frames; ++i) {
        if (av_frame_make_writable(frame) < 0) fail("frame not writable");
        if (s.cuts.empty())
            drawPicture(frame, i, s.interlaced);
        else
            drawScene(frame, i,
                      static_cast<int>(std::upper_bound(s.cuts.begin(), s.cuts.end(), i) - s.cuts.begin()));
        frame->pts = i;
        frame->interlaced_frame = s.interlaced ? 1 : 0;
        frame->top_field_first = s.bottomFirst ? 0 : 1;
        if (avcodec_send_frame(ctx, frame) < 0) fail("encoding failed");
        drain();
    }
    avcodec_send_frame(ctx, nullptr);
    drain();
    if (params) avcodec_parameters_from_context(params, ctx);
    av_packet_free(&pkt);
    av_frame_free(&frame);
    avcodec_free_context(&ctx);

    for (Packet& p : out) {
        const std::int64_t i = p.pts;
        if (s.pulldown == Pulldown::film) { // 3:2 cadence: TFF+RFF, BFF, BFF+RFF, TFF
            const int k = static_cast<int>(i % 4);
            patchPictureFlags(p.data, k == 0 || k == 3, k == 0 || k == 2, true);
        } else if (s.pulldown == Pulldown::frameRepeat) { // shown twice, three times, once
            const int k = static_cast<int>(i % 3);
            patchPictureFlags(p.data, k == 1, k != 2, true);
        }
    }
    if (s.openFirstGop) {
        std::size_t second = 0;
        int keys = 0;
        for (std::size_t i = 0; i < out.size(); ++i)
            if (out[i].key && ++keys == 2) second = i;
        if (second == 0) fail("no second GOP to start with");
        out.erase(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(second));
    }
    return out;
}

std::vector<std::uint8_t> concatenate(const std::vector<Packet>& packets) {
    std::vector<std::uint8_t> es;
    for (const Packet& p : packets)
        es.insert(es.end(), p.data.begin(), p.data.end());
    return es;
}

// Program stream of 2048-byte packs holding nothing but one video PES each.
std::vector<std::uint8_t> muxOwnProgram(const std::vector<std::uint8_t>& es) {
    std::vector<std::uint8_t> out;
    constexpr std::size_t kPayload = 2048 - 14 - 9;
    for (std::size_t at = 0; at < es.size(); at += kPayload) {
        const std::size_t n = std::min(kPayload, es.size() - at);
        const std::uint8_t pack[14] = {0, 0, 1, 0xBA, 0x44, 0, 0x04, 0, 0x04, 0x01, 0x01, 0x89, 0xC3, 0xF8};
        out.insert(out.end(), pack, pack + 14);
        const std::size_t len = n + 3;
        const std::uint8_t pes[9] = {
            0,    0,    1,   0xE0, static_cast<std::uint8_t>(len >> 8), static_cast<std::uint8_t>(len & 0xFF),
            0x80, 0x00, 0x00};
        out.insert(out.end(), pes, pes + 9);
        out.insert(out.end(), es.begin() + static_cast<std::ptrdiff_t>(at),
                   es.begin() + static_cast<std::ptrdiff_t>(at + n));
    }
    const std::uint8_t end[4] = {0, 0, 1, 0xB9};
    out.insert(out.end(), end, end + 4);
    return out;
}

std::vector<Packet> encodeAudio(double seconds, AVCodecParameters* params, AVRational& timeBase) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MP2);
    if (!codec) fail("no MP2 encoder");
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    ctx->sample_rate = 48000;
    ctx->sample_fmt = AV_SAMPLE_FMT_S16;
    av_channel_layout_default(&ctx->ch_layout, 2);
    ctx->bit_rate = 128000;
    ctx->time_base = AVRational{1, 48000};
    if (avcodec_open2(ctx, codec, nullptr) < 0) fail("cannot open the audio encoder");
    AVFrame* frame = av_frame_alloc();
    frame->nb_samples = ctx->frame_size;
    frame->format = ctx->sample_fmt;
    av_channel_layout_copy(&frame->ch_layout, &ctx->ch_layout);
    av_frame_get_buffer(frame, 0);
    AVPacket* pkt = av_packet_alloc();
    std::vector<Packet> out;
    auto drain = [&] {
        while (avcodec_receive_packet(ctx, pkt) >= 0) {
            Packet p;
            p.data.assign(pkt->data, pkt->data + pkt->size);
            p.pts = p.dts = pkt->pts;
            out.push_back(std::move(p));
            av_packet_unref(pkt);
        }
    };
    const std::int64_t total = static_cast<std::int64_t>(seconds * 48000);
    for (std::int64_t at = 0; at < total; at += ctx->frame_size) {
        av_frame_make_writable(frame);
        auto* samples = reinterpret_cast<std::int16_t*>(frame->data[0]);
        for (int i = 0; i < ctx->frame_size; ++i)
            samples[2 * i] = samples[2 * i + 1] = static_cast<std::int16_t>(8000 * std::sin((at + i) * 0.05));
        frame->pts = at;
        avcodec_send_frame(ctx, frame);
        drain();
    }
    avcodec_send_frame(ctx, nullptr);
    drain();
    avcodec_parameters_from_context(params, ctx);
    timeBase = ctx->time_base;
    av_packet_free(&pkt);
    av_frame_free(&frame);
    avcodec_free_context(&ctx);
    return out;
}

void muxWithLibavformat(const StreamSpec& s, const std::vector<Packet>& video, AVCodecParameters* videoParams,
                        const std::string& path) {
    const char* format = s.container == Container::program ? "dvd" : "mpegts";
    AVFormatContext* oc = nullptr;
    if (avformat_alloc_output_context2(&oc, nullptr, format, path.c_str()) < 0) fail("no muxer");
    AVStream* vs = avformat_new_stream(oc, nullptr);
    avcodec_parameters_copy(vs->codecpar, videoParams);
    const AVRational videoBase{s.rateDen, s.rateNum};
    vs->time_base = videoBase;
    AVCodecParameters* audioParams = avcodec_parameters_alloc();
    AVRational audioBase{1, 48000};
    const double seconds = static_cast<double>(s.frames) * s.rateDen / s.rateNum;
    std::vector<Packet> audio = encodeAudio(seconds, audioParams, audioBase);
    AVStream* as = avformat_new_stream(oc, nullptr);
    avcodec_parameters_copy(as->codecpar, audioParams);
    as->time_base = audioBase;
    avcodec_parameters_free(&audioParams);
    AVDictionary* options = nullptr;
    if (s.container == Container::m2ts) av_dict_set(&options, "mpegts_m2ts_mode", "1", 0);
    if (avio_open(&oc->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) fail("cannot write " + path);
    if (avformat_write_header(oc, &options) < 0) fail("cannot write the header");
    av_dict_free(&options);
    AVPacket* pkt = av_packet_alloc();
    // Timestamps start a little after zero: B pictures give the first packets negative decoding times.
    const std::int64_t shift = 3;
    std::size_t a = 0;
    for (const Packet& v : video) {
        const double videoTime = static_cast<double>(v.dts + shift) * s.rateDen / s.rateNum;
        while (a < audio.size() &&
               static_cast<double>(audio[a].pts) / 48000.0 + shift * double(s.rateDen) / s.rateNum <=
                   videoTime) {
            av_new_packet(pkt, static_cast<int>(audio[a].data.size()));
            std::memcpy(pkt->data, audio[a].data.data(), audio[a].data.size());
            pkt->stream_index = as->index;
            pkt->pts = pkt->dts = av_rescale_q(audio[a].pts + av_rescale_q(shift, videoBase, audioBase),
                                               audioBase, as->time_base);
            av_interleaved_write_frame(oc, pkt);
            ++a;
        }
        av_new_packet(pkt, static_cast<int>(v.data.size()));
        std::memcpy(pkt->data, v.data.data(), v.data.size());
        pkt->stream_index = vs->index;
        pkt->pts = av_rescale_q(v.pts + shift, videoBase, vs->time_base);
        pkt->dts = av_rescale_q(v.dts + shift, videoBase, vs->time_base);
        if (v.key) pkt->flags |= AV_PKT_FLAG_KEY;
        if (av_interleaved_write_frame(oc, pkt) < 0) fail("cannot write a video packet");
    }
    av_packet_free(&pkt);
    av_write_trailer(oc);
    avio_closep(&oc->pb);
    avformat_free_context(oc);
}

// Numbers the VOB and cell ids in the DVD navigation packs the muxer left empty: VOB 1, cells 1, 2, 3...
void numberNavigationPacks(const std::string& path) {
    std::vector<std::uint8_t> d = readFile(path);
    int nav = 0;
    for (std::size_t at = 0; at + 2048 <= d.size(); at += 2048) {
        for (std::size_t i = at; i + 6 + 29 < at + 2048; ++i) {
            if (d[i] == 0 && d[i + 1] == 0 && d[i + 2] == 1 && d[i + 3] == 0xBF && d[i + 6] == 0x01) {
                d[i + 6 + 25] = 0;
                d[i + 6 + 26] = 1;
                d[i + 6 + 28] = static_cast<std::uint8_t>(1 + nav);
                ++nav;
                break;
            }
        }
    }
    writeFile(path, d);
}

const char* extensionOf(Container c) {
    switch (c) {
    case Container::elementary:
        return ".m2v";
    case Container::program:
        return ".vob";
    case Container::programOwn:
        return ".mpg";
    case Container::transport:
        return ".ts";
    case Container::m2ts:
        return ".m2ts";
    }
    return ".bin";
}

struct ScratchRoot {
    std::string path;
    ScratchRoot() {
        path = (fs::temp_directory_path() / ("mivo-decoder-tests-" + std::to_string(getpid()))).string();
        fs::create_directories(path);
    }
    ~ScratchRoot() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

} // namespace

std::string StreamSpec::key() const {
    char buffer[200];
    std::snprintf(buffer, sizeof buffer, "v4-%dx%d-%d-%d-n%d-g%d-b%d-c%d-i%d%d-y%d-m%d-p%d-o%d-q%d", width,
                  height, rateNum, rateDen, frames, gop, bFrames, closedGop, interlaced, bottomFirst, yuv422,
                  mpeg1, static_cast<int>(pulldown), openFirstGop, quality);
    std::string cutList;
    for (int cut : cuts)
        cutList += "-k" + std::to_string(cut);
    return std::string(buffer) + cutList + extensionOf(container);
}

std::string makeStream(const StreamSpec& spec) {
    av_log_set_level(AV_LOG_FATAL); // the muxers complain about buffer models no test cares about
    const fs::path folder = MIVO_DECODER_TEST_CACHE;
    fs::create_directories(folder);
    const std::string path = (folder / spec.key()).string();
    if (fs::exists(path)) return path;
    const std::string temporary = path + ".tmp" + std::to_string(getpid());
    AVCodecParameters* params = avcodec_parameters_alloc();
    std::vector<Packet> video = encodeVideo(spec, params);
    switch (spec.container) {
    case Container::elementary:
        writeFile(temporary, concatenate(video));
        break;
    case Container::programOwn:
        writeFile(temporary, muxOwnProgram(concatenate(video)));
        break;
    case Container::program:
        muxWithLibavformat(spec, video, params, temporary);
        numberNavigationPacks(temporary);
        break;
    case Container::transport:
    case Container::m2ts:
        muxWithLibavformat(spec, video, params, temporary);
        break;
    }
    avcodec_parameters_free(&params);
    fs::rename(temporary, path); // whole, for other test processes using the same cache
    return path;
}

std::string scratchFolder(const std::string& name) {
    static ScratchRoot root;
    const fs::path p = fs::path(root.path) / name;
    fs::remove_all(p);
    fs::create_directories(p);
    return p.string();
}

std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) fail("cannot read " + path);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::vector<std::uint8_t>& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    if (!out) fail("cannot write " + path);
}

void writeText(const std::string& path, const std::string& text) {
    writeFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::string readText(const std::string& path) {
    std::vector<std::uint8_t> d = readFile(path);
    return std::string(d.begin(), d.end());
}

std::vector<std::string> splitFile(const std::string& path, const std::vector<std::uint64_t>& cuts,
                                   const std::string& folder, const std::string& stem) {
    const std::vector<std::uint8_t> d = readFile(path);
    std::vector<std::string> parts;
    std::uint64_t from = 0;
    for (std::size_t i = 0; i <= cuts.size(); ++i) {
        const std::uint64_t to = i < cuts.size() ? std::min<std::uint64_t>(cuts[i], d.size()) : d.size();
        const std::string part = (fs::path(folder) / (stem + "_" + std::to_string(i + 1) + ".VOB")).string();
        writeFile(part, std::vector<std::uint8_t>(d.begin() + static_cast<std::ptrdiff_t>(from),
                                                  d.begin() + static_cast<std::ptrdiff_t>(to)));
        parts.push_back(part);
        from = to;
    }
    return parts;
}

} // namespace mivo::test
