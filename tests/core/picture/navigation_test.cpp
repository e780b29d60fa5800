#include "core/picture/navigation.h"
#include "core/picture/preview_rect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string_view>

namespace {

using namespace mivo::picture;

TEST(PictureNavigation, SteppingButtonsStopAtTheSourceEnds) {
    struct Case {
        int current, step, frames, expected;
    };
    const Case cases[] = {
        {50, kLargeStep, 101, 100},
        {50, -kLargeStep, 101, 0},
        {100, 1, 101, 100},
        {0, -1, 101, 0},
        {5, -kSmallStep, 101, 0},
        {95, kSmallStep, 101, 100},
        {40, -kSmallStep, 101, 30},
        {40, 1, 101, 41},
        {0, kLargeStep, 1, 0}, // a single frame
        {0, 1, 0, -1},
        {0, -1, 0, 0}, // no source: the upper limit is -1
    };
    for (const Case& c : cases)
        EXPECT_EQ(stepFrame(c.current, c.step, c.frames), c.expected)
            << c.current << " " << c.step << " of " << c.frames;
}

TEST(PictureNavigation, FieldTextIsReadAndBounded) {
    struct Case {
        std::string_view text;
        int current, frames, expected;
    };
    const Case cases[] = {
        {"-5", 7, 500, 0},      {"999999", 7, 500, 499}, {"abc", 7, 500, 7}, {"", 7, 500, 7},
        {"  42  ", 7, 500, 42}, {"0", 7, 500, 0},        {"1", 7, 500, 1},   {"499", 7, 500, 499},
        {"12x", 7, 500, 7},     {"12", 3, 0, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(frameFromFieldText(c.text, c.current, c.frames), c.expected) << "'" << c.text << "'";
}

TEST(PictureNavigation, SliderAndFrameMapInSinglePrecisionRoundingHalvesAway) {
    struct Case {
        int position, frames, frame;
    };
    const Case toFrame[] = {
        {500, 1001, 500},     {0, 1001, 0}, {1000, 1001, 1000},
        {1000, 1, 0},         {500, 0, 0},  {500, 2, 1}, // 0.5 rounds away from zero
        {591, 123457, 72963},                            // 72962.496 in double precision, 72962.5 in single
    };
    for (const Case& c : toFrame)
        EXPECT_EQ(frameFromSlider(c.position, c.frames), c.frame) << c.position << " of " << c.frames;
    const Case toSlider[] = {
        {500, 1001, 500},                                              // 499.5005
        {0, 1001, 0},     {999, 1000, 999}, {500, 2, 1}, {1, 2000, 1}, // 0.5 rounds away from zero
        {0, 0, 5},        {0, 0, -1},                                  // no frames
    };
    for (const Case& c : toSlider)
        EXPECT_EQ(sliderFromFrame(c.frame, c.frames), c.position) << c.frame << " of " << c.frames;
}

TEST(PictureNavigation, PreviewRectangleFollowsTheAspectCodeAndClientSize) {
    struct Case {
        int code;
        std::optional<PreviewRect> designed;
    };
    const Case cases[] = {
        {1, PreviewRect{265, 20, 240, 240}},
        {2, PreviewRect{225, 20, 320, 240}},
        {3, PreviewRect{172, 20, 426, 240}},
        {4, PreviewRect{168, 40, 434, 200}},
        {5, PreviewRect{172, 20, 426, 240}},
        {0, std::nullopt},
        {6, std::nullopt},
        {-3, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(previewRect(c.code, kPageDesignWidth, kPageDesignHeight), c.designed);
        const auto doubled = previewRect(c.code, 2 * kPageDesignWidth, 2 * kPageDesignHeight);
        ASSERT_EQ(doubled.has_value(), c.designed.has_value());
        if (!doubled) continue;
        EXPECT_EQ(*doubled, (PreviewRect{2 * c.designed->left, 2 * c.designed->top, 2 * c.designed->width,
                                         2 * c.designed->height}));
        // Every rectangle stays centred on (385, 140) of the design.
        EXPECT_EQ(2 * c.designed->left + c.designed->width, 2 * 385);
        EXPECT_EQ(2 * c.designed->top + c.designed->height, 2 * 140);
        // In a box that holds the design area, the rectangles keep their shapes and fill it edge to edge.
        EXPECT_EQ(previewRectInBox(c.code, 434, 240),
                  (PreviewRect{c.designed->left - 168, c.designed->top - 20, c.designed->width,
                               c.designed->height}));
        for (auto [w, h] : {std::pair{396, 234}, {651, 360}, {300, 100}}) {
            const auto r = previewRectInBox(c.code, w, h);
            ASSERT_TRUE(r);
            EXPECT_GE(r->left, 0);
            EXPECT_GE(r->top, 0);
            EXPECT_LE(r->left + r->width, w);
            EXPECT_LE(r->top + r->height, h);
            EXPECT_NEAR(2 * r->left + r->width, w * (2 * 385 - 2 * 168) / 434.0, 2);
            EXPECT_NEAR(static_cast<double>(r->width) / w, c.designed->width / 434.0, 0.01);
        }
    }
    EXPECT_EQ(previewRectInBox(6, 434, 240), std::nullopt);
}

TEST(PictureNavigation, PreviewEdgesLandOnTheNearestPixelAtSizesOffTheDesignsMultiples) {
    // Every edge of every rectangle within half a pixel of its exactly scaled design position, on
    // client sizes that are no whole multiple of the 618 x 296 design.
    for (int code = 1; code <= 4; ++code) {
        const PreviewRect d = *previewRect(code, kPageDesignWidth, kPageDesignHeight);
        for (int w = 301; w < 1400; w += 37)
            for (int h = 149; h < 700; h += 29) {
                const PreviewRect r = *previewRect(code, w, h);
                const double x = static_cast<double>(w) / kPageDesignWidth;
                const double y = static_cast<double>(h) / kPageDesignHeight;
                ASSERT_LE(std::abs(r.left - d.left * x), 0.5) << code << " at " << w << " x " << h;
                ASSERT_LE(std::abs(r.left + r.width - (d.left + d.width) * x), 0.5) << code << " " << w;
                ASSERT_LE(std::abs(r.top - d.top * y), 0.5) << code << " at " << w << " x " << h;
                ASSERT_LE(std::abs(r.top + r.height - (d.top + d.height) * y), 0.5) << code << " " << h;
            }
    }
    // A 500 x 300 box stands for a page of 712 x 370 (500 x 618 / 434 = 711.98, 300 x 296 / 240); the
    // rectangles are that page's, less its design area's corner at (194, 25).
    const PreviewRect inBox[] = {{111, 0, 277, 300}, {65, 0, 369, 300}, {4, 0, 491, 300}, {0, 25, 500, 250}};
    for (int code = 1; code <= 4; ++code)
        EXPECT_EQ(previewRectInBox(code, 500, 300), inBox[code - 1]) << code;
}

} // namespace
