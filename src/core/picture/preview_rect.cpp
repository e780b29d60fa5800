#include "core/picture/preview_rect.h"

#include <array>
#include <cmath>

namespace mivo::picture {

namespace {

struct Span {
    int left, top, right, bottom;
};

// Design units, codes 1 to 5.
constexpr std::array<Span, 5> kSpans = {{
    {265, 20, 505, 260}, // 1:1, 240 x 240
    {225, 20, 545, 260}, // 4:3, 320 x 240
    {172, 20, 598, 260}, // 16:9, 426 x 240
    {168, 40, 602, 240}, // 2.21:1, 434 x 200
    {172, 20, 598, 260}, // 4:3 PanScan shows the whole 16:9 frame
}};

int scaled(int design, int client, int designSize) {
    return static_cast<int>(std::lround(static_cast<double>(design) * client / designSize));
}

} // namespace

std::optional<PreviewRect> previewRect(int aspectCode, int clientWidth, int clientHeight) {
    if (aspectCode < 1 || aspectCode > static_cast<int>(kSpans.size())) return std::nullopt;
    const Span& s = kSpans[static_cast<std::size_t>(aspectCode - 1)];
    // Edges are scaled, not sizes, so neighbouring rectangles keep their shared centre.
    const int left = scaled(s.left, clientWidth, kPageDesignWidth);
    const int top = scaled(s.top, clientHeight, kPageDesignHeight);
    return PreviewRect{left, top, scaled(s.right, clientWidth, kPageDesignWidth) - left,
                       scaled(s.bottom, clientHeight, kPageDesignHeight) - top};
}

std::optional<PreviewRect> previewRectInBox(int aspectCode, int boxWidth, int boxHeight) {
    constexpr int kAreaLeft = 168, kAreaTop = 20, kAreaRight = 602, kAreaBottom = 260;
    // The page the box would stand in, had the design area been laid out on it.
    const int pageWidth = static_cast<int>(
        std::lround(static_cast<double>(boxWidth) * kPageDesignWidth / (kAreaRight - kAreaLeft)));
    const int pageHeight = static_cast<int>(
        std::lround(static_cast<double>(boxHeight) * kPageDesignHeight / (kAreaBottom - kAreaTop)));
    std::optional<PreviewRect> r = previewRect(aspectCode, pageWidth, pageHeight);
    if (!r) return r;
    r->left -= scaled(kAreaLeft, pageWidth, kPageDesignWidth);
    r->top -= scaled(kAreaTop, pageHeight, kPageDesignHeight);
    return r;
}

} // namespace mivo::picture
