#include "mpeg2_encoder.h"

#include "encoder_profile.h"
#include "frame_features.h"
#include "mpeg_level.h"
#include "picture_adjust.h"
#include "picture_headers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/buffer.h>
#include <libavutil/frame.h>
#include <libavutil/mem.h>
#include <libavutil/opt.h>
#include <libavutil/rational.h>
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
    long long bytes = 0; // of the stream written so far
    int timecodeRate = 25;
    std::array<int, 4> analysisLambda{};
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

// The profile and level, the colour description (the ini's codes are MPEG-2's, and libavcodec's enumerations
// use the same numbers) and the intra VLC table.
void configureStreamFlags(AVCodecContext* c, const EncodeJob& job) {
    // libavcodec takes a level only together with its profile.
    if (const LevelLimits* level = levelLimits(job.mpegLevel, job.chroma422)) {
        c->profile = level->libavProfile;
        c->level = level->libavLevel;
    }
    if (job.colour > 0) {
        c->color_primaries = static_cast<AVColorPrimaries>(job.colour);
        c->color_trc = static_cast<AVColorTransferCharacteristic>(job.colour);
        c->colorspace = static_cast<AVColorSpace>(job.colour);
    }
    // libavcodec has no per-picture choice; table 15 suits intra blocks at DVD rates best.
    av_opt_set_int(c, "intra_vlc", job.intraVlc == 0 ? 0 : 1, AV_OPT_SEARCH_CHILDREN);
}

// The closest libavcodec controls of the adaptive options: *AQ as spatial complexity masking, *LUMGAIN as
// dark masking (dark areas quantised harder), *BIAS as less quantiser compression (towards constant
// bitrate), *ADAPTIVEMATRIX as quantiser noise shaping, which weighs the matrix per block.
void configureAdaptiveControls(AVCodecContext* c, const EncodeJob& job) {
    if (job.aqStrength > 0) av_opt_set_double(c, "scplx_mask", 0.05 * job.aqStrength, AV_OPT_SEARCH_CHILDREN);
    if (job.lumGain > 0) av_opt_set_double(c, "dark_mask", 0.05 * job.lumGain, AV_OPT_SEARCH_CHILDREN);
    if (job.vbrBias > 0) av_opt_set_double(c, "qcomp", rateCompression(job), AV_OPT_SEARCH_CHILDREN);
    if (job.adaptiveMatrix) av_opt_set_int(c, "quantizer_noise_shaping", 2, AV_OPT_SEARCH_CHILDREN);
}

// Zones scale the bits the rate control plans for their frames; the two-pass rate factor then brings
// the average back to the target. A first pass takes no zones into its rate control: the pass that
// finds the title's settled qualities measures the title as it is, and the pass at those qualities sets
// each zone's pictures' quality itself (decideFrame).
// A single pass numbers the segment's pictures from 0; a second pass numbers them as its statistics do.
bool configureZones(AVCodecContext* c, const EncodeJob& job, Pass pass, const SegmentPass& segment) {
    if (job.zones.empty() || job.constantQuant || pass == Pass::First) return true;
    const bool titleWide = pass == Pass::Second && !segment.numbering.empty();
    const std::vector<Zone> zones = zonesAsNumbered(
        rateControlZones(job), job.startFrame, titleWide ? segment.numbering : std::vector{segment.frames});
    if (zones.empty()) return true;
    auto* overrides = static_cast<RcOverride*>(av_calloc(zones.size(), sizeof(RcOverride)));
    if (!overrides) return false;
    for (std::size_t i = 0; i < zones.size(); ++i) {
        overrides[i].start_frame = zones[i].firstFrame;
        overrides[i].end_frame = zones[i].lastFrame;
        overrides[i].qscale = 0;
        overrides[i].quality_factor = zones[i].factor;
    }
    c->rc_override = overrides;
    c->rc_override_count = static_cast<int>(zones.size());
    // The quantiser may step as far as a zone edge asks, not only a few steps from one frame to the next.
    c->max_qdiff = 31;
    return true;
}

bool configure(AVCodecContext* c, Pass pass, const EncodeJob& job, const SegmentPass& segment,
               const StreamFacts& f, std::string& stats, std::string& error) {
    c->width = f.width;
    c->height = f.height;
    c->pix_fmt = job.chroma422 ? AV_PIX_FMT_YUV422P : AV_PIX_FMT_YUV420P;
    c->time_base = AVRational{f.rateDenominator, f.rateNumerator};
    c->framerate = AVRational{f.rateNumerator, f.rateDenominator};
    c->sample_aspect_ratio = sampleAspect(job.aspectRatio, f.width, f.height);
    // The job forces every GOP start itself. libavcodec's own limit counts from when it codes an
    // I-frame, not from where it shows it, and would open a GOP of a frame or two before a planned start:
    // it is put out of reach.
    c->gop_size = 600;
    c->max_b_frames = job.bFrames;
    c->intra_dc_precision = job.dcPrecision - 8;
    c->bit_rate = static_cast<std::int64_t>(job.bitrateKbps) * 1000;
    if (pass == Pass::First) {
        // The first pass measures each picture near the quantiser the second will code it at. Its
        // one-pass rate control corrects an early excess as a whole within libavcodec's tolerance of
        // 4 Mbit, which at DVD rates drives the quantiser to its ceiling for seconds and measures those
        // pictures far from where they will be coded; ten seconds' worth lets it settle smoothly.
        c->bit_rate_tolerance = static_cast<int>(std::min(2e9, job.bitrateKbps * 1000.0 * 10));
        if (segment.analysisLambda[2] > 0) {
            c->flags |= AV_CODEC_FLAG_QSCALE;
            c->global_quality = segment.analysisLambda[2];
        }
    } else if (pass == Pass::Second) {
        // libavcodec's second pass plans for as many pictures as its statistics have lines plus the
        // B-frames, pictures that are never coded, and shares their bits out among the real ones: a
        // 100-frame title with two B-frames came out 2 % over. The rate it is given is that much lower.
        const double frames = jobFrameCount(job);
        c->bit_rate = static_cast<std::int64_t>(
            std::llround(job.bitrateKbps * 1000.0 * frames / (frames + std::max(0, job.bFrames))));
        // The second pass corrects what its model mispredicts in proportion to its excess over this
        // tolerance, and is left off by about the tolerance times the model's error: libavcodec's 4 Mbit
        // left a short title percents off. A tight tolerance moves the quantiser more from picture to
        // picture, which costs quality on grain. The rewritten statistics (statisticsForQuantiserPower)
        // model the correction's own swing within each GOP at this tolerance. Zones keep a quarter of a
        // second's: their factors are measured against the statistics as libavcodec models them.
        c->bit_rate_tolerance = secondPassToleranceBits(job);
    }
    c->rc_max_rate = static_cast<std::int64_t>(job.maxBitrateKbps) * 1000;
    c->rc_buffer_size = kDvdVbvBufferBits;
    if (segment.initialVbvBits > 0)
        c->rc_initial_buffer_occupancy = std::max(1, static_cast<int>(segment.initialVbvBits));
    // The processors are used by encoding segments side by side; slices would cost quality and make
    // the stream depend on the number of processors.
    c->thread_count = 1;
    if (job.closedGops) c->flags |= AV_CODEC_FLAG_CLOSED_GOP;
    if (job.scan == Scan::Interlaced) c->flags |= interlacedCodingFlags(job.profile);
    if (job.constantQuant) {
        c->flags |= AV_CODEC_FLAG_QSCALE;
        c->global_quality = static_cast<int>(std::lround(job.quantiser * FF_QP2LAMBDA));
    }
    // The finest quantiser too: a clean source at a DVD rate needs steps below libavcodec's floor of 2
    // to take the bits it is given.
    c->qmin = 1;
    av_opt_set_int(c, "lmin", FF_QP2LAMBDA, AV_OPT_SEARCH_CHILDREN);
    if (pass == Pass::First) c->flags |= AV_CODEC_FLAG_PASS1;
    if (pass == Pass::Second) {
        c->flags |= AV_CODEC_FLAG_PASS2;
        c->stats_in = stats.data(); // owned by the caller, outlives the context
    }
    c->intra_matrix = matrixCopy(job.intraMatrix);
    c->inter_matrix = matrixCopy(job.nonIntraMatrix);
    if (!c->intra_matrix || !c->inter_matrix || !configureZones(c, job, pass, segment)) {
        error = "out of memory";
        return false;
    }
    configureStreamFlags(c, job);
    // The profile first: *BIAS overrides its quantiser compression. The analysis at the settled
    // qualities measures with the options of the pass that writes the stream (trellis, rate-distortion
    // decisions), so that its bit counts are what the second pass will spend: measured without them,
    // "Best" landed 5 % under its target on a clean source.
    const bool analysisOptions = pass == Pass::First && segment.analysisLambda[2] <= 0;
    if (!applyProfile(c, job.profile, analysisOptions, error)) return false;
    configureAdaptiveControls(c, job);
    if (!job.sceneChange) av_opt_set_int(c, "sc_threshold", 1000000000, AV_OPT_SEARCH_CHILDREN);
    return true;
}

// Hands every packet the encoder has ready to the file (or, in the first pass, only its statistics),
// with the header fields libavcodec cannot set written in.
bool drain(PassState& st, Pass pass, const EncodeJob& job, SegmentPass& segment, std::FILE* out,
           std::string& stats, std::string& error) {
    for (;;) {
        const int r = avcodec_receive_packet(st.codec, st.packet);
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
        if (r < 0) {
            error = "MPEG-2 encoder: " + averror(r);
            return false;
        }
        if (pass == Pass::First && st.codec->stats_out) stats += st.codec->stats_out;
        if (pass != Pass::First && out) {
            if (av_packet_make_writable(st.packet) < 0) {
                av_packet_unref(st.packet);
                error = "out of memory";
                return false;
            }
            const auto size = static_cast<std::size_t>(st.packet->size);
            rewritePictureHeaders(std::span(st.packet->data, size), job,
                                  segment.frames.first + static_cast<int>(st.packet->pts), st.timecodeRate);
            segment.pictureBytes.push_back(st.packet->size);
            if (std::fwrite(st.packet->data, 1, size, out) != size) {
                av_packet_unref(st.packet);
                error = "cannot write the output file (disk full?)";
                return false;
            }
            st.bytes += static_cast<long long>(size);
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
    st.pool = av_buffer_pool_init(luma + 2 * (job.chroma422 ? luma / 2 : luma / 4), nullptr);
    st.timecodeRate = timecodeRate(job, f);
    st.analysisLambda = segment.analysisLambda;
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

// The source's Y, V, U planes into the encoder's Y, Cb, Cr, 4:2:0 chroma taken to 4:2:2 when asked.
void copyPlanes(AVFrame* frame, const EncodeJob& job, const StreamFacts& f, const std::uint8_t* src) {
    const std::size_t luma = static_cast<std::size_t>(f.width) * f.height, chroma = luma / 4;
    const int cw = f.width / 2, chromaLines = job.chroma422 ? f.height : f.height / 2;
    std::uint8_t* dst = frame->buf[0]->data;
    const std::size_t outChroma = static_cast<std::size_t>(cw) * chromaLines;
    frame->data[0] = dst;
    frame->data[1] = dst + luma;
    frame->data[2] = dst + luma + outChroma;
    std::memcpy(dst, src, luma);
    const std::uint8_t* cb = src + luma + chroma;
    const std::uint8_t* cr = src + luma;
    if (job.chroma422) {
        chroma420To422(cb, cw, f.height / 2, frame->data[1], job.scan == Scan::Interlaced);
        chroma420To422(cr, cw, f.height / 2, frame->data[2], job.scan == Scan::Interlaced);
    } else {
        std::memcpy(frame->data[1], cb, chroma);
        std::memcpy(frame->data[2], cr, chroma);
    }
    frame->linesize[0] = f.width;
    frame->linesize[1] = frame->linesize[2] = cw;
    maskAndShift({frame->data[0], f.width, f.height, f.width}, {frame->data[1], cw, chromaLines, cw},
                 {frame->data[2], cw, chromaLines, cw}, job.chroma422 ? 1 : 2, job.maskTop, job.maskBottom,
                 job.maskShift);
}

// What the job decides for this frame: a forced picture type, and under constant quantisation the
// quantiser of its picture type and zone.
void decideFrame(PassState& st, const EncodeJob& job, int n) {
    const ForcedType forced = forcedPictureType(job, n);
    st.frame->pict_type = forced == ForcedType::Intra       ? AV_PICTURE_TYPE_I
                          : forced == ForcedType::Predicted ? AV_PICTURE_TYPE_P
                                                            : AV_PICTURE_TYPE_NONE;
    if (!job.constantQuant) {
        // A first pass at set qualities takes each frame's from the frame.
        if (st.codec->flags & AV_CODEC_FLAG_QSCALE) {
            const ForcedType type = forced != ForcedType::None ? forced : plannedType(job, n);
            const std::size_t index = type == ForcedType::Intra ? 1 : type == ForcedType::Predicted ? 2 : 3;
            // A zone's pictures at the quality that gives them their factor times the bits, where the
            // second pass will code them.
            const int quality =
                st.analysisLambda[index] > 0 ? st.analysisLambda[index] : st.codec->global_quality;
            st.frame->quality =
                static_cast<int>(std::lround(quality / std::pow(zoneFactorAt(job, n), job.zoneQualityPower)));
        }
        return;
    }
    const ForcedType type = forced != ForcedType::None ? forced : plannedType(job, n);
    const float factor = type == ForcedType::Intra       ? 1.0f
                         : type == ForcedType::Predicted ? job.cqPFactor
                                                         : job.cqBFactor;
    // A zone's factor scales the bitrate, so the quantiser moves the other way.
    const float q = std::clamp(job.quantiser * factor / zoneFactorAt(job, n), 1.0f, 31.0f);
    st.frame->quality = static_cast<int>(std::lround(q * FF_QP2LAMBDA));
}

// Frame n of the source into a pooled encoder frame.
bool fillFrame(PassState& st, const EncodeJob& job, const FrameSource& source, int n, std::string& error) {
    const StreamFacts& f = source.facts();
    const std::uint8_t* src = source.frame(n);
    if (!src) {
        error = "the source returned no frame " + std::to_string(n);
        return false;
    }
    av_frame_unref(st.frame);
    st.frame->buf[0] = av_buffer_pool_get(st.pool);
    if (!st.frame->buf[0]) {
        error = "out of memory";
        return false;
    }
    copyPlanes(st.frame, job, f, src);
    st.frame->width = f.width;
    st.frame->height = f.height;
    st.frame->format = st.codec->pix_fmt;
    st.frame->interlaced_frame = job.scan == Scan::Interlaced;
    st.frame->top_field_first = job.scan == Scan::Interlaced && job.topFieldFirst;
    decideFrame(st, job, n);
    return true;
}

} // namespace

double rateCompression(const EncodeJob& job) {
    return job.vbrBias > 0 ? 0.5 * (1.0 - job.vbrBias / 100.0) : kQuantiserCompression;
}

int secondPassToleranceBits(const EncodeJob& job) {
    return std::max(1, job.bitrateKbps * (job.zones.empty() ? 500 : 250));
}

SecondPassModel secondPassModel(const EncodeJob& job, double power, double titleBits) {
    SecondPassModel model;
    model.power = power;
    model.qcompress = rateCompression(job);
    model.titleBits = titleBits;
    model.toleranceBits = secondPassToleranceBits(job);
    // libavcodec's defaults unless the profile sets its own.
    for (const CodecOption& o : profileOptions(job.profile, false)) {
        if (std::string_view(o.name) == "i_qfactor") model.iFactor = std::fabs(std::atof(o.value));
        if (std::string_view(o.name) == "b_qfactor") model.bFactor = std::fabs(std::atof(o.value));
        if (std::string_view(o.name) == "non_linear_quant") model.nonLinear = std::atoi(o.value) != 0;
        if (std::string_view(o.name) == "qmax") model.qmax = std::atoi(o.value);
    }
    return model;
}

bool passOpens(Pass pass, const EncodeJob& job, const SegmentPass& segment, const FrameSource& source,
               std::string& stats) {
    PassState st;
    std::string error;
    return openPass(st, pass, job, segment, source, stats, error);
}

namespace {

// Mean absolute difference of the luma of two frames, on every fourth sample of every fourth line.
class ChangeMeter {
  public:
    explicit ChangeMeter(const StreamFacts& f)
        : width_(f.width), height_(f.height),
          last_(static_cast<std::size_t>((f.width + 3) / 4) * ((f.height + 3) / 4)) {}
    double next(const std::uint8_t* luma, int stride, bool first) {
        long long sum = 0;
        std::size_t k = 0;
        for (int y = 0; y < height_; y += 4)
            for (int x = 0; x < width_; x += 4, ++k) {
                const std::uint8_t v = luma[static_cast<std::size_t>(y) * stride + x];
                sum += std::abs(int(v) - int(last_[k]));
                last_[k] = v;
            }
        return first ? 0.0 : double(sum) / double(last_.size());
    }

  private:
    int width_, height_;
    std::vector<std::uint8_t> last_;
};

} // namespace

bool encodePass(Pass pass, const EncodeJob& job, SegmentPass& segment, const FrameSource& source,
                std::FILE* out, std::string& stats, const ProgressFn& progress, std::string& error) {
    PassState st;
    segment.pictureBytes.clear();
    if (!openPass(st, pass, job, segment, source, stats, error)) return false;
    const int total = segment.frames.frames();
    ChangeMeter change(source.facts());
    if (pass == Pass::First) segment.frameChange.assign(static_cast<std::size_t>(total), 0.0);
    for (int i = 0; i < total; ++i) {
        const int n = segment.frames.first + i;
        if (!fillFrame(st, job, source, n, error)) return false;
        if (pass == Pass::First)
            segment.frameChange[static_cast<std::size_t>(i)] =
                change.next(st.frame->data[0], st.frame->linesize[0], i == 0);
        st.frame->pts = i;
        if (const int r = avcodec_send_frame(st.codec, st.frame); r < 0) {
            error = "MPEG-2 encoder, frame " + std::to_string(n) + ": " + averror(r);
            return false;
        }
        if (!drain(st, pass, job, segment, out, stats, error)) return false;
        const PassProgress now{i + 1, st.bytes, {st.frame->data[0], st.frame->data[1], st.frame->data[2]}};
        if (progress && !progress(now)) {
            error = kCancelledMessage;
            return false;
        }
    }
    if (const int r = avcodec_send_frame(st.codec, nullptr); r < 0) {
        error = "MPEG-2 encoder, flush: " + averror(r);
        return false;
    }
    if (!drain(st, pass, job, segment, out, stats, error)) return false;
    if (progress) progress(PassProgress{total, st.bytes, {}});
    return true;
}

} // namespace mivo::encoder
