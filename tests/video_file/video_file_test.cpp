// Frame-exact access to ordinary video files, checked against FFmpeg's own sequential decode of fixture
// clips made by the ffmpeg program: the same number of frames, and every frame the same bytes whichever
// way it is reached (in order, shuffled, stepping back).

#include "clip_maker.h"

#include "base/whole_file.h"
#include "index_store.h"
#include "video_file_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>

namespace mivo::test {
namespace {

namespace fs = std::filesystem;
using video::OpenOptions;
using video::VideoFileSource;

std::string filterFor(const Clip& clip, const video::VideoFileInfo& info) {
    std::string f = clip.convert;
    auto fill = [&](const std::string& key, const std::string& value) {
        for (std::size_t at; (at = f.find(key)) != std::string::npos;)
            f.replace(at, key.size(), value);
    };
    fill("W", std::to_string(info.width));
    fill("H", std::to_string(info.height));
    fill("R", std::to_string(info.rateNum) + "/" + std::to_string(info.rateDen));
    return f;
}

// A fresh copy, so that the index a test keeps beside it starts from nothing.
std::string freshCopy(const Clip& clip, const std::string& tag) {
    const fs::path folder = fs::path(MIVO_VIDEO_TEST_CACHE) / ("copies-" + tag);
    fs::create_directories(folder);
    const fs::path copy = folder / clip.name;
    fs::remove(copy);
    fs::remove(video::indexBeside(copy.string()));
    fs::copy_file(clipPath(clip), copy);
    return copy.string();
}

std::unique_ptr<VideoFileSource> openOrFail(const std::string& path, const OpenOptions& options = {}) {
    std::string error;
    auto source = VideoFileSource::open(path, options, error);
    EXPECT_TRUE(source) << path << ": " << error;
    return source;
}

// A frame the file holds damaged is concealed from whatever the decoder held before, which differs
// between paths to it; it is counted, not compared.
bool sameFrame(VideoFileSource& source, int n, const std::vector<std::uint8_t>& expected, int& damaged) {
    const std::uint8_t* got = source.frame(n);
    if (source.frameDamaged()) {
        ++damaged;
        return true;
    }
    return source.frameBytes() == expected.size() && std::memcmp(got, expected.data(), expected.size()) == 0;
}

class EveryClip : public ::testing::TestWithParam<Clip> {};

TEST_P(EveryClip, FramesEqualFfmpegsSequentialDecodeInOrderShuffledAndBackwards) {
    const Clip& clip = GetParam();
    const std::string path = freshCopy(clip, "frames");
    auto source = openOrFail(path);
    ASSERT_TRUE(source);
    const auto& info = source->info();
    const auto reference = referenceFrames(path, filterFor(clip, info), info.width, info.height);
    ASSERT_EQ(info.frameCount, static_cast<int>(reference.size()));

    int wrong = 0, damaged = 0;
    for (int n = 0; n < info.frameCount; ++n)
        if (!sameFrame(*source, n, reference[static_cast<std::size_t>(n)], damaged) && ++wrong <= 5)
            ADD_FAILURE() << "in order: frame " << n << " differs";

    std::vector<int> order(reference.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
    std::shuffle(order.begin(), order.end(), std::mt19937(20261208));
    order.resize(std::min<std::size_t>(order.size(), 60));
    // Backward steps from the end, as the "<" button takes them.
    for (int n = info.frameCount - 1; n >= std::max(0, info.frameCount - 12); --n)
        order.push_back(n);
    for (int n : order)
        if (!sameFrame(*source, n, reference[static_cast<std::size_t>(n)], damaged) && ++wrong <= 10)
            ADD_FAILURE() << "reached directly: frame " << n << " differs";
    EXPECT_EQ(wrong, 0);
    // Only a clip cut short may hold a damaged picture: its last.
    EXPECT_LE(damaged, clip.cutPercent < 100 ? 4 : 0);
}

INSTANTIATE_TEST_SUITE_P(VideoFile, EveryClip, ::testing::ValuesIn(fixtureClips()),
                         [](const ::testing::TestParamInfo<Clip>& p) {
                             std::string name = p.param.name;
                             std::replace_if(
                                 name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
                             return name;
                         });

TEST(VideoFile, DescribesCodecContainerConversionRateAndAudio) {
    struct Expected {
        const char* clip;
        const char* codec;
        const char* container;
        bool converted, scaled, variableRate;
        std::size_t audioTracks;
    };
    const Expected table[] = {
        {"opengop_pyramid.mkv", "h264", "matroska", false, false, false, 0},
        {"h264_23976.mp4", "h264", "mov", false, false, false, 0},
        {"hevc.mkv", "hevc", "matroska", false, false, false, 0},
        {"mpeg4.avi", "mpeg4", "avi", false, false, false, 0},
        {"camera.mov", "h264", "mov", false, false, false, 1},
        {"h264_10bit.mkv", "h264", "matroska", true, false, false, 0},
        {"vfr.mkv", "h264", "matroska", false, false, true, 0},
        {"large.mkv", "h264", "matroska", false, true, false, 0},
    };
    for (const Expected& e : table) {
        SCOPED_TRACE(e.clip);
        auto source = openOrFail(freshCopy(clipNamed(e.clip), "describe"));
        ASSERT_TRUE(source);
        const auto& info = source->info();
        EXPECT_EQ(info.codec, e.codec);
        EXPECT_EQ(info.container, e.container);
        EXPECT_EQ(info.converted, e.converted);
        EXPECT_EQ(info.scaled, e.scaled);
        EXPECT_EQ(info.variableRate, e.variableRate);
        ASSERT_EQ(info.audio.size(), e.audioTracks);
        EXPECT_LE(info.width, video::kMaxFrameWidth);
        EXPECT_LE(info.height, video::kMaxFrameHeight);
        // Scaled down with the picture's shape kept (16:9 stays 16:9).
        EXPECT_EQ(info.aspectNum * info.height, info.aspectDen * info.width);
    }
    auto camera = openOrFail(freshCopy(clipNamed("camera.mov"), "describe"));
    ASSERT_TRUE(camera);
    const video::AudioTrack& a = camera->info().audio.at(0);
    EXPECT_EQ(a.codec, "aac");
    EXPECT_EQ(a.channels, 2);
    EXPECT_EQ(a.sampleRate, 48000);
    EXPECT_EQ(a.language, "fra");
    EXPECT_EQ(camera->info().rateNum * 1001, camera->info().rateDen * 30000);
}

TEST(VideoFile, KeepsTheIndexAndReusesItWhileTheFileIsUnchanged) {
    const Clip& clip = clipNamed("h264_23976.mp4");
    const std::string path = freshCopy(clip, "keep");
    auto first = openOrFail(path);
    ASSERT_TRUE(first);
    EXPECT_FALSE(first->indexReused());
    EXPECT_EQ(first->indexPath(), video::indexBeside(path));
    const std::vector<std::uint8_t> frame40(first->frame(40), first->frame(40) + first->frameBytes());
    first.reset();

    auto second = openOrFail(path);
    ASSERT_TRUE(second);
    EXPECT_TRUE(second->indexReused());
    EXPECT_EQ(std::memcmp(second->frame(40), frame40.data(), frame40.size()), 0);
    second.reset();

    // A new modification time makes the kept index stale.
    fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(5));
    auto touched = openOrFail(path);
    ASSERT_TRUE(touched);
    EXPECT_FALSE(touched->indexReused());
    touched.reset();

    // An index another libavformat made may place packets differently: built again.
    {
        std::string bytes, error;
        ASSERT_TRUE(readWholeFile(video::indexBeside(path), bytes));
        video::VideoIndex kept;
        ASSERT_TRUE(video::parseIndexFile(bytes, kept, error)) << error;
        video::IndexHeader other = kept.header();
        ++other.demuxerVersion;
        ASSERT_TRUE(kept.assign(other, kept.packets(), error));
        ASSERT_TRUE(writeWholeFile(video::indexBeside(path), video::formatIndexFile(kept)));
        auto rebuilt = openOrFail(path);
        ASSERT_TRUE(rebuilt);
        EXPECT_FALSE(rebuilt->indexReused());
    }

    // A damaged kept index is built again, not trusted.
    std::string bytes;
    ASSERT_TRUE(readWholeFile(video::indexBeside(path), bytes));
    bytes[bytes.size() / 2] ^= 0x55;
    ASSERT_TRUE(writeWholeFile(video::indexBeside(path), bytes));
    auto repaired = openOrFail(path);
    ASSERT_TRUE(repaired);
    EXPECT_FALSE(repaired->indexReused());
    EXPECT_EQ(std::memcmp(repaired->frame(40), frame40.data(), frame40.size()), 0);
}

TEST(VideoFile, IndexGoesToTheFallbackFolderWhenItCannotBeKeptBesideTheSource) {
    const Clip& clip = clipNamed("mpeg4.avi");
    const std::string path = freshCopy(clip, "fallback");
    // A folder in the index's place refuses the write as a read-only folder would, also for root.
    fs::create_directories(video::indexBeside(path));
    const fs::path fallback = fs::path(MIVO_VIDEO_TEST_CACHE) / "settings-folder";
    fs::remove_all(fallback);
    OpenOptions options;
    options.fallbackIndexFolder = fallback.string();
    auto first = openOrFail(path, options);
    auto second = openOrFail(path, options);
    fs::remove(video::indexBeside(path));
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->indexPath(), video::indexInFolder(fallback.string(), path));
    EXPECT_TRUE(second->indexReused());
    // Two sources of one name in different folders keep two indexes.
    EXPECT_NE(video::indexInFolder(fallback.string(), path),
              video::indexInFolder(fallback.string(), "/elsewhere/" + std::string(clip.name)));
}

TEST(VideoFile, CancelledIndexingOpensNothingAndKeepsNothing) {
    const std::string path = freshCopy(clipNamed("opengop_pyramid.mkv"), "cancel");
    OpenOptions options;
    int reports = 0;
    options.progress = [&](double done) {
        EXPECT_GE(done, 0.0);
        EXPECT_LE(done, 1.0);
        return ++reports < 1;
    };
    std::string error;
    bool cancelled = false;
    EXPECT_FALSE(VideoFileSource::open(path, options, error, &cancelled));
    EXPECT_TRUE(cancelled);
    EXPECT_GE(reports, 1);
    EXPECT_FALSE(fs::exists(video::indexBeside(path)));
}

TEST(VideoFile, RefusesWhatIsNoVideoWithAMessageSayingWhy) {
    const fs::path folder = fs::path(MIVO_VIDEO_TEST_CACHE) / "refused";
    fs::create_directories(folder);
    const std::string text = (folder / "notes.mp4").string();
    ASSERT_TRUE(writeWholeFile(text, "these are not pictures\n"));
    const std::string audio = makeClip("audio_only.m4a", "-f lavfi -i sine=duration=1 -c:a aac");
    const std::string truncatedHead = (folder / "head.mkv").string();
    {
        std::string bytes;
        ASSERT_TRUE(readWholeFile(clipPath(clipNamed("hevc.mkv")), bytes));
        ASSERT_TRUE(writeWholeFile(truncatedHead, bytes.substr(0, 200)));
    }
    const struct {
        std::string path;
        const char* says;
    } table[] = {
        {text, "unknown format"},
        {audio, "no video stream"},
        {(folder / "missing.mkv").string(), "cannot open"},
        {truncatedHead, "damaged"},
    };
    for (const auto& t : table) {
        std::string error;
        EXPECT_FALSE(VideoFileSource::open(t.path, {}, error)) << t.path;
        EXPECT_NE(error.find(t.says), std::string::npos) << t.path << ": " << error;
    }
}

} // namespace
} // namespace mivo::test
