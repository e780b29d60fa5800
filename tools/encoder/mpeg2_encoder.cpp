#include "mpeg2_encoder.h"

#include "encoder_profile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/buffer.h>
#include <libavutil/frame.h>
#include <libavutil/mem.h>
#include <libavutil/opt.h>
#include <libavutil/rational.h>
#include <libavutil/timecode.h>
}

namespace mivo::encoder {

namespace {

std::string averror(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// The libavcodec objects of one pass, released together whatever way the pass ends.
struct PassState {
    AVCodecContext* codec = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    AVBufferPool* pool = nullptr;
    ~PassState() {
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        av_buffer_pool_uninit(&pool);
    }
};

// Display aspect ratio of the aspect codes, as the sample aspect ratio libavcodec wants.
AVRational sampleAspect(int aspectRatio, int width, int height) {
    int darNum = 1, darDen = 1;
    switch (aspectRatio) {
    case 2:
        darNum = 4, darDen = 3;
        break;
    case 3:
        darNum = 16, darDen = 9;
        break;
    case 4:
        darNum = 221, darDen = 100;
        break;
    default:
        return AVRational{1, 1};
    }
    AVRational sar{};
    av_reduce(&sar.num, &sar.den, static_cast<std::int64_t>(darNum) * height,
              static_cast<std::int64_t>(darDen) * width, 1 << 20);
    return sar;
}

uint16_t* matrixCopy(const MatrixValues& m) {
    auto* copy = static_cast<uint16_t*>(av_malloc(64 * sizeof(uint16_t)));
    if (copy)
        for (std::size_t i = 0; i < 64; ++i)
            copy[i] = static_cast<uint16_t>(m[i]);
    return copy;
}

// The GOP time code of the segment's first picture: the job's time code counted on by the frames
// before the segment, so the joined stream's time codes run on without a break.
bool setSegmentTimecode(AVCodecContext* c, const EncodeJob& job, const Segment& segment, std::string& error) {
    char start[32];
    std::snprintf(start, sizeof start, "%02d:%02d:%02d:%02d", job.timecode[0], job.timecode[1],
                  job.timecode[2], job.timecode[3]);
    AVTimecode tc{};
    char text[AV_TIMECODE_STR_SIZE];
    if (av_timecode_init_from_string(&tc, c->framerate, start, nullptr) < 0 ||
        av_opt_set(c, "gop_timecode", av_timecode_make_string(&tc, text, segment.first - job.startFrame),
                   AV_OPT_SEARCH_CHILDREN) < 0) {
        error = std::string("the MPEG-2 encoder refuses the time code ") + start;
        return false;
    }
    return true;
}

bool configure(AVCodecContext* c, Pass pass, const EncodeJob& job, const SegmentPass& segment,
               const StreamFacts& f, std::string& stats, std::string& error) {
    c->width = f.width;
    c->height = f.height;
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->time_base = AVRational{f.rateDenominator, f.rateNumerator};
    c->framerate = AVRational{f.rateNumerator, f.rateDenominator};
    c->sample_aspect_ratio = sampleAspect(job.aspectRatio, f.width, f.height);
    c->gop_size = job.gopLength;
    c->max_b_frames = job.bFrames;
    c->intra_dc_precision = job.dcPrecision - 8;
    c->bit_rate = static_cast<std::int64_t>(job.bitrateKbps) * 1000;
    c->rc_max_rate = static_cast<std::int64_t>(job.maxBitrateKbps) * 1000;
    c->rc_buffer_size = kDvdVbvBufferBits;
    if (segment.initialVbvBits > 0)
        c->rc_initial_buffer_occupancy = std::max(1, static_cast<int>(segment.initialVbvBits));
    // The processors are used by encoding segments side by side; slices would cost quality and make
    // the stream depend on the number of processors.
    c->thread_count = 1;
    if (job.closedGops) c->flags |= AV_CODEC_FLAG_CLOSED_GOP;
    if (job.scan == Scan::Interlaced) c->flags |= AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME;
    if (job.constantQuant) {
        c->flags |= AV_CODEC_FLAG_QSCALE;
        c->global_quality = static_cast<int>(std::lround(job.quantiser * FF_QP2LAMBDA));
    }
    if (pass == Pass::First) c->flags |= AV_CODEC_FLAG_PASS1;
    if (pass == Pass::Second) {
        c->flags |= AV_CODEC_FLAG_PASS2;
        c->stats_in = stats.data(); // owned by the caller, outlives the context
    }
    c->intra_matrix = matrixCopy(job.intraMatrix);
    c->inter_matrix = matrixCopy(job.nonIntraMatrix);
    if (!c->intra_matrix || !c->inter_matrix) {
        error = "out of memory";
        return false;
    }
    if (!applyProfile(c, job.profile, pass == Pass::First, error)) return false;
    if (!job.sceneChange) av_opt_set_int(c, "sc_threshold", 1000000000, AV_OPT_SEARCH_CHILDREN);
    return setSegmentTimecode(c, job, segment.frames, error);
}

// Hands every packet the encoder has ready to the file (or, in the first pass, only its statistics).
bool drain(PassState& st, Pass pass, std::FILE* out, std::string& stats, std::vector<std::int64_t>& sizes,
           std::string& error) {
    for (;;) {
        const int r = avcodec_receive_packet(st.codec, st.packet);
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
        if (r < 0) {
            error = "MPEG-2 encoder: " + averror(r);
            return false;
        }
        if (pass == Pass::First && st.codec->stats_out) stats += st.codec->stats_out;
        if (pass != Pass::First) sizes.push_back(st.packet->size);
        if (pass != Pass::First && out &&
            std::fwrite(st.packet->data, 1, static_cast<std::size_t>(st.packet->size), out) !=
                static_cast<std::size_t>(st.packet->size)) {
            av_packet_unref(st.packet);
            error = "cannot write the output file (disk full?)";
            return false;
        }
        av_packet_unref(st.packet);
    }
}

// The encoder opened for this pass, with its frame pool.
bool openPass(PassState& st, Pass pass, const EncodeJob& job, const SegmentPass& segment,
              const FrameSource& source, std::string& stats, std::string& error) {
    const StreamFacts& f = source.facts();
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MPEG2VIDEO);
    if (!codec) {
        error = "this FFmpeg has no MPEG-2 video encoder";
        return false;
    }
    st.codec = avcodec_alloc_context3(codec);
    st.frame = av_frame_alloc();
    st.packet = av_packet_alloc();
    const std::size_t luma = source.lumaBytes();
    // Frames come from a pool: once the encoder's look-ahead is full, each buffer it lets go is reused.
    st.pool = av_buffer_pool_init(luma + 2 * (luma / 4), nullptr);
    if (!st.codec || !st.frame || !st.packet || !st.pool) {
        error = "out of memory";
        return false;
    }
    if (pass == Pass::First) stats.clear();
    if (!configure(st.codec, pass, job, segment, f, stats, error)) return false;
    if (const int r = avcodec_open2(st.codec, codec, nullptr); r < 0) {
        error = "the MPEG-2 encoder refuses the settings (" + std::to_string(f.width) + " x " +
                std::to_string(f.height) + " at " + std::to_string(f.rateNumerator) + "/" +
                std::to_string(f.rateDenominator) + " frames a second): " + averror(r);
        return false;
    }
    return true;
}

// Frame n of the source into a pooled encoder frame.
bool fillFrame(PassState& st, const EncodeJob& job, const FrameSource& source, int n, std::string& error) {
    const StreamFacts& f = source.facts();
    const std::uint8_t* src = source.frame(n);
    if (!src) {
        error = "the decoder library returned no frame " + std::to_string(n);
        return false;
    }
    av_frame_unref(st.frame);
    st.frame->buf[0] = av_buffer_pool_get(st.pool);
    if (!st.frame->buf[0]) {
        error = "out of memory";
        return false;
    }
    const std::size_t luma = source.lumaBytes();
    const std::size_t chroma = luma / 4;
    std::uint8_t* dst = st.frame->buf[0]->data;
    // The library delivers Y, V, U; the encoder's planes are Y, U (Cb), V (Cr).
    std::memcpy(dst, src, luma);
    std::memcpy(dst + luma, src + luma + chroma, chroma);
    std::memcpy(dst + luma + chroma, src + luma, chroma);
    st.frame->data[0] = dst;
    st.frame->data[1] = dst + luma;
    st.frame->data[2] = dst + luma + chroma;
    st.frame->linesize[0] = f.width;
    st.frame->linesize[1] = st.frame->linesize[2] = f.width / 2;
    st.frame->width = f.width;
    st.frame->height = f.height;
    st.frame->format = AV_PIX_FMT_YUV420P;
    st.frame->interlaced_frame = job.scan == Scan::Interlaced;
    st.frame->top_field_first = job.scan == Scan::Interlaced && job.topFieldFirst;
    if (job.constantQuant) st.frame->quality = st.codec->global_quality;
    return true;
}

} // namespace

bool passOpens(Pass pass, const EncodeJob& job, const SegmentPass& segment, const FrameSource& source,
               std::string& stats) {
    PassState st;
    std::string error;
    return openPass(st, pass, job, segment, source, stats, error);
}

bool encodePass(Pass pass, const EncodeJob& job, SegmentPass& segment, const FrameSource& source,
                std::FILE* out, std::string& stats, const std::function<void(int)>& progress,
                std::string& error) {
    PassState st;
    segment.pictureBytes.clear();
    if (!openPass(st, pass, job, segment, source, stats, error)) return false;
    const int total = segment.frames.frames();
    for (int i = 0; i < total; ++i) {
        const int n = segment.frames.first + i;
        if (!fillFrame(st, job, source, n, error)) return false;
        st.frame->pts = i;
        if (const int r = avcodec_send_frame(st.codec, st.frame); r < 0) {
            error = "MPEG-2 encoder, frame " + std::to_string(n) + ": " + averror(r);
            return false;
        }
        if (!drain(st, pass, out, stats, segment.pictureBytes, error)) return false;
        if (progress && (i + 1) % 25 == 0) progress(i + 1);
    }
    if (const int r = avcodec_send_frame(st.codec, nullptr); r < 0) {
        error = "MPEG-2 encoder, flush: " + averror(r);
        return false;
    }
    if (!drain(st, pass, out, stats, segment.pictureBytes, error)) return false;
    if (progress) progress(total);
    return true;
}

} // namespace mivo::encoder
