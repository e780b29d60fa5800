// The placement of a source picture in an output frame of another size and aspect, the sizes the encoder
// takes, and the DVD frame chosen for a source of no DVD size.

#include "core/picture/frame_fit.h"

#include <gtest/gtest.h>

namespace mivo {
namespace {

TEST(FrameFit, PictureKeepsItsAspectWithinTheFrame) {
    struct Case {
        const char* what;
        int width, height, aspectCode;
        double source;
        PictureArea expected;
    };
    const Case cases[] = {
        {"1920x1080 square pixels into 16:9", 720, 576, 3, 1920.0 / 1080, {0, 0, 720, 576}},
        {"1440x1080 shown 4:3 into 16:9: pillarbox", 720, 576, 3, 4.0 / 3, {90, 0, 540, 576}},
        {"2.35:1 into 16:9: letterbox from a line that is a multiple of 4",
         720,
         576,
         3,
         2.35,
         {0, 68, 720, 436}},
        {"1.85:1 into 16:9: thin letterbox", 720, 576, 3, 1.85, {0, 12, 720, 552}},
        {"16:9 into 4:3 NTSC: letterbox", 720, 480, 2, 16.0 / 9, {0, 60, 720, 360}},
        {"4:3 into 4:3", 720, 480, 2, 4.0 / 3, {0, 0, 720, 480}},
        {"4:3 pan-scan frames are 4:3", 720, 576, 5, 16.0 / 9, {0, 72, 720, 432}},
        {"square-pixel frame 640x480, 16:9 source", 640, 480, 1, 16.0 / 9, {0, 60, 640, 360}},
        {"16:9 into 2.21:1: pillarbox", 720, 576, 4, 16.0 / 9, {70, 0, 580, 576}},
        {"aspect not known: fills the frame", 720, 576, 3, 0.0, {0, 0, 720, 576}},
        {"an odd half border starts on the even column before", 718, 576, 3, 4.0 / 3, {88, 0, 540, 576}},
        {"a sliver of a picture keeps 4 lines", 720, 576, 3, 1000.0, {0, 284, 720, 4}},
    };
    for (const Case& c : cases) {
        const PictureArea a =
            fitPicture(c.width, c.height, frameDisplayAspect(c.aspectCode, c.width, c.height), c.source);
        EXPECT_EQ(a, c.expected) << c.what << ": got " << a.x << "," << a.y << " " << a.width << "x"
                                 << a.height;
        // Whatever the case, the area lies in the frame with both chroma planes and fields split evenly.
        EXPECT_TRUE(a.x % 2 == 0 && a.y % 4 == 0 && a.width % 4 == 0 && a.height % 4 == 0) << c.what;
        EXPECT_LE(a.x + a.width, c.width) << c.what;
        EXPECT_LE(a.y + a.height, c.height) << c.what;
    }
}

TEST(FrameFit, OnlyEvenSizesTheEncoderHoldsAreTaken) {
    struct Case {
        int width, height;
        bool taken;
    };
    const Case cases[] = {{720, 576, true},    {16, 16, true},     {1920, 1152, true}, {352, 240, true},
                          {1922, 1080, false}, {720, 1154, false}, {14, 16, false},    {16, 14, false},
                          {721, 576, false},   {720, 575, false},  {0, 0, false},      {-720, 576, false}};
    for (const Case& c : cases)
        EXPECT_EQ(outputSizeProblem(c.width, c.height).empty(), c.taken) << c.width << " x " << c.height;
    EXPECT_EQ(outputSizeProblem(721, 576), "frame size 721 x 576 is not even: 4:2:0 pictures need an even "
                                           "width and height");
}

TEST(FrameFit, DvdFrameByRateAndNearestAspect) {
    struct Case {
        float rate;
        double source;
        DvdFrame expected;
    };
    const Case cases[] = {
        {25.0f, 16.0 / 9, {720, 576, 3}}, {25.0f, 4.0 / 3, {720, 576, 2}}, {23.976f, 2.35, {720, 480, 3}},
        {29.97f, 1.25, {720, 480, 2}},    {50.0f, 1.5, {720, 576, 2}},     {59.94f, 1.85, {720, 576, 3}},
        {25.0f, 1.53, {720, 576, 2}},     {25.0f, 1.55, {720, 576, 3}},    {30.0f, 0.0, {720, 576, 3}},
    };
    for (const Case& c : cases) {
        const DvdFrame f = dvdFrameFor(c.rate, c.source);
        EXPECT_EQ(f, c.expected) << c.rate << " fps, aspect " << c.source << ": " << f.width << "x"
                                 << f.height << " code " << f.aspectCode;
    }
}

TEST(FrameFit, DvdFrameSizesByRateClass) {
    struct Case {
        int width, height;
        float rate;
        bool allowed;
    };
    const Case cases[] = {{720, 576, 25.0f, true},   {704, 576, 25.0f, true},    {352, 288, 25.0f, true},
                          {352, 576, 25.0f, true},   {720, 480, 29.97f, true},   {720, 480, 23.976f, true},
                          {352, 240, 29.97f, true},  {720, 480, 25.0f, false},   {720, 576, 29.97f, false},
                          {640, 480, 29.97f, false}, {1920, 1080, 25.0f, false}, {720, 576, 50.0f, true},
                          {352, 144, 25.0f, false}};
    for (const Case& c : cases)
        EXPECT_EQ(dvdAllowsFrameSize(c.width, c.height, c.rate), c.allowed)
            << c.width << " x " << c.height << " at " << c.rate;
}

TEST(FrameFit, ProjectAspectTexts) {
    EXPECT_NEAR(projectDisplayAspect("16:9", 720, 576), 16.0 / 9, 1e-9);
    EXPECT_NEAR(projectDisplayAspect("4:3", 720, 480), 4.0 / 3, 1e-9);
    EXPECT_NEAR(projectDisplayAspect("2.21:1", 720, 576), 2.21, 1e-9);
    EXPECT_NEAR(projectDisplayAspect("1:1", 1920, 1080), 16.0 / 9, 1e-9);
    for (const char* none : {"", "0.6735", "16:0", "16:", "wide", "16:9x"})
        EXPECT_EQ(projectDisplayAspect(none, 720, 576), 0.0) << none;
}

} // namespace
} // namespace mivo
