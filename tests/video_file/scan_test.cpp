// The scene-change measure over a video file's frames, fetched in order as the scan fetches them: the
// chapters of a clip cut between four different pictures are its cuts, exactly.

#include "clip_maker.h"

#include "core/scan/scene_detector.h"
#include "video_file_source.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace mivo::test {
namespace {

TEST(VideoFileScan, FindsTheCutsOfAClipCutBetweenDifferentPictures) {
    std::string error;
    auto source = video::VideoFileSource::open(clipPath(clipNamed("cuts.mkv")), {}, error);
    ASSERT_TRUE(source) << error;
    const auto& info = source->info();
    const std::size_t luma = static_cast<std::size_t>(info.width) * info.height, chroma = luma / 4;
    auto planes = [&](const std::vector<std::uint8_t>& f) {
        return PlanarFrame{f.data(), f.data() + luma, f.data() + luma + chroma};
    };
    SceneDetector detector;
    ASSERT_TRUE(detector.start(info.width, info.height));
    std::vector<std::uint8_t> previous(source->frame(0), source->frame(0) + source->frameBytes()), current;
    std::vector<int> chapters;
    for (int n = 1; n < info.frameCount; ++n) {
        current.assign(source->frame(n), source->frame(n) + source->frameBytes());
        // A decision at frame n puts the chapter at the frame before it.
        if (detector.frame(n, planes(current), planes(previous))) chapters.push_back(n - 1);
        previous.swap(current);
    }
    EXPECT_EQ(info.frameCount, 100);
    EXPECT_EQ(chapters, (std::vector<int>{30, 55, 81}));
}

} // namespace
} // namespace mivo::test
