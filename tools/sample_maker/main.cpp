// mivo-sample: writes the short MPEG-2 title a first run opens, encoded with libavcodec from a drawn
// pattern. usage: mivo-sample OUTPUT.m2v   (exit 0 when written, 1 with the reason on stderr)

#include "sample_pattern.h"

#include "base/whole_file.h"

#include <cstdio>
#include <memory>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
}

namespace {

using namespace mivo::sample;

struct CodecDeleter {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
    void operator()(AVFrame* f) const { av_frame_free(&f); }
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};

std::unique_ptr<AVCodecContext, CodecDeleter> openEncoder() {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MPEG2VIDEO);
    if (!codec) return nullptr;
    std::unique_ptr<AVCodecContext, CodecDeleter> ctx(avcodec_alloc_context3(codec));
    ctx->width = kWidth;
    ctx->height = kHeight;
    ctx->pix_fmt = AV_PIX_FMT_YUV420P;
    ctx->time_base = AVRational{kRateDenominator, kRateNumerator};
    ctx->framerate = AVRational{kRateNumerator, kRateDenominator};
    ctx->sample_aspect_ratio = AVRational{16, 15}; // 4:3 on a 720 x 576 PAL frame
    ctx->gop_size = 12;
    ctx->max_b_frames = 2;
    // One thread and a fixed quantiser: the same bytes on every machine with the same libavcodec.
    ctx->thread_count = 1;
    ctx->flags |= AV_CODEC_FLAG_QSCALE;
    ctx->global_quality = FF_QP2LAMBDA * 3;
    if (avcodec_open2(ctx.get(), codec, nullptr) < 0) return nullptr;
    return ctx;
}

// Sends one frame (null: the end) and writes every packet the encoder has ready.
bool encode(AVCodecContext* ctx, const AVFrame* frame, AVPacket* packet, mivo::WholeFileStream& out) {
    if (avcodec_send_frame(ctx, frame) < 0) return false;
    for (;;) {
        const int got = avcodec_receive_packet(ctx, packet);
        if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return true;
        if (got < 0) return false;
        const bool written = out.write(packet->data, static_cast<std::size_t>(packet->size));
        av_packet_unref(packet);
        if (!written) return false;
    }
}

bool writeSample(const std::string& path, std::string& why) {
    const auto ctx = openEncoder();
    const std::unique_ptr<AVFrame, CodecDeleter> frame(av_frame_alloc());
    const std::unique_ptr<AVPacket, CodecDeleter> packet(av_packet_alloc());
    if (!ctx || !frame || !packet) return why = "no MPEG-2 encoder in libavcodec", false;
    frame->width = kWidth;
    frame->height = kHeight;
    frame->format = AV_PIX_FMT_YUV420P;
    if (av_frame_get_buffer(frame.get(), 0) < 0) return why = "out of memory", false;
    mivo::WholeFileStream out(path);
    if (!out.open()) return why = "cannot create " + out.temporary(), false;
    for (int i = 0; i < kFrames; ++i) {
        if (av_frame_make_writable(frame.get()) < 0) return why = "out of memory", false;
        drawSampleFrame(
            i, {frame->data[0], frame->data[1], frame->data[2], frame->linesize[0], frame->linesize[1]});
        frame->pts = i;
        if (!encode(ctx.get(), frame.get(), packet.get(), out)) return why = "cannot encode or write", false;
    }
    if (!encode(ctx.get(), nullptr, packet.get(), out)) return why = "cannot encode or write", false;
    static const std::uint8_t kSequenceEnd[] = {0x00, 0x00, 0x01, 0xB7};
    if (!out.write(kSequenceEnd, sizeof kSequenceEnd) || !out.commit(&why))
        return why = "cannot write " + path + (why.empty() ? "" : ": " + why), false;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: mivo-sample OUTPUT.m2v\n");
        return 2;
    }
    av_log_set_level(AV_LOG_ERROR);
    std::string why;
    if (!writeSample(argv[1], why)) {
        std::fprintf(stderr, "mivo-sample: %s\n", why.c_str());
        return 1;
    }
    return 0;
}
