// The preview over the whole program: the picture shown and the bitmap saved are the fetched frame in
// its true colours, adjusted once, whichever decoder delivered it.
#include "core/kernels/yuv_to_bgr.h"
#include "core/picture/frame_adjustments.h"
#include "core/picture/picture_buffer.h"
#include "program/preview/frame_preview.h"
#include "program_world.h"
#include "synthetic_description.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace mivo::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Case {
    bool avisynth;
    const char* pixel;
    const char* scene; // noise for planar frames; flat for packed ones, whose chroma is averaged by lines
    int width;
    picture::FrameAdjustments adjust; // the pan-scan offset is what the list gives the frame shown
};

constexpr int kFrame = 30;

// The picture `frame` must give: the description's planes, adjusted, converted with U as Cb.
std::string expectedImage(const std::string& description, int frame,
                          const picture::FrameAdjustments& adjust) {
    doubles::SyntheticSource src;
    std::string why;
    int line = 0;
    EXPECT_TRUE(doubles::parseSyntheticSource(description, src, why, line)) << why;
    const int w = src.width, h = src.height, cw = w / 2, ch = h / 2;
    Bytes y(static_cast<std::size_t>(w * h)), u(static_cast<std::size_t>(cw * ch)), v(u.size());
    for (int row = 0; row < h; ++row)
        for (int x = 0; x < w; ++x)
            y[static_cast<std::size_t>(row * w + x)] = doubles::syntheticSample(src, frame, 0, x, row);
    for (int row = 0; row < ch; ++row)
        for (int x = 0; x < cw; ++x) {
            u[static_cast<std::size_t>(row * cw + x)] = doubles::syntheticSample(src, frame, 1, x, row);
            v[static_cast<std::size_t>(row * cw + x)] = doubles::syntheticSample(src, frame, 2, x, row);
        }
    picture::applyFrameAdjustments({y.data(), u.data(), v.data(), w, h, w * h, cw * ch}, adjust);
    picture::PictureBuffer pic(yuvToBgrReference);
    EXPECT_TRUE(pic.build({y.data(), u.data(), v.data(), w, h}));
    return std::string(pic.fileImage());
}

// Where two images first differ, for a short failure message; -1 when they are equal.
long firstDifference(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return static_cast<long>(i);
    return -1;
}

class FramePreviewTest : public ProgramWorld {
  protected:
    // A fresh program with the description open as a D2V project through the synthetic decoder or as
    // an Avisynth script, on the Zones page.
    void open(const Case& c, const std::string& description) {
        program.reset();
        const fs::path video = prog / "video";
        std::string input;
        if (c.avisynth) {
            platform::setFrameServerLibrary(std::string(MIVO_DOUBLES_DIR) + "/libmivo_avisynth_double.so");
            input = (video / "clip.avs").string();
            writeFile(input, description);
        } else {
            platform::setFrameServerLibrary(std::string("none"));
            placeDecoder("16");
            writeFile(video / "movie.syn", description);
            input = (video / "movie.d2v").string();
            writeFile(input, "DGIndexProjectFile16\r\n1\r\n" + (video / "movie.syn").string() +
                                 "\r\n\r\nStream_Type=1\r\n");
        }
        start();
        dialogs.files.push_back(input);
        controls().userClick(PageId::Main, ids::main::inputFileButton);
        ASSERT_TRUE(program->source().sourceReady) << status();
        controls().userSelect(PageId::Window, ids::window::tabs, 6);
    }
    // A pan-scan list, out of order as a file may give it, whose entry before the frame shown says
    // `offset`; the refresh after a file change orders it and derives every frame's offset.
    void listPanScan(int offset) {
        Settings& s = program->settings();
        const int frames[] = {kFrame + 5, 0, kFrame - 10};
        const int offsets[] = {-offset, 16, offset};
        s.panScanCount = 3;
        for (std::size_t i = 0; i < 3; ++i) {
            s.panScanFrames[i] = frames[i];
            s.panScanOffsets[i] = offsets[i];
        }
        program->refreshAfterFileChange();
    }
};

TEST_F(FramePreviewTest, PictureAndBitmapAreTheFrameAdjustedOnceInTrueColours) {
    const Case cases[] = {
        {false, "YV12", "noise 5", 718, {}},
        {false, "I420", "noise 6", 704, {6, 10, 4, true, 320}},
        {false, "YUY2", "flat 100 60 200", 720, {-4, 0, 8, false, 0}},
        {true, "YV12", "noise 7", 720, {-2, 2, 0, true, -480}},
        {true, "YUY2", "flat 90 200 50", 720, {4, 8, 0, true, 160}},
    };
    for (const Case& c : cases) {
        const std::string description = "synthetic-source\nsize " + std::to_string(c.width) +
                                        " 576\nframes 60\npixel " + c.pixel + "\n" + c.scene + "\n";
        SCOPED_TRACE(description);
        open(c, description);
        listPanScan(c.adjust.panScanOffset);
        Settings& s = program->settings();
        s.maskShift = c.adjust.shift;
        s.maskTop = c.adjust.maskTop;
        s.maskBottom = c.adjust.maskBottom;
        s.panScanOn = c.adjust.panScan;
        controls().userType(PageId::Zones, ids::preview::currentFrameEdit, std::to_string(kFrame));
        ASSERT_EQ(program->source().currentFrame, kFrame);

        const std::string expected = expectedImage(description, kFrame, c.adjust);
        const picture::PictureBuffer& shown = program->preview().picture();
        EXPECT_EQ(firstDifference(shown.fileImage(), expected), -1);
        const PictureImage& boxed = controls().at(PageId::PanScan, ids::preview::picture).picture;
        EXPECT_EQ(boxed.rows, shown.pixels());
        EXPECT_EQ(boxed.width, c.width);
        EXPECT_EQ(boxed.aspectCode, s.aspectRatio);
        // Saved twice from fresh fetches: the adjustments never act twice.
        for (int i = 0; i < 2; ++i) {
            controls().userClick(PageId::Zones, ids::zones::createBitmapButton);
            EXPECT_EQ(status(), " bitmap created:   " + folder() + "000030.bmp");
            EXPECT_EQ(firstDifference(readFile(prog / "000030.bmp"), expected), -1) << "bitmap " << i;
        }
    }
}

TEST_F(FramePreviewTest, TheProcessorLevelChoosesTheConversion) {
    // Level 1 has no vector version to use; the higher levels take what they allow on this processor.
    for (const int level : {1, 2, 6}) {
        ProgramOptions options;
        options.programFolder = folder();
        options.cpuLevel = level;
        program = std::make_unique<Program>(dialogs, shell, options);
        program->startUp();
        const YuvToBgrFn expected =
            level == 1 ? yuvToBgrReference : yuvToBgrFamily().choose(cpuFeaturesForLevel(level));
        EXPECT_EQ(program->preview().picture().conversion(), expected) << "level " << level;
    }
}

} // namespace
} // namespace mivo::test
