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

// A D2V project's Aspect_Ratio: a ratio, square pixels as the picture's own, anything else not known.
TEST(FrameFit, ProjectAspectTexts) {
    const std::pair<const char*, double> cases[] = {{"16:9", 16.0 / 9}, {"2.21:1", 2.21}, {"1:1", 1.25},
                                                    {"0.6735", 0},      {"16:0", 0},      {"16:9x", 0}};
    for (const auto& [text, aspect] : cases)
        EXPECT_NEAR(projectDisplayAspect(text, 720, 576), aspect, 1e-9) << text;
}

} // namespace
} // namespace mivo
