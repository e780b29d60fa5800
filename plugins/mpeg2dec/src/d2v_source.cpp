#include "d2v_source.h"

#include "mpeg_tables.h"

#include "base/paths.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

namespace mivo::mpeg2 {

namespace {

// Transport packet size of a stream whose project does not say: the one whose sync bytes line up.
int detectPacketSize(FileSet& files) {
    std::vector<std::uint8_t> head(8 * 204 + 8);
    const std::size_t got = files.read(0, head.data(), head.size());
    for (int size : {188, 192, 204}) {
        const std::size_t prefix = size == 192 ? 4 : 0;
        for (std::size_t start = 0; start < static_cast<std::size_t>(size); ++start) {
            int hits = 0;
            for (std::size_t at = start + prefix; at < got && head[at] == 0x47;
                 at += static_cast<std::size_t>(size))
                ++hits;
            if (hits >= 5) return size;
        }
    }
    return 188;
}

bool isFormat(int format, AVPixelFormat a, AVPixelFormat b) {
    return format == a || format == b;
}

// One output row from plane `plane` row r of s, cut or padded to n bytes.
void copyRow(std::uint8_t* dst, const AVFrame* s, int plane, int r, int n, bool subsampledX, bool subsampledY,
             std::uint8_t fill) {
    const int planeWidth = subsampledX ? (s->width + 1) / 2 : s->width;
    const int planeHeight = subsampledY ? (s->height + 1) / 2 : s->height;
    if (r >= planeHeight) {
        std::memset(dst, fill, static_cast<std::size_t>(n));
        return;
    }
    const int m = std::min(n, planeWidth);
    std::memcpy(dst, s->data[plane] + static_cast<std::ptrdiff_t>(r) * s->linesize[plane],
                static_cast<std::size_t>(m));
    if (m < n) std::memset(dst + m, fill, static_cast<std::size_t>(n - m));
}

} // namespace

std::unique_ptr<D2vSource> D2vSource::open(const std::string& projectPath, std::string& error, int threads) {
    std::unique_ptr<D2vSource> source(new D2vSource());
    source->threads_ = threads > 1 ? threads : 1;
    if (!source->init(projectPath, error)) return nullptr;
    return source;
}

D2vSource::~D2vSource() {
    for (Cached& c : ring_)
        av_frame_free(&c.frame);
    for (Queued& q : queue_)
        av_buffer_unref(&q.buffer);
    av_frame_free(&received_);
    av_packet_free(&packet_);
    avcodec_free_context(&codec_);
}

bool D2vSource::init(const std::string& projectPath, std::string& error) {
    return readProject(projectPath, error) && openDecoder(error) && describeStream(error);
}

bool D2vSource::readProject(const std::string& projectPath, std::string& error) {
    ProjectParse parsed = readD2vProject(projectPath);
    if (!parsed.ok) {
        error = parsed.error;
        return false;
    }
    project_ = std::move(parsed.project);
    const FileExistsFn regularFile = [](const std::string& p) {
        std::error_code ec;
        return std::filesystem::is_regular_file(p, ec);
    };
    std::vector<std::string> paths;
    for (const std::string& listed : project_.files) {
        std::string found = resolveListedPath(listed, projectPath, regularFile);
        if (found.empty()) {
            error = "cannot find " + listed;
            return false;
        }
        paths.push_back(found);
    }
    if (!files_.open(paths, error)) return false;
    frames_ = buildOutputFrames(project_);
    if (frames_.empty() || frames_.size() > static_cast<std::size_t>(INT_MAX)) {
        error = "the project gives no usable number of frames";
        return false;
    }
    for (const D2vLine& line : project_.lines)
        maxLineFrames_ = std::max(maxLineFrames_, line.frameCount);
    lineUnreachable_.assign(project_.lines.size(), false);
    return true;
}

bool D2vSource::openDecoder(std::string& error) {
    DemuxSettings settings;
    settings.type = project_.streamType;
    if (settings.type == StreamType::transport) {
        settings.packetSize = project_.packetSize ? project_.packetSize : detectPacketSize(files_);
        settings.videoPid = project_.videoPid > 0 ? project_.videoPid : -1;
    }
    reader_ = std::make_unique<UnitReader>(files_, settings);

    const AVCodec* codec =
        avcodec_find_decoder(project_.mpegType == 1 ? AV_CODEC_ID_MPEG1VIDEO : AV_CODEC_ID_MPEG2VIDEO);
    codec_ = codec ? avcodec_alloc_context3(codec) : nullptr;
    packet_ = av_packet_alloc();
    received_ = av_frame_alloc();
    bool allocated = codec_ && packet_ && received_;
    for (Cached& c : ring_)
        allocated = allocated && (c.frame = av_frame_alloc()) != nullptr;
    if (!allocated) {
        error = "out of memory";
        return false;
    }
    // libavcodec's MPEG-1/2 decoder threads by slices only: no picture is held back, seeking stays as it was.
    codec_->thread_count = threads_;
    codec_->thread_type = FF_THREAD_SLICE;
    if (avcodec_open2(codec_, codec, nullptr) < 0) {
        error = "the MPEG video decoder cannot be opened";
        return false;
    }
    return true;
}

// The first frame decides size and colour format.
bool D2vSource::describeStream(std::string& error) {
    const std::uint32_t top = decodableStandIn(project_, frames_[0].top);
    const std::uint32_t bottom = decodableStandIn(project_, frames_[0].bottom);
    if (!ensure(top, bottom)) {
        error = "no picture of the project can be decoded";
        return false;
    }
    const AVFrame* first = cached(top)->frame;
    pixelFormat_ = first->format;
    width_ = first->width & ~1;
    height_ = first->height;
    std::size_t bytes = 0;
    if (isFormat(pixelFormat_, AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUVJ420P)) {
        height_ &= ~1;
        info_.pixelType = kPixelTypeYV12;
        bytes = static_cast<std::size_t>(width_) * height_ * 3 / 2;
    } else if (isFormat(pixelFormat_, AV_PIX_FMT_YUV422P, AV_PIX_FMT_YUVJ422P) ||
               isFormat(pixelFormat_, AV_PIX_FMT_YUV444P, AV_PIX_FMT_YUVJ444P)) {
        info_.pixelType = kPixelTypeYUY2;
        bytes = static_cast<std::size_t>(width_) * height_ * 2;
    } else {
        error = "unsupported colour format";
        return false;
    }
    if (width_ <= 0 || height_ <= 0) {
        error = "the stream gives no picture size";
        return false;
    }
    info_.width = width_;
    info_.height = height_;
    info_.frameCount = static_cast<std::int32_t>(frames_.size());
    if (project_.rateNum > 0 && project_.rateDen > 0) {
        info_.rateNumerator = project_.rateNum;
        info_.rateDenominator = project_.rateDen;
    } else if (frameRateOf(firstSequence_.frameRateCode, firstSequence_.rateExtN, firstSequence_.rateExtD,
                           firstSequence_.mpeg2, info_.rateNumerator, info_.rateDenominator) &&
               project_.fieldOperation == 1) {
        info_.rateNumerator *= 4; // force film keeps four frames of five
        info_.rateDenominator *= 5;
    }
    output_.assign(bytes, 0);
    compose(first, cached(bottom)->frame);
    outputFrame_ = 0;
    protectA_ = protectB_ = -1;
    return true;
}

const std::uint8_t* D2vSource::frame(int n) {
    n = std::clamp(n, 0, static_cast<int>(frames_.size()) - 1);
    if (n == outputFrame_) return output_.data();
    const OutputFrame& wanted = frames_[static_cast<std::size_t>(n)];
    const std::uint32_t a = decodableStandIn(project_, wanted.top);
    const std::uint32_t b = decodableStandIn(project_, wanted.bottom);
    if (ensure(a, b)) {
        compose(cached(a)->frame, cached(b)->frame);
    } else {
        // Not decodable: show the nearest frame that is, the I picture of its line if need be.
        ++stats_.fallbacks;
        const Cached* near = nearest(a);
        const std::uint32_t line = static_cast<std::uint32_t>(lineOfFrame(project_, a));
        if (!near || std::llabs(near->tag - static_cast<std::int64_t>(a)) > maxLineFrames_) {
            const std::uint32_t intra = intraOfLine(line);
            if (intra != a && ensure(intra, intra)) near = cached(intra);
        }
        if (near) compose(near->frame, near->frame);
    }
    outputFrame_ = n;
    protectA_ = protectB_ = -1;
    return output_.data();
}

std::uint32_t D2vSource::intraOfLine(std::uint32_t line) const {
    const D2vLine& l = project_.lines[line];
    for (std::uint32_t i = l.firstFrame; i < l.firstFrame + l.frameCount; ++i)
        if ((project_.flags[i] & kFlagTypeMask) == kTypeI) return i;
    for (std::uint32_t i = l.firstFrame; i < l.firstFrame + l.frameCount; ++i)
        if (project_.flags[i] & kFlagDecodable) return i;
    return l.firstFrame;
}

std::int64_t D2vSource::firstOfLine(std::uint32_t line) const {
    return project_.lines[line].firstFrame;
}

const D2vSource::Cached* D2vSource::cached(std::uint32_t tag) const {
    for (const Cached& c : ring_)
        if (c.tag == static_cast<std::int64_t>(tag)) return &c;
    return nullptr;
}

const D2vSource::Cached* D2vSource::nearest(std::uint32_t tag) const {
    const Cached* best = nullptr;
    for (const Cached& c : ring_) {
        if (c.tag < 0) continue;
        if (!best || std::llabs(c.tag - static_cast<std::int64_t>(tag)) <
                         std::llabs(best->tag - static_cast<std::int64_t>(tag)))
            best = &c;
    }
    return best;
}

bool D2vSource::canContinue(std::uint32_t lo, std::uint32_t hi) const {
    if (!active_ || drained_ || lastOutput_ < 0) return false;
    if (static_cast<std::int64_t>(lo) <= lastOutput_ || static_cast<std::int64_t>(lo) < wantFrom_)
        return false;
    return lineOfFrame(project_, hi) <= lineOfFrame(project_, static_cast<std::uint32_t>(lastOutput_)) + 1;
}

bool D2vSource::ensure(std::uint32_t a, std::uint32_t b) {
    protectA_ = a;
    protectB_ = b;
    auto have = [&] { return cached(a) && cached(b); };
    if (have()) {
        ring_[static_cast<std::size_t>(cached(a) - ring_.data())].lastUse = ++clock_;
        ring_[static_cast<std::size_t>(cached(b) - ring_.data())].lastUse = ++clock_;
        return true;
    }
    std::uint32_t lo = std::min(a, b), hi = std::max(a, b);
    if (cached(a)) lo = hi = b;
    if (cached(b)) lo = hi = a;
    if (static_cast<std::int64_t>(lo) >= endOfDecodable_) return false;

    // A frame marked as needing the previous line (an open GOP's leading B pictures) starts there.
    const std::size_t loLine = lineOfFrame(project_, lo);
    std::size_t baseLine = loLine;
    const bool hiSameLine = lineOfFrame(project_, hi) == loLine;
    if (baseLine > 0 &&
        (!(project_.flags[lo] & kFlagDecodable) || (hiSameLine && !(project_.flags[hi] & kFlagDecodable))))
        --baseLine;

    int restarts = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::int64_t from = 0; // first frame of the line decoding goes through
        if (attempt == 0 && canContinue(lo, hi)) {
            from = firstOfLine(
                static_cast<std::uint32_t>(lineOfFrame(project_, static_cast<std::uint32_t>(lastOutput_))));
        } else {
            if (restarts > 1 || static_cast<std::size_t>(restarts) > baseLine) break;
            const std::size_t line = baseLine - static_cast<std::size_t>(restarts++);
            if (!restart(line)) continue;
            from = firstOfLine(static_cast<std::uint32_t>(line));
        }
        wantFrom_ = lo;
        // Every unit between the line start and the frame, plus room for a line whose pictures the stream
        // lacks: the loop ends even when the stream and the project disagree.
        std::int64_t budget =
            static_cast<std::int64_t>(hi) - from + 2 * static_cast<std::int64_t>(maxLineFrames_) + 64;
        while (!have() && lastOutput_ < static_cast<std::int64_t>(hi) && !drained_ && budget-- > 0)
            feedOne();
        if (have()) return true;
        // The whole rest of the stream went through the decoder without reaching lo: nothing from lo on
        // will ever come out (a truncated file, a project listing more than the stream holds).
        if (drained_ && lastOutput_ < static_cast<std::int64_t>(lo) && from <= static_cast<std::int64_t>(lo))
            endOfDecodable_ = std::min<std::int64_t>(endOfDecodable_, lo);
    }
    return false;
}

bool D2vSource::restart(std::size_t line) {
    ++stats_.seeks;
    if (active_) avcodec_flush_buffers(codec_);
    active_ = drained_ = streamEnd_ = false;
    queueHead_ = queueCount_ = 0;
    pendingAnchor_ = -1;
    lastOutput_ = -1;
    const D2vLine& l = project_.lines[line];
    if (lineUnreachable_[line]) return false;
    AccessUnit unit;
    if (l.position >= files_.fileSize(l.file) ||
        !reader_->seekLine(files_.virtualPosition(l.file, l.position), l.skip, unit)) {
        lineUnreachable_[line] = true; // the stream does not change: no need to search again
        return false;
    }
    feedLine_ = static_cast<std::uint32_t>(line);
    feedCpos_ = 0;
    active_ = true;
    return enqueue(unit);
}

void D2vSource::resolveAnchor() {
    if (pendingAnchor_ < 0) return;
    Queued& q = queue_[static_cast<std::size_t>(pendingAnchor_)];
    q.tag = firstOfLine(q.line) + q.cpos + q.bRun;
    if (q.tag >= static_cast<std::int64_t>(project_.flags.size())) q.tag = -1;
    q.resolved = true;
    pendingAnchor_ = -1;
}

bool D2vSource::enqueue(const AccessUnit& unit) {
    const int slot = (queueHead_ + queueCount_) % kQueueSize;
    Queued& q = queue_[static_cast<std::size_t>(slot)];
    const std::size_t need = unit.size + AV_INPUT_BUFFER_PADDING_SIZE;
    if (!q.buffer || static_cast<std::size_t>(q.buffer->size) < need || !av_buffer_is_writable(q.buffer)) {
        av_buffer_unref(&q.buffer);
        q.buffer = av_buffer_alloc(need + need / 4);
        if (!q.buffer) return false;
    }
    std::memcpy(q.buffer->data, unit.data, unit.size);
    std::memset(q.buffer->data + unit.size, 0, AV_INPUT_BUFFER_PADDING_SIZE);
    q.size = unit.size;
    q.type = unit.type;
    q.quantMatrix = unit.quantMatrix;
    q.bRun = 0;
    q.resolved = false;
    q.tag = -1;
    if (!firstSequence_.valid) firstSequence_ = unit.sequence;

    const bool beyond = feedLine_ >= project_.lines.size();
    q.line = feedLine_;
    q.cpos = feedCpos_;
    if (!beyond && ++feedCpos_ >= project_.lines[feedLine_].frameCount) {
        ++feedLine_;
        feedCpos_ = 0;
    }
    const bool isB = q.type == kPictureB;
    if (pendingAnchor_ >= 0 && (!isB || queue_[static_cast<std::size_t>(pendingAnchor_)].line != q.line))
        resolveAnchor();
    if (beyond) { // the stream holds more than the project lists: decoded as a reference, shown nowhere
        q.resolved = true;
    } else if (isB) {
        // A B picture is shown before the I/P picture that precedes it in coding order.
        q.tag = std::max<std::int64_t>(firstOfLine(q.line) + q.cpos - 1, 0);
        q.resolved = true;
        if (pendingAnchor_ >= 0) ++queue_[static_cast<std::size_t>(pendingAnchor_)].bRun;
    } else {
        // An I/P picture is shown after the B pictures that follow it in coding order.
        pendingAnchor_ = slot;
    }
    ++queueCount_;
    return true;
}

bool D2vSource::pullUnit() {
    if (streamEnd_) return false;
    AccessUnit unit;
    if (!reader_->next(unit)) {
        streamEnd_ = true;
        return false;
    }
    return enqueue(unit);
}

bool D2vSource::feedOne() {
    while (queueCount_ == 0 || !queue_[static_cast<std::size_t>(queueHead_)].resolved) {
        if (queueCount_ == kQueueSize || !pullUnit()) {
            resolveAnchor();
            break;
        }
    }
    if (queueCount_ == 0) {
        drain();
        return false;
    }
    Queued& q = queue_[static_cast<std::size_t>(queueHead_)];
    queueHead_ = (queueHead_ + 1) % kQueueSize;
    --queueCount_;
    if (q.type == kPictureB && !q.quantMatrix && q.tag >= 0 && q.tag < wantFrom_) {
        ++stats_.unitsSkipped; // not a reference, and shown before the frames wanted
        return true;
    }
    packet_->buf = av_buffer_ref(q.buffer);
    if (!packet_->buf) return true;
    packet_->data = q.buffer->data;
    packet_->size = static_cast<int>(q.size);
    packet_->pts = q.tag >= 0 ? q.tag : AV_NOPTS_VALUE;
    int result = avcodec_send_packet(codec_, packet_);
    if (result == AVERROR(EAGAIN)) {
        receiveAll();
        avcodec_send_packet(codec_, packet_);
    }
    av_packet_unref(packet_);
    ++stats_.unitsDecoded;
    receiveAll();
    return true;
}

void D2vSource::receiveAll() {
    while (avcodec_receive_frame(codec_, received_) >= 0)
        store(received_);
}

void D2vSource::drain() {
    if (!active_ || drained_) return;
    avcodec_send_packet(codec_, nullptr);
    receiveAll();
    drained_ = true;
}

void D2vSource::store(AVFrame* frame) {
    const std::int64_t tag = frame->pts;
    if (tag == AV_NOPTS_VALUE || tag < 0 || tag >= static_cast<std::int64_t>(project_.flags.size())) {
        av_frame_unref(frame);
        return;
    }
    lastOutput_ = std::max(lastOutput_, tag);
    Cached* slot = nullptr;
    for (Cached& c : ring_)
        if (c.tag == tag) slot = &c;
    for (Cached& c : ring_)
        if (!slot && c.tag < 0) slot = &c;
    if (!slot) { // the least recently used frame that the current request does not need
        for (Cached& c : ring_) {
            if (c.tag == protectA_ || c.tag == protectB_) continue;
            if (!slot || c.lastUse < slot->lastUse) slot = &c;
        }
    }
    if (!slot) { // cannot happen with more slots than protected tags; keep the frame out of harm's way
        av_frame_unref(frame);
        return;
    }
    av_frame_unref(slot->frame);
    av_frame_move_ref(slot->frame, frame);
    slot->tag = tag;
    slot->lastUse = ++clock_;
}

void D2vSource::fillBlack() {
    if (info_.pixelType == kPixelTypeYV12) {
        const std::size_t luma = static_cast<std::size_t>(width_) * height_;
        std::memset(output_.data(), 16, luma);
        std::memset(output_.data() + luma, 128, output_.size() - luma);
    } else {
        for (std::size_t i = 0; i + 1 < output_.size(); i += 2) {
            output_[i] = 16;
            output_[i + 1] = 128;
        }
    }
}

void D2vSource::compose(const AVFrame* top, const AVFrame* bottom) {
    auto usable = [&](const AVFrame* f) { return f && f->format == pixelFormat_ && f->data[0]; };
    if (!usable(top)) top = usable(bottom) ? bottom : nullptr;
    if (!usable(bottom)) bottom = top;
    if (!top) {
        fillBlack();
        return;
    }
    const int w = width_, h = height_;
    if (info_.pixelType == kPixelTypeYV12) {
        std::uint8_t* y = output_.data();
        std::uint8_t* v = y + static_cast<std::size_t>(w) * h;
        std::uint8_t* u = v + static_cast<std::size_t>(w / 2) * (h / 2);
        // Even lines (and even chroma lines) belong to the top field.
        for (int r = 0; r < h; ++r)
            copyRow(y + static_cast<std::size_t>(r) * w, (r & 1) ? bottom : top, 0, r, w, false, false, 16);
        for (int r = 0; r < h / 2; ++r) {
            const AVFrame* s = (r & 1) ? bottom : top;
            copyRow(v + static_cast<std::size_t>(r) * (w / 2), s, 2, r, w / 2, true, true, 128);
            copyRow(u + static_cast<std::size_t>(r) * (w / 2), s, 1, r, w / 2, true, true, 128);
        }
        return;
    }
    const bool fullChroma = isFormat(pixelFormat_, AV_PIX_FMT_YUV444P, AV_PIX_FMT_YUVJ444P);
    for (int r = 0; r < h; ++r) {
        const AVFrame* s = (r & 1) ? bottom : top;
        std::uint8_t* out = output_.data() + static_cast<std::size_t>(r) * w * 2;
        const int pairs = r < s->height ? std::min(w, s->width & ~1) / 2 : 0;
        const std::uint8_t* ys = s->data[0] + static_cast<std::ptrdiff_t>(r) * s->linesize[0];
        const std::uint8_t* us = s->data[1] + static_cast<std::ptrdiff_t>(r) * s->linesize[1];
        const std::uint8_t* vs = s->data[2] + static_cast<std::ptrdiff_t>(r) * s->linesize[2];
        const int step = fullChroma ? 2 : 1;
        for (int x = 0; x < pairs; ++x) {
            out[4 * x] = ys[2 * x];
            out[4 * x + 1] = us[step * x];
            out[4 * x + 2] = ys[2 * x + 1];
            out[4 * x + 3] = vs[step * x];
        }
        for (int x = pairs; x < w / 2; ++x) {
            out[4 * x] = out[4 * x + 2] = 16;
            out[4 * x + 1] = out[4 * x + 3] = 128;
        }
    }
}

} // namespace mivo::mpeg2
