#include "video_file_source.h"

#include "index_store.h"
#include "packet_reader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace mivo::video {

namespace {

std::string errorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

bool validRate(AVRational r) {
    return r.num > 0 && r.den > 0 && av_q2d(r) <= 240.0;
}

} // namespace

VideoFileSource::~VideoFileSource() {
    reader_.reset();
    sws_freeContext(sws_);
    av_frame_free(&received_);
    av_packet_free(&packet_);
    avcodec_free_context(&codec_);
    avformat_close_input(&format_);
}

std::unique_ptr<VideoFileSource> VideoFileSource::open(const std::string& path, const OpenOptions& options,
                                                       std::string& error, bool* cancelled) {
    if (cancelled) *cancelled = false;
    std::unique_ptr<VideoFileSource> s(new VideoFileSource);
    if (!s->openContainer(path, error)) return nullptr;

    SourceFacts facts;
    if (!sourceFacts(path, facts)) {
        error = "cannot read the file";
        return nullptr;
    }
    const AVStream* st = s->format_->streams[s->stream_];
    for (const std::string& kept :
         {indexBeside(path), options.fallbackIndexFolder.empty()
                                 ? std::string()
                                 : indexInFolder(options.fallbackIndexFolder, path)}) {
        if (!kept.empty() && loadKeptIndex(kept, facts, s->stream_, avformat_version(), s->index_) &&
            s->index_.header().timeBaseNum == st->time_base.num &&
            s->index_.header().timeBaseDen == st->time_base.den) {
            s->indexPath_ = kept;
            s->indexReused_ = true;
            break;
        }
    }
    if (!s->indexReused_) {
        IndexHeader header;
        header.sourceSize = facts.size;
        header.sourceTime = facts.time;
        header.stream = s->stream_;
        header.timeBaseNum = st->time_base.num;
        header.timeBaseDen = st->time_base.den;
        header.demuxerVersion = avformat_version();
        switch (buildIndex(s->format_, s->stream_, header, options.progress, s->index_, error)) {
        case BuildOutcome::Cancelled:
            if (cancelled) *cancelled = true;
            error = "indexing cancelled";
            return nullptr;
        case BuildOutcome::Failed:
            return nullptr;
        case BuildOutcome::Ok:
            break;
        }
        s->indexPath_ = keepIndex(path, options.fallbackIndexFolder, s->index_);
    }
    if (!s->openDecoder(options.threads, error)) return nullptr;
    s->describe();
    if (s->info_.width < 2 || s->info_.height < 2) {
        error = "damaged file: the picture size is unknown";
        return nullptr;
    }
    s->planFrames();
    s->reader_ = std::make_unique<PacketReader>(s->format_, s->stream_, s->index_.packets());
    return s;
}

bool VideoFileSource::openContainer(const std::string& path, std::string& error) {
    int r = avformat_open_input(&format_, path.c_str(), nullptr, nullptr);
    if (r < 0) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(path, ec))
            error = "cannot open the file: " + errorText(r);
        else if (r == AVERROR_INVALIDDATA)
            error = "unknown format or damaged file";
        else
            error = "damaged file: " + errorText(r);
        return false;
    }
    if (avformat_find_stream_info(format_, nullptr) < 0) {
        error = "damaged file: its streams cannot be read";
        return false;
    }
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
        const AVStream* st = format_->streams[i];
        if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
            !(st->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
            stream_ = static_cast<int>(i);
            break;
        }
    }
    if (stream_ < 0) {
        error = "no video stream";
        return false;
    }
    // Only the picture stream is read; the audio is listed, not demuxed.
    for (unsigned i = 0; i < format_->nb_streams; ++i)
        if (static_cast<int>(i) != stream_) format_->streams[i]->discard = AVDISCARD_ALL;
    return true;
}

bool VideoFileSource::openDecoder(int threads, std::string& error) {
    const AVCodecParameters* par = format_->streams[stream_]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    if (!codec) {
        error = std::string("no decoder for ") + avcodec_get_name(par->codec_id);
        return false;
    }
    codec_ = avcodec_alloc_context3(codec);
    packet_ = av_packet_alloc();
    received_ = av_frame_alloc();
    if (!codec_ || !packet_ || !received_ || avcodec_parameters_to_context(codec_, par) < 0) {
        error = "out of memory";
        return false;
    }
    codec_->thread_count = std::max(1, threads);
    codec_->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    const int r = avcodec_open2(codec_, codec, nullptr);
    if (r < 0) {
        error =
            std::string("cannot open the ") + avcodec_get_name(par->codec_id) + " decoder: " + errorText(r);
        return false;
    }
    return true;
}

void VideoFileSource::describe() {
    AVStream* st = format_->streams[stream_];
    const AVCodecParameters* par = st->codecpar;
    info_.sourceWidth = par->width;
    info_.sourceHeight = par->height;
    int w = par->width, h = par->height;
    if (w > kMaxFrameWidth || h > kMaxFrameHeight) {
        const double f =
            std::min(static_cast<double>(kMaxFrameWidth) / w, static_cast<double>(kMaxFrameHeight) / h);
        w = static_cast<int>(w * f);
        h = static_cast<int>(h * f);
        info_.scaled = true;
    }
    info_.width = w & ~1;
    info_.height = h & ~1;
    const auto format = static_cast<AVPixelFormat>(par->format);
    const char* name = av_get_pix_fmt_name(format);
    info_.pixelFormat = name ? name : "unknown";
    info_.converted = format != AV_PIX_FMT_YUV420P && format != AV_PIX_FMT_YUVJ420P;
    info_.codec = avcodec_get_name(par->codec_id);
    const std::string container = format_->iformat->name;
    info_.container = container.substr(0, container.find(','));

    AVRational sar = av_guess_sample_aspect_ratio(format_, st, nullptr);
    if (sar.num <= 0 || sar.den <= 0) sar = AVRational{1, 1};
    av_reduce(&info_.aspectNum, &info_.aspectDen, static_cast<std::int64_t>(par->width) * sar.num,
              static_cast<std::int64_t>(par->height) * sar.den, 1 << 20);

    AVRational rate = validRate(st->avg_frame_rate) ? st->avg_frame_rate : st->r_frame_rate;
    if (!validRate(rate)) rate = AVRational{25, 1};
    info_.rateNum = rate.num;
    info_.rateDen = rate.den;

    for (unsigned i = 0; i < format_->nb_streams; ++i) {
        const AVStream* a = format_->streams[i];
        if (a->codecpar->codec_type != AVMEDIA_TYPE_AUDIO) continue;
        AudioTrack t;
        t.stream = static_cast<int>(i);
        t.codec = avcodec_get_name(a->codecpar->codec_id);
        t.channels = a->codecpar->ch_layout.nb_channels;
        t.sampleRate = a->codecpar->sample_rate;
        if (const AVDictionaryEntry* lang = av_dict_get(a->metadata, "language", nullptr, 0))
            t.language = lang->value;
        info_.audio.push_back(std::move(t));
    }
}

// A file whose frames are not evenly spaced is served at a constant rate: output position k shows the last
// frame whose time, rounded to the nearest position, is not after k, so frames are repeated over gaps and
// dropped where they come closer than the rate.
void VideoFileSource::planFrames() {
    const AVStream* st = format_->streams[stream_];
    const int n = index_.frameCount();
    const AVRational tb = st->time_base;
    const double expected = av_q2d(av_inv_q(av_mul_q(tb, AVRational{info_.rateNum, info_.rateDen})));
    const double tolerance = std::max(1.5, expected / 4);
    // The last few frames do not count: a file cut short loses the pictures the decoder would have
    // reordered between them, which is damage, not a change of rate.
    constexpr int kReorderTail = 4;
    for (int i = 1; i < n - kReorderTail && !info_.variableRate; ++i)
        info_.variableRate = std::abs(static_cast<double>(index_.timeOfFrame(i)) -
                                      static_cast<double>(index_.timeOfFrame(i - 1)) - expected) > tolerance;
    if (!info_.variableRate) {
        info_.frameCount = n;
        output_.assign(static_cast<std::size_t>(info_.width) * info_.height * 3 / 2, 0);
        return;
    }
    // The nominal rate: the one all time stamps fit, when libavformat found one, else the average.
    if (validRate(st->r_frame_rate) && av_q2d(st->r_frame_rate) <= 120.0) {
        info_.rateNum = st->r_frame_rate.num;
        info_.rateDen = st->r_frame_rate.den;
    }
    const AVRational slot{info_.rateDen, info_.rateNum};
    const std::int64_t t0 = index_.timeOfFrame(0);
    // Time stamps of a damaged file may leap by hours: filling the leap would make millions of copies of
    // one frame (and overflow on the way), so such a file is served frame by frame as it comes.
    const double slots = (static_cast<double>(index_.timeOfFrame(n - 1)) - static_cast<double>(t0)) *
                         av_q2d(tb) / av_q2d(slot);
    if (!(slots <= 4.0 * n + 250)) {
        info_.frameCount = n;
        output_.assign(static_cast<std::size_t>(info_.width) * info_.height * 3 / 2, 0);
        return;
    }
    auto slotOf = [&](std::int64_t t) {
        return av_rescale_q_rnd(t - t0, tb, slot,
                                static_cast<AVRounding>(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX));
    };
    // The last frame is shown for one position, as every other.
    const std::int64_t count = slotOf(index_.timeOfFrame(n - 1)) + 1;
    outputToFrame_.assign(static_cast<std::size_t>(count), 0);
    int j = 0;
    for (std::size_t k = 0; k < outputToFrame_.size(); ++k) {
        while (j + 1 < n && slotOf(index_.timeOfFrame(j + 1)) <= static_cast<std::int64_t>(k))
            ++j;
        outputToFrame_[k] = j;
    }
    info_.frameCount = static_cast<int>(outputToFrame_.size());
    output_.assign(static_cast<std::size_t>(info_.width) * info_.height * 3 / 2, 0);
}

int VideoFileSource::frameOfOutput(int n) const {
    return outputToFrame_.empty() ? n : outputToFrame_[static_cast<std::size_t>(n)];
}

const std::uint8_t* VideoFileSource::frame(int n) {
    n = std::clamp(n, 0, info_.frameCount - 1);
    const int f = frameOfOutput(n);
    if (f != outputFrame_ && !decodeUntil(f)) {
        // Nothing decodable: keep what was shown, or black before anything was.
        if (outputFrame_ < 0) {
            const std::size_t luma = static_cast<std::size_t>(info_.width) * info_.height;
            std::memset(output_.data(), 16, luma);
            std::memset(output_.data() + luma, 128, output_.size() - luma);
        }
        ++stats_.fallbacks;
        outputFrame_ = f;
        outputDamaged_ = true;
    }
    return output_.data();
}

bool VideoFileSource::restart(std::uint32_t packet) {
    avcodec_flush_buffers(codec_);
    active_ = reader_->seekTo(packet);
    draining_ = false;
    lastOut_ = -1;
    ++stats_.seeks;
    return active_;
}

bool VideoFileSource::decodeUntil(int f) {
    const std::uint32_t start = index_.startOfFrame(f);
    if ((!active_ || f <= lastOut_ || start > reader_->position()) && !restart(start)) return false;
    const auto packets = static_cast<std::int64_t>(index_.packets().size());
    for (;;) {
        const int r = avcodec_receive_frame(codec_, received_);
        if (r == 0) {
            const std::int64_t tag = received_->pts;
            const int shown =
                tag >= 0 && tag < packets ? index_.frameOfPacket(static_cast<std::uint32_t>(tag)) : -1;
            if (shown < 0 || shown < f) {
                if (shown >= 0) lastOut_ = shown;
                av_frame_unref(received_);
                continue;
            }
            // A frame later than the one asked for means the decoder could not give that one (damage): the
            // next picture it could stands in.
            lastOut_ = shown;
            if (shown != f) ++stats_.fallbacks;
            serve(received_);
            outputDamaged_ = shown != f || received_->decode_error_flags != 0 ||
                             (received_->flags & AV_FRAME_FLAG_CORRUPT);
            av_frame_unref(received_);
            outputFrame_ = f;
            return true;
        }
        if (r != AVERROR(EAGAIN)) {
            active_ = false;
            return false;
        }
        std::uint32_t index = 0;
        if (reader_->next(packet_, index)) {
            packet_->pts = index;
            packet_->dts = AV_NOPTS_VALUE;
            ++stats_.decoded;
            // A packet the decoder refuses is skipped, as a sequential decode skips it.
            avcodec_send_packet(codec_, packet_);
            av_packet_unref(packet_);
        } else if (!draining_) {
            draining_ = true;
            avcodec_send_packet(codec_, nullptr);
        } else {
            active_ = false;
            return false;
        }
    }
}

void VideoFileSource::serve(const AVFrame* frame) {
    const int w = info_.width, h = info_.height, cw = w / 2, ch = h / 2;
    std::uint8_t* y = output_.data();
    std::uint8_t* v = y + static_cast<std::size_t>(w) * h;
    std::uint8_t* u = v + static_cast<std::size_t>(cw) * ch;
    const bool plain = (frame->format == AV_PIX_FMT_YUV420P || frame->format == AV_PIX_FMT_YUVJ420P) &&
                       !info_.scaled && frame->width >= w && frame->height >= h;
    if (plain) {
        for (int r = 0; r < h; ++r)
            std::memcpy(y + static_cast<std::size_t>(r) * w,
                        frame->data[0] + static_cast<std::ptrdiff_t>(r) * frame->linesize[0],
                        static_cast<std::size_t>(w));
        for (int r = 0; r < ch; ++r) {
            std::memcpy(u + static_cast<std::size_t>(r) * cw,
                        frame->data[1] + static_cast<std::ptrdiff_t>(r) * frame->linesize[1],
                        static_cast<std::size_t>(cw));
            std::memcpy(v + static_cast<std::size_t>(r) * cw,
                        frame->data[2] + static_cast<std::ptrdiff_t>(r) * frame->linesize[2],
                        static_cast<std::size_t>(cw));
        }
        return;
    }
    // The context is made again only when the picture's size or format changes.
    sws_ = sws_getCachedContext(sws_, frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                w, h, AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr);
    if (!sws_) return;
    std::uint8_t* dst[4] = {y, u, v, nullptr};
    const int pitch[4] = {w, cw, cw, 0};
    sws_scale(sws_, frame->data, frame->linesize, 0, frame->height, dst, pitch);
}

} // namespace mivo::video
