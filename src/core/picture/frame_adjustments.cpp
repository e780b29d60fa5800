#include "core/picture/frame_adjustments.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace mivo::picture {

namespace {

constexpr std::uint8_t kBlackLuma = 16;
constexpr std::uint8_t kNeutralChroma = 128;

// One plane of `lines` lines of `pitch` bytes.
struct Plane {
    std::uint8_t* data;
    std::size_t pitch;
    std::size_t lines;
    std::size_t bytes() const { return pitch * lines; }
};

// Fills bytes [from, from + count) of the plane, cut to the plane's end.
void fill(const Plane& p, std::size_t from, std::size_t count, std::uint8_t value) {
    if (from >= p.bytes()) return;
    std::memset(p.data + from, value, std::min(count, p.bytes() - from));
}

// Moves the plane `lines` lines up or down and fills `freed` bytes at the end it left (the bottom when
// moving up) with `value`.
void moveLines(const Plane& p, bool up, std::size_t lines, std::size_t freed, std::uint8_t value) {
    const std::size_t by = std::min(lines, p.lines);
    const std::size_t kept = (p.lines - by) * p.pitch;
    freed = std::min(freed, p.bytes());
    if (up) {
        std::memmove(p.data, p.data + by * p.pitch, kept);
        fill(p, p.bytes() - freed, freed, value);
    } else {
        std::memmove(p.data + by * p.pitch, p.data, kept);
        fill(p, 0, freed, value);
    }
}

void shiftVertically(const Plane& luma, const Plane (&chroma)[2], int shift) {
    if (shift == 0) return;
    const bool up = shift > 0;
    const std::size_t lines =
        std::min(static_cast<std::size_t>(up ? shift : -static_cast<long long>(shift)), luma.lines);
    moveLines(luma, up, lines, lines * luma.pitch, kBlackLuma);
    // Chroma moves by half the lines, rounded down, and the part filled is a quarter of the luma's.
    for (const Plane& c : chroma)
        moveLines(c, up, lines / 2, lines * luma.pitch / 4, kNeutralChroma);
}

void mask(const Plane& luma, const Plane (&chroma)[2], int top, int bottom) {
    if (top > 0) {
        const auto t = static_cast<std::size_t>(top);
        fill(luma, 0, t * luma.pitch, kBlackLuma);
        for (const Plane& c : chroma)
            fill(c, 0, t * c.pitch / 2, kNeutralChroma);
    }
    if (bottom > 0) {
        // A mask taller than the frame starts at its top. An odd mask covers half a chroma line more than
        // its start line leaves room for; the fill ends at the plane's end instead of running past it.
        const auto b = static_cast<std::size_t>(bottom);
        fill(luma, (luma.lines - std::min(b, luma.lines)) * luma.pitch, b * luma.pitch, kBlackLuma);
        for (const Plane& c : chroma)
            fill(c, (c.lines - std::min(b / 2, c.lines)) * c.pitch, c.pitch * b / 2, kNeutralChroma);
    }
}

// Darkens the luma outside the 4:3 window of a DVD-width frame and draws the window's side edges black.
void dimOutsideWindow(const Plane& luma, int offset) {
    const int margin = luma.pitch == 720 ? 90 : 88;
    const int whole = offset / 16; // whole pixels, truncated toward zero
    const auto left = static_cast<std::size_t>(std::clamp(margin + whole, 0, 2 * margin));
    const auto right = static_cast<std::size_t>(std::clamp(margin - whole, 0, 2 * margin));
    const auto dim = [](std::uint8_t* p, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i)
            p[i] = static_cast<std::uint8_t>(p[i] >= 128 ? p[i] - 128 : 0);
    };
    for (std::size_t y = 0; y < luma.lines; ++y) {
        std::uint8_t* line = luma.data + y * luma.pitch;
        dim(line, left);
        dim(line + luma.pitch - right, right);
        // A side pushed to the frame's edge has no dimmed column left to draw its edge on.
        if (left > 0) line[left - 1] = 0;
        if (right > 0) line[luma.pitch - right] = 0;
    }
}

} // namespace

void applyFrameAdjustments(const FramePlanesView& planes, const FrameAdjustments& adjustments) {
    if (planes.width <= 0 || planes.height <= 0) return;
    const auto w = static_cast<std::size_t>(planes.width);
    const auto h = static_cast<std::size_t>(planes.height);
    if (static_cast<std::size_t>(std::max(planes.lumaBytes, 0)) < w * h ||
        static_cast<std::size_t>(std::max(planes.chromaPlaneBytes, 0)) < (w / 2) * (h / 2))
        return;
    const Plane luma{planes.luma, w, h};
    const Plane chroma[2] = {{planes.plane2, w / 2, h / 2}, {planes.plane3, w / 2, h / 2}};
    shiftVertically(luma, chroma, adjustments.shift);
    mask(luma, chroma, adjustments.maskTop, adjustments.maskBottom);
    if (adjustments.panScan && (w == 720 || w == 704)) dimOutsideWindow(luma, adjustments.panScanOffset);
}

} // namespace mivo::picture
