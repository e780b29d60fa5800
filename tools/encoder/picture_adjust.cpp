#include "picture_adjust.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace mivo::encoder {

namespace {

constexpr std::uint8_t kBlackLuma = 16;
constexpr std::uint8_t kNeutralChroma = 128;

void fillLines(const Plane& p, int first, int count, std::uint8_t value) {
    first = std::clamp(first, 0, p.height);
    count = std::clamp(count, 0, p.height - first);
    for (int y = first; y < first + count; ++y)
        std::memset(p.data + static_cast<std::ptrdiff_t>(y) * p.pitch, value,
                    static_cast<std::size_t>(p.width));
}

void shiftPlane(const Plane& p, int lines, std::uint8_t fill) {
    if (lines == 0) return;
    const int n = std::min(std::abs(lines), p.height);
    const int kept = p.height - n;
    const auto row = [&](int y) { return p.data + static_cast<std::ptrdiff_t>(y) * p.pitch; };
    if (lines > 0) {
        for (int y = 0; y < kept; ++y)
            std::memcpy(row(y), row(y + n), static_cast<std::size_t>(p.width));
        fillLines(p, kept, n, fill);
    } else {
        for (int y = p.height - 1; y >= n; --y)
            std::memcpy(row(y), row(y - n), static_cast<std::size_t>(p.width));
        fillLines(p, 0, n, fill);
    }
}

void adjustPlane(const Plane& p, int divisor, int top, int bottom, int shift, std::uint8_t fill) {
    shiftPlane(p, shift / divisor, fill);
    fillLines(p, 0, top / divisor, fill);
    fillLines(p, p.height - bottom / divisor, bottom / divisor, fill);
}

} // namespace

void maskAndShift(const Plane& luma, const Plane& cb, const Plane& cr, int chromaDivisor, int top, int bottom,
                  int shift) {
    if (top == 0 && bottom == 0 && shift == 0) return;
    adjustPlane(luma, 1, top, bottom, shift, kBlackLuma);
    adjustPlane(cb, chromaDivisor, top, bottom, shift, kNeutralChroma);
    adjustPlane(cr, chromaDivisor, top, bottom, shift, kNeutralChroma);
}

void chroma420To422(const std::uint8_t* src, int width, int srcLines, std::uint8_t* dst, bool interlaced) {
    const auto w = static_cast<std::size_t>(width);
    for (int line = 0; line < 2 * srcLines; ++line) {
        int from = line / 2;
        if (interlaced) {
            // Output line `line` is line line/2 of field line%2; that field's 4:2:0 lines are every
            // other source line.
            const int field = line % 2, inField = line / 2;
            from = std::min(2 * (inField / 2) + field, srcLines - 1);
        }
        std::memcpy(dst + static_cast<std::size_t>(line) * w, src + static_cast<std::size_t>(from) * w, w);
    }
}

} // namespace mivo::encoder
