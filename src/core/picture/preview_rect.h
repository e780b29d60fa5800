#pragma once
// Where the picture goes in the preview box: a rectangle per aspect ratio, laid out on a page design of
// 618 x 296 units around the centre (385, 140) and scaled to the page's client size.

#include <optional>

namespace mivo::picture {

inline constexpr int kPageDesignWidth = 618;
inline constexpr int kPageDesignHeight = 296;

struct PreviewRect {
    int left;
    int top;
    int width;
    int height;
    bool operator==(const PreviewRect&) const = default;
};

// The rectangle for aspect code 1 (1:1), 2 (4:3), 3 (16:9), 4 (2.21:1) or 5 (4:3 PanScan, drawn as 16:9)
// on a client area of the given size; std::nullopt for any other code, which draws nothing.
std::optional<PreviewRect> previewRect(int aspectCode, int clientWidth, int clientHeight);

// The same rectangles laid out in a box of their own that holds the table's whole design area (the
// union of the five rectangles: 434 x 240 units from (168, 20)), with the box's top left corner as origin.
// The pages keep their controls left of the preview box, so the pictures are laid out in that box rather
// than over the whole page.
std::optional<PreviewRect> previewRectInBox(int aspectCode, int boxWidth, int boxHeight);

} // namespace mivo::picture
