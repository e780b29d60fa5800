// The preview over the real decoder library: the picture of frame N, reached by stepping, by the slider
// and by typing, is FFmpeg's own decode of frame N converted by libswscale (BT.601 studio range, bgr24)
// to within 3 levels a channel.
#include "../program/program_world.h"
#include "program/preview/frame_preview.h"
#include "stream_maker.h"
#include "test_support.h"

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <vector>

namespace mivo::test {
namespace {

// FFmpeg's decode of every picture of the stream, converted to rows of blue, green, red, top line first.
std::vector<std::vector<std::uint8_t>> swscaleFrames(const std::string& path, int& width, int& height) {
    SwsContext* sws = nullptr;
    std::vector<std::vector<std::uint8_t>> frames;
    decodeWithFfmpeg(path, [&](const AVFrame& frame) {
        width = frame.width;
        height = frame.height;
        sws = sws_getCachedContext(sws, width, height, static_cast<AVPixelFormat>(frame.format), width,
                                   height, AV_PIX_FMT_BGR24, SWS_BILINEAR, nullptr, nullptr, nullptr);
        const int* bt601 = sws_getCoefficients(SWS_CS_ITU601);
        sws_setColorspaceDetails(sws, bt601, 0, bt601, 1, 0, 1 << 16, 1 << 16);
        std::vector<std::uint8_t> bgr(static_cast<std::size_t>(3 * width * height));
        std::uint8_t* const out[1] = {bgr.data()};
        const int outStride[1] = {3 * width};
        sws_scale(sws, frame.data, frame.linesize, 0, height, out, outStride);
        frames.push_back(std::move(bgr));
    });
    sws_freeContext(sws);
    return frames;
}

class PreviewRealDecoder : public ProgramWorld {};

TEST_F(PreviewRealDecoder, PictureIsFfmpegsDecodeInSwscalesColours) {
    StreamSpec spec{.frames = 60};
    const std::string stream = makeStream(spec);
    indexProject({stream}, (prog / "movie.d2v").string());
    fs::create_directories(prog / "DGDecode");
    fs::copy_file(MIVO_DECODER_LIBRARY, prog / "DGDecode" / "DGDecode16.dll");
    int width = 0, height = 0;
    const auto expected = swscaleFrames(stream, width, height);

    start();
    dialogs.files.push_back((prog / "movie.d2v").string());
    controls().userClick(PageId::Main, ids::main::inputFileButton);
    ASSERT_TRUE(program->source().sourceReady) << status();
    ASSERT_EQ(program->source().frameCount, static_cast<int>(expected.size()));
    controls().userSelect(PageId::Window, ids::window::tabs, 6);

    using namespace ids::preview;
    const std::pair<const char*, std::function<void()>> moves[] = {
        {"shown on the tab change", [] {}},
        {">", [&] { controls().userClick(PageId::Zones, stepForwardButton); }},
        {">>", [&] { controls().userClick(PageId::Zones, smallStepForwardButton); }},
        {"typed 37", [&] { controls().userType(PageId::Zones, currentFrameEdit, "37"); }},
        {"slider 500", [&] { controls().userSlide(PageId::Zones, slider, 500); }},
        {"<", [&] { controls().userClick(PageId::Zones, stepBackButton); }},
        {">>>", [&] { controls().userClick(PageId::Zones, largeStepForwardButton); }},
    };
    const int expectedFrames[] = {0, 1, 11, 37, 30, 29, 59};
    for (std::size_t m = 0; m < std::size(moves); ++m) {
        moves[m].second();
        SCOPED_TRACE(moves[m].first);
        const int n = program->source().currentFrame;
        ASSERT_EQ(n, expectedFrames[m]);
        const picture::PictureBuffer& shown = program->preview().picture();
        ASSERT_EQ(shown.width(), width);
        ASSERT_EQ(shown.height(), height);
        int worst = 0;
        const std::vector<std::uint8_t>& theirs = expected[static_cast<std::size_t>(n)];
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* ours =
                shown.pixels() + static_cast<std::size_t>(height - 1 - y) * shown.rowBytes();
            const std::uint8_t* ref = theirs.data() + static_cast<std::size_t>(3 * width * y);
            for (int x = 0; x < 3 * width; ++x)
                worst = std::max(worst, std::abs(ours[x] - ref[x]));
        }
        EXPECT_LE(worst, 3) << "frame " << n;
    }
}

} // namespace
} // namespace mivo::test
