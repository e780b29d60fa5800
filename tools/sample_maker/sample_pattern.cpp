#include "sample_pattern.h"

#include <algorithm>
#include <cmath>

namespace mivo::sample {

namespace {

struct Colour {
    std::uint8_t y, cb, cr;
};

// BT.601 studio-range 75 % colour bars: white, yellow, cyan, green, magenta, red, blue.
constexpr Colour kBars[] = {{180, 128, 128}, {162, 44, 142}, {131, 156, 44}, {112, 72, 58},
                            {84, 184, 198},  {65, 100, 212}, {35, 212, 114}};
constexpr Colour kBlack{16, 128, 128};
constexpr Colour kWhite{235, 128, 128};

void fillRect(const Planes& p, int x0, int y0, int x1, int y1, Colour c) {
    x0 = std::max(x0, 0) & ~1, y0 = std::max(y0, 0) & ~1;
    x1 = std::min(x1, kWidth) & ~1, y1 = std::min(y1, kHeight) & ~1;
    for (int y = y0; y < y1; ++y)
        std::fill(p.y + y * p.yStride + x0, p.y + y * p.yStride + x1, c.y);
    for (int y = y0 / 2; y < y1 / 2; ++y) {
        std::fill(p.cb + y * p.cStride + x0 / 2, p.cb + y * p.cStride + x1 / 2, c.cb);
        std::fill(p.cr + y * p.cStride + x0 / 2, p.cr + y * p.cStride + x1 / 2, c.cr);
    }
}

// Colour bars over a grey ramp with a white block running along it.
void drawBars(int frame, const Planes& p) {
    const int barsBottom = kHeight * 2 / 3 & ~1;
    for (int i = 0; i < 7; ++i)
        fillRect(p, i * kWidth / 7, 0, (i + 1) * kWidth / 7, barsBottom, kBars[i]);
    for (int x = 0; x < kWidth; x += 2) {
        const auto level = static_cast<std::uint8_t>(16 + 219 * x / (kWidth - 2));
        fillRect(p, x, barsBottom, x + 2, kHeight, {level, 128, 128});
    }
    const int blockX = frame * (kWidth - 64) / (kSceneFrames - 1);
    fillRect(p, blockX, barsBottom + 48, blockX + 64, barsBottom + 144, kWhite);
}

// Rings around a centre that drifts to the right, in two colours.
void drawRings(int frame, const Planes& p) {
    const double cx = kWidth / 2.0 - 100 + 5.0 * frame, cy = kHeight / 2.0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const double r = std::hypot(x - cx, y - cy);
            p.y[y * p.yStride + x] = static_cast<std::uint8_t>(126 + 90 * std::cos(r / 9.0));
        }
    for (int y = 0; y < kHeight / 2; ++y)
        for (int x = 0; x < kWidth / 2; ++x) {
            const bool inner = std::hypot(2 * x - cx, 2 * y - cy) < 160;
            p.cb[y * p.cStride + x] = inner ? 90 : 160;
            p.cr[y * p.cStride + x] = inner ? 170 : 110;
        }
}

// An orange disc circling on dark blue.
void drawDisc(int frame, const Planes& p) {
    fillRect(p, 0, 0, kWidth, kHeight, {40, 150, 120});
    const double angle = 2 * 3.14159265358979 * frame / kSceneFrames;
    const int cx = kWidth / 2 + static_cast<int>(200 * std::cos(angle));
    const int cy = kHeight / 2 + static_cast<int>(150 * std::sin(angle));
    for (int y = cy - 80; y < cy + 80; y += 2)
        for (int x = cx - 80; x < cx + 80; x += 2)
            if ((x - cx) * (x - cx) + (y - cy) * (y - cy) < 80 * 80)
                fillRect(p, x, y, x + 2, y + 2, {170, 40, 190});
}

// The frame number in seven-segment digits on a black plate, top left.
void drawNumber(int frame, const Planes& p) {
    // Segments a to g of the digits 0 to 9, one bit each from a.
    static constexpr std::uint8_t kSegments[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66,
                                                   0x6D, 0x7D, 0x07, 0x7F, 0x6F};
    constexpr int kW = 24, kH = 40, kT = 6, kLeft = 32, kTop = 32;
    fillRect(p, kLeft - 12, kTop - 12, kLeft + 3 * (kW + 12) + 2, kTop + kH + 12, kBlack);
    const int digits[3] = {frame / 100 % 10, frame / 10 % 10, frame % 10};
    for (int d = 0; d < 3; ++d) {
        const int x = kLeft + d * (kW + 12), s = kSegments[digits[d]];
        const int bars[7][4] = {{x, kTop, x + kW, kTop + kT},
                                {x + kW - kT, kTop, x + kW, kTop + kH / 2},
                                {x + kW - kT, kTop + kH / 2, x + kW, kTop + kH},
                                {x, kTop + kH - kT, x + kW, kTop + kH},
                                {x, kTop + kH / 2, x + kT, kTop + kH},
                                {x, kTop, x + kT, kTop + kH / 2},
                                {x, kTop + (kH - kT) / 2, x + kW, kTop + (kH + kT) / 2}};
        for (int b = 0; b < 7; ++b)
            if (s >> b & 1) fillRect(p, bars[b][0], bars[b][1], bars[b][2], bars[b][3], kWhite);
    }
}

} // namespace

void drawSampleFrame(int frame, const Planes& out) {
    const int scene = frame / kSceneFrames % 3, inScene = frame % kSceneFrames;
    if (scene == 0)
        drawBars(inScene, out);
    else if (scene == 1)
        drawRings(inScene, out);
    else
        drawDisc(inScene, out);
    drawNumber(frame, out);
}

} // namespace mivo::sample
