#include "core/kernels/yuv_to_bgr.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace {

using namespace mivo;
using Bytes = std::vector<std::uint8_t>;
using Version = KernelVersion<YuvToBgrFn>;

// Every version this processor can run.
std::vector<Version> versions() {
    std::vector<Version> v;
    for (const Version& version : yuvToBgrFamily().versions)
        if ((version.needs & ~detectedCpuFeatures()) == 0) v.push_back(version);
    return v;
}

struct Frame {
    int width, height;
    Bytes luma, cb, cr;
    Frame(int w, int h)
        : width(w), height(h), luma(static_cast<std::size_t>(w) * h),
          cb(static_cast<std::size_t>(w / 2) * (h / 2)), cr(cb.size()) {}
    YuvPlanes planes() const { return {luma.data(), cb.data(), cr.data(), width, height}; }
    // Top-down, 3 x width bytes a line.
    Bytes convert(YuvToBgrFn fn) const {
        Bytes out(3 * luma.size());
        fn(planes(), out.data(), 3 * width);
        return out;
    }
};

// A frame whose 2 x 2 blocks each hold one colour, 2 pixels wide per colour, one line pair.
Frame uniformBlocks(const std::vector<std::array<int, 3>>& yCbCr) {
    Frame f(2 * static_cast<int>(yCbCr.size()), 2);
    for (std::size_t i = 0; i < yCbCr.size(); ++i) {
        for (std::size_t k : {2 * i, 2 * i + 1, f.luma.size() / 2 + 2 * i, f.luma.size() / 2 + 2 * i + 1})
            f.luma[k] = static_cast<std::uint8_t>(yCbCr[i][0]);
        f.cb[i] = static_cast<std::uint8_t>(yCbCr[i][1]);
        f.cr[i] = static_cast<std::uint8_t>(yCbCr[i][2]);
    }
    return f;
}

TEST(PictureConversion, KnownColoursComeOutExactly) {
    struct Case {
        int y, cb, cr, blue, green, red;
    };
    const Case cases[] = {
        {16, 128, 128, 0, 0, 0},
        {128, 128, 128, 130, 130, 130},
        {235, 128, 128, 254, 254, 254},
        {255, 128, 128, 255, 255, 255},
        {0, 128, 128, 0, 0, 0},
        {81, 90, 240, 0, 0, 254}, // red of studio range; green and blue sums are negative and clamp to 0
    };
    std::vector<std::array<int, 3>> colours;
    for (const Case& c : cases)
        colours.push_back({c.y, c.cb, c.cr});
    // Wide enough for every version's vector steps.
    while (colours.size() < 40)
        colours.push_back(colours[colours.size() % std::size(cases)]);
    const Frame f = uniformBlocks(colours);
    for (const Version& v : versions()) {
        SCOPED_TRACE(v.name);
        const Bytes out = f.convert(v.fn);
        for (std::size_t x = 0; x < static_cast<std::size_t>(f.width); ++x) {
            const Case& c = cases[x / 2 % std::size(cases)];
            for (std::size_t line : {0u, 1u}) {
                const std::uint8_t* p = &out[3 * (line * f.width + x)];
                EXPECT_EQ((std::array<int, 3>{p[0], p[1], p[2]}),
                          (std::array<int, 3>{c.blue, c.green, c.red}))
                    << "Y " << c.y << " Cb " << c.cb << " Cr " << c.cr;
            }
        }
    }
}

TEST(PictureConversion, EveryLumaAndChromaPairFollowsTheStudioRangeEquations) {
    // Each line pair holds one chroma pair; its top line runs through every luma value, its bottom line
    // through every luma value backwards. The published BT.601 coefficients, rounded down, may differ
    // from the 16.16 fixed-point results by one level where a sum lies next to a whole number.
    const int levels[] = {0, 1, 16, 17, 64, 100, 127, 128, 129, 180, 239, 240, 254, 255};
    const int pairs = static_cast<int>(std::size(levels) * std::size(levels));
    Frame f(256, 2 * pairs);
    for (int k = 0; k < pairs; ++k) {
        for (int x = 0; x < 256; ++x) {
            f.luma[static_cast<std::size_t>(2 * k) * 256 + x] = static_cast<std::uint8_t>(x);
            f.luma[static_cast<std::size_t>(2 * k + 1) * 256 + x] = static_cast<std::uint8_t>(255 - x);
        }
        std::fill_n(f.cb.begin() + k * 128, 128, static_cast<std::uint8_t>(levels[k / std::size(levels)]));
        std::fill_n(f.cr.begin() + k * 128, 128, static_cast<std::uint8_t>(levels[k % std::size(levels)]));
    }
    const Bytes expected = f.convert(yuvToBgrReference);
    for (std::size_t i = 0; i < f.luma.size(); ++i) {
        const double y = 1.164 * (f.luma[i] - 16);
        const std::size_t c = i / 512 * 128 + i % 256 / 2;
        const double u = f.cb[c] - 128, v = f.cr[c] - 128;
        const double bgr[3] = {y + 2.018 * u, y - 0.391 * u - 0.813 * v, y + 1.596 * v};
        for (int k = 0; k < 3; ++k)
            ASSERT_LE(std::abs(expected[3 * i + k] - std::clamp(std::floor(bgr[k]), 0.0, 255.0)), 1.0)
                << "pixel " << i << " colour " << k;
    }
    for (const Version& v : versions())
        EXPECT_EQ(f.convert(v.fn), expected) << v.name;
}

TEST(PictureConversion, PrimaryRampsSurviveTheRoundTripWithinTwoLevels) {
    // Studio-range Y, Cb, Cr of each full-range colour, rounded to whole levels, converted back.
    std::vector<std::array<int, 3>> colours, rgb;
    for (int channel = 0; channel < 3; ++channel)
        for (int level = 0; level < 256; ++level) {
            const double r = channel == 0 ? level : 0, g = channel == 1 ? level : 0,
                         b = channel == 2 ? level : 0;
            colours.push_back(
                {static_cast<int>(std::lround(16 + (65.481 * r + 128.553 * g + 24.966 * b) / 255)),
                 static_cast<int>(std::lround(128 + (-37.797 * r - 74.203 * g + 112 * b) / 255)),
                 static_cast<int>(std::lround(128 + (112 * r - 93.786 * g - 18.214 * b) / 255))});
            rgb.push_back({static_cast<int>(r), static_cast<int>(g), static_cast<int>(b)});
        }
    const Frame f = uniformBlocks(colours);
    for (const Version& v : versions()) {
        const Bytes out = f.convert(v.fn);
        for (std::size_t i = 0; i < rgb.size(); ++i) {
            const std::uint8_t* p = &out[6 * i];
            for (int k = 0; k < 3; ++k)
                ASSERT_LE(std::abs(p[2 - k] - rgb[i][static_cast<std::size_t>(k)]), 2)
                    << v.name << " colour " << i << " channel " << k;
        }
    }
}

TEST(PictureConversion, VectorVersionsMatchTheReferenceOnRandomSizesAndTouchOnlyTheirPixels) {
    std::mt19937 rng(2024);
    const auto random = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int round = 0; round < 120; ++round) {
        // Mostly even sizes as the sources give them, some odd ones, some past a vector step.
        const int w = round % 4 == 3 ? random(2, 99) : 2 * random(1, round % 3 == 0 ? 400 : 40);
        const int h = round % 5 == 4 ? random(2, 9) : 2 * random(1, 5);
        Frame f(w, h);
        for (Bytes* plane : {&f.luma, &f.cb, &f.cr})
            for (auto& b : *plane)
                b = static_cast<std::uint8_t>(rng());
        // Stored bottom-up with padded lines inside a guard band, as the picture buffer does.
        const std::size_t stride = 3 * static_cast<std::size_t>(w) + 5, guard = 64;
        Bytes expected(stride * h + 2 * guard, 0xA5);
        yuvToBgrReference(f.planes(), expected.data() + guard + (h - 1) * stride,
                          -static_cast<std::ptrdiff_t>(stride));
        for (std::size_t line = 0; line < static_cast<std::size_t>(h); ++line)
            ASSERT_TRUE(
                std::all_of(expected.begin() + static_cast<std::ptrdiff_t>(guard + line * stride + 3 * w),
                            expected.begin() + static_cast<std::ptrdiff_t>(guard + (line + 1) * stride),
                            [](std::uint8_t b) { return b == 0xA5; }));
        for (const Version& v : versions()) {
            Bytes out(expected.size(), 0xA5);
            v.fn(f.planes(), out.data() + guard + (h - 1) * stride, -static_cast<std::ptrdiff_t>(stride));
            ASSERT_EQ(out, expected) << v.name << " " << w << " x " << h;
        }
    }
}

} // namespace
