#include "core/picture/frame_fit.h"

#include "core/source/movie_info.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace mivo {

namespace {

// The covered extent of a side that shows `fraction` of the frame: whole groups of 4, never none, and
// starting at the multiple of `step` at or before the middle.
void fitSide(int frameSize, double fraction, int step, int& offset, int& size) {
    size = std::clamp(static_cast<int>(std::lround(frameSize * fraction / 4.0)) * 4, 4, frameSize);
    offset = (frameSize - size) / 2 / step * step;
}

bool readNumber(std::string_view text, double& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value > 0 && std::isfinite(value);
}

} // namespace

double frameDisplayAspect(int aspectCode, int width, int height) {
    switch (aspectCode) {
    case 2:
    case 5:
        return 4.0 / 3.0;
    case 3:
        return 16.0 / 9.0;
    case 4:
        return 2.21;
    default:
        return height > 0 ? static_cast<double>(width) / height : 0.0;
    }
}

PictureArea fitPicture(int frameWidth, int frameHeight, double frameAspect, double sourceAspect) {
    PictureArea area{0, 0, frameWidth, frameHeight};
    if (!(sourceAspect > 0) || !(frameAspect > 0) || !std::isfinite(sourceAspect)) return area;
    if (sourceAspect > frameAspect)
        fitSide(frameHeight, frameAspect / sourceAspect, 4, area.y, area.height); // letterbox
    else
        fitSide(frameWidth, sourceAspect / frameAspect, 2, area.x, area.width); // pillarbox
    return area;
}

std::string outputSizeProblem(int width, int height) {
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    if (width < kSmallestOutputSize || height < kSmallestOutputSize || width > kLargestOutputWidth ||
        height > kLargestOutputHeight)
        return "frame size " + size + " is outside " + std::to_string(kSmallestOutputSize) + " x " +
               std::to_string(kSmallestOutputSize) + " to " + std::to_string(kLargestOutputWidth) + " x " +
               std::to_string(kLargestOutputHeight);
    if (width % 2 != 0 || height % 2 != 0)
        return "frame size " + size + " is not even: 4:2:0 pictures need an even width and height";
    return {};
}

DvdFrame dvdFrameFor(float frameRate, double sourceAspect) {
    const bool sixtyHz = isFilmRate(frameRate) || isNtscRate(frameRate);
    // Nearer on a ratio scale: a picture 10 % wider than 4:3 is as far from it as one 10 % narrower.
    const bool wide = !(sourceAspect > 0) || std::fabs(std::log(sourceAspect * 9.0 / 16.0)) <=
                                                 std::fabs(std::log(sourceAspect * 3.0 / 4.0));
    return {720, sixtyHz ? 480 : 576, wide ? 3 : 2};
}

bool dvdAllowsFrameSize(int width, int height, float frameRate) {
    const int lines = isFilmRate(frameRate) || isNtscRate(frameRate) ? 480 : 576;
    if (width == 720 || width == 704) return height == lines;
    return width == 352 && (height == lines || height == lines / 2);
}

double projectDisplayAspect(const std::string& text, int width, int height) {
    const std::string_view t(text);
    const std::size_t colon = t.find(':');
    double a = 0, b = 0;
    if (colon == std::string_view::npos || !readNumber(t.substr(0, colon), a) ||
        !readNumber(t.substr(colon + 1), b))
        return 0.0;
    if (a == b) return height > 0 ? static_cast<double>(width) / height : 0.0; // square pixels
    return a / b;
}

} // namespace mivo
