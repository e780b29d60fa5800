#include "scaled_frame_source.h"

#include <algorithm>

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

namespace mivo::encoder {

namespace {

// Black in studio range.
constexpr std::uint8_t kBlackLuma = 16;
constexpr std::uint8_t kBlackChroma = 128;

// Where 4:2:0 chroma lies, in 1/256 of a luma sample: beside the first luma column of its pair, and
// between its two lines, which within one field of an interlaced frame is a quarter of the way down for
// the top field and three quarters for the bottom one.
constexpr int kChromaColumn = 0;
constexpr int kChromaLineFrame = 128;
constexpr std::array<int, 2> kChromaLineField = {64, 192};

// Lanczos keeps the detail of a downscale without the ringing a sharper kernel adds; accurate rounding
// keeps flat areas from banding.
constexpr int kScaleFlags = SWS_LANCZOS | SWS_ACCURATE_RND;

SwsContext* makeScaler(int srcW, int srcH, int dstW, int dstH, int chromaLine) {
    SwsContext* c = sws_alloc_context();
    if (!c) return nullptr;
    const std::pair<const char*, int> options[] = {
        {"srcw", srcW},
        {"srch", srcH},
        {"src_format", AV_PIX_FMT_YUV420P},
        {"dstw", dstW},
        {"dsth", dstH},
        {"dst_format", AV_PIX_FMT_YUV420P},
        {"sws_flags", kScaleFlags},
        {"src_h_chr_pos", kChromaColumn},
        {"src_v_chr_pos", chromaLine},
        {"dst_h_chr_pos", kChromaColumn},
        {"dst_v_chr_pos", chromaLine},
    };
    for (const auto& [name, value] : options) {
        if (av_opt_set_int(c, name, value, 0) < 0) {
            sws_freeContext(c);
            return nullptr;
        }
    }
    if (sws_init_context(c, nullptr, nullptr) < 0) {
        sws_freeContext(c);
        return nullptr;
    }
    return c;
}

// The three planes of a frame in the sources' layout (luma, then V, then U, no padding) in libswscale's
// order (Y, U, V), with every line or every second line from `firstLine`.
struct Planes {
    std::array<std::uint8_t*, 3> data{};
    std::array<int, 3> stride{};
};

Planes planesOf(std::uint8_t* frame, int width, int height, int x, int y, int firstLine, int lineStep) {
    const int cw = width / 2;
    std::uint8_t* v = frame + static_cast<std::ptrdiff_t>(width) * height;
    std::uint8_t* u = v + static_cast<std::ptrdiff_t>(cw) * (height / 2);
    const auto at = [&](std::uint8_t* plane, int stride, int px, int py) {
        return plane + static_cast<std::ptrdiff_t>(py + firstLine) * stride + px;
    };
    Planes p;
    p.data = {at(frame, width, x, y), at(u, cw, x / 2, y / 2), at(v, cw, x / 2, y / 2)};
    p.stride = {width * lineStep, cw * lineStep, cw * lineStep};
    return p;
}

} // namespace

std::unique_ptr<ScaledFrameSource> ScaledFrameSource::create(std::unique_ptr<FrameSource> source, int width,
                                                             int height, int aspectCode, std::string& error) {
    const double frameAspect = frameDisplayAspect(aspectCode, width, height);
    const PictureArea area = fitPicture(width, height, frameAspect, source->facts().displayAspect);
    return make(std::move(source), width, height, aspectCode, area, error);
}

std::unique_ptr<ScaledFrameSource> ScaledFrameSource::make(std::unique_ptr<FrameSource> source, int width,
                                                           int height, int aspectCode,
                                                           const PictureArea& area, std::string& error) {
    const std::string why = outputSizeProblem(width, height);
    if (!why.empty()) {
        error = "*FRAMESIZE: " + why;
        return nullptr;
    }
    std::unique_ptr<ScaledFrameSource> scaled(new ScaledFrameSource());
    scaled->facts_ = source->facts();
    scaled->facts_.width = width;
    scaled->facts_.height = height;
    scaled->facts_.displayAspect = frameDisplayAspect(aspectCode, width, height);
    scaled->aspectCode_ = aspectCode;
    scaled->area_ = area;
    scaled->source_ = std::move(source);
    if (!scaled->prepare(error)) return nullptr;
    return scaled;
}

bool ScaledFrameSource::prepare(std::string& error) {
    const StreamFacts& in = source_->facts();
    frameScaler_ = makeScaler(in.width, in.height, area_.width, area_.height, kChromaLineFrame);
    if (in.height % 4 == 0)
        for (std::size_t f = 0; f < fieldScalers_.size(); ++f)
            fieldScalers_[f] =
                makeScaler(in.width, in.height / 2, area_.width, area_.height / 2, kChromaLineField[f]);
    if (!frameScaler_) {
        error = "cannot scale " + std::to_string(in.width) + " x " + std::to_string(in.height) +
                " pictures to " + std::to_string(area_.width) + " x " + std::to_string(area_.height);
        return false;
    }
    const std::size_t luma = lumaBytes();
    picture_.assign(luma + luma / 2, kBlackChroma);
    std::fill_n(picture_.begin(), luma, kBlackLuma);
    return true;
}

ScaledFrameSource::~ScaledFrameSource() {
    sws_freeContext(frameScaler_);
    for (SwsContext* c : fieldScalers_)
        sws_freeContext(c);
}

bool ScaledFrameSource::scaleFields(bool on) {
    fields_ = on && fieldScalers_[0] && fieldScalers_[1];
    return fields_ == on;
}

const std::uint8_t* ScaledFrameSource::frame(int n) const {
    const std::uint8_t* in = source_->frame(n);
    if (!in) return nullptr;
    const StreamFacts& src = source_->facts();
    // libswscale reads through non-const plane pointers but never writes the source.
    auto* from = const_cast<std::uint8_t*>(in);
    std::uint8_t* to = picture_.data();
    if (!fields_) {
        const Planes s = planesOf(from, src.width, src.height, 0, 0, 0, 1);
        const Planes d = planesOf(to, facts_.width, facts_.height, area_.x, area_.y, 0, 1);
        const int lines = sws_scale(frameScaler_, s.data.data(), s.stride.data(), 0, src.height,
                                    d.data.data(), d.stride.data());
        return lines < 0 ? nullptr : to;
    }
    for (int f = 0; f < 2; ++f) {
        const Planes s = planesOf(from, src.width, src.height, 0, 0, f, 2);
        const Planes d = planesOf(to, facts_.width, facts_.height, area_.x, area_.y, f, 2);
        if (sws_scale(fieldScalers_[static_cast<std::size_t>(f)], s.data.data(), s.stride.data(), 0,
                      src.height / 2, d.data.data(), d.stride.data()) < 0)
            return nullptr;
    }
    return to;
}

std::unique_ptr<FrameSource> ScaledFrameSource::twin(std::string& error) const {
    std::unique_ptr<FrameSource> other = source_->twin(error);
    if (!other) return nullptr;
    // The same area as this one, whatever the second reader says of the picture's shape.
    std::unique_ptr<ScaledFrameSource> scaled =
        make(std::move(other), facts_.width, facts_.height, aspectCode_, area_, error);
    if (scaled) scaled->scaleFields(fields_);
    return scaled;
}

int ScaledFrameSource::progressiveFrames(int first, int last) const {
    return source_->progressiveFrames(first, last);
}

} // namespace mivo::encoder
