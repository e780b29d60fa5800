// Ordinary video files as the program's input: chosen with the input button or named by an ini file,
// refused with what failed, indexed once with progress and a cancel, and fetched frame-exact by the
// preview's access and by the scan's own instance alike.
#include "program_world.h"

#include "clip_maker.h"
#include "program/scan/scan_source.h"
#include "video_file_source.h"

#include <cstring>
#include <random>

namespace mivo::test {
namespace {

class VideoFileInput : public ProgramWorld {
  protected:
    // A copy of the fixture clip in this test's folder, so no index kept by an earlier run is found.
    std::string copyOf(const std::string& clip) {
        const fs::path to = prog / "video" / clip;
        fs::create_directories(to.parent_path());
        fs::copy_file(clipPath(clipNamed(clip)), to, fs::copy_options::overwrite_existing);
        return to.string();
    }
    void choose(const std::string& path) {
        dialogs.files.push_back(path);
        controls().userClick(PageId::Main, ids::main::inputFileButton);
    }
    std::string text(int id) { return controls().text(PageId::Main, id); }
};

// Planes as the frame access leaves them (U in plane 2, V in plane 3) against a YV12 reference frame.
bool planesHold(const FramePlanes& planes, const std::vector<std::uint8_t>& yv12, int width, int height) {
    const std::size_t luma = static_cast<std::size_t>(width) * height, chroma = luma / 4;
    return yv12.size() == luma + 2 * chroma && std::memcmp(planes.luma, yv12.data(), luma) == 0 &&
           std::memcmp(planes.plane3, yv12.data() + luma, chroma) == 0 &&
           std::memcmp(planes.plane2, yv12.data() + luma + chroma, chroma) == 0;
}

TEST_F(VideoFileInput, RefusesWhatFfmpegCannotOpenAndSaysWhy) {
    start();
    writeFile(prog / "notes.txt", "not a picture in sight\n");
    writeFile(prog / "broken.mp4", std::string(4000, '\x5a'));
    ASSERT_EQ(run("ffmpeg -v error -y -f lavfi -i sine=d=1 '" + (prog / "tone.wav").string() + "'"), 0);
    const struct {
        const char* name;
        const char* message;
    } cases[] = {
        {"notes.txt", " ERROR, can't open video file: unknown format or damaged file"},
        {"broken.mp4", " ERROR, can't open video file: unknown format or damaged file"},
        {"tone.wav", " ERROR, can't open video file: no video stream"},
    };
    for (const auto& c : cases) {
        // A source open before: the refusal leaves none behind.
        choose(copyOf("mpeg4.avi"));
        ASSERT_TRUE(program->source().sourceReady) << status();
        program->settings().chapterCount = 0;
        choose((prog / c.name).string());
        const SourceState& s = program->source();
        EXPECT_EQ(status(), c.message) << c.name;
        EXPECT_FALSE(s.sourceReady) << c.name;
        EXPECT_FALSE(s.inputAccepted) << c.name;
        EXPECT_FALSE(s.isVideoFile) << c.name;
        EXPECT_EQ(program->settings().inputFile, "") << c.name;
        EXPECT_EQ(text(ids::main::inputFileButton), "input file name (*.d2v, *.avs)") << c.name;
        EXPECT_EQ(text(ids::main::frameSizeInfo), "-") << c.name;
        EXPECT_EQ(s.displayAspect, 0.0) << c.name;
        EXPECT_NE(program->frames().fetchFrame(0), FetchResult::Ok) << c.name;
    }
    // Named by an ini file: refused the same way once the file is read.
    writeFile(prog / "job.ini", "*INFILE           " + (prog / "broken.mp4").string() + "\n");
    program->loadIni(IniMode::User, (prog / "job.ini").string());
    EXPECT_NE(status().find(" ERROR, can't open video file: unknown format or damaged file"),
              std::string::npos)
        << status();
    EXPECT_FALSE(program->source().sourceReady);
    EXPECT_EQ(program->settings().inputFile, "");
    EXPECT_EQ(text(ids::main::inputFileButton), "input file name (*.d2v, *.avs)");
}

TEST_F(VideoFileInput, IndexesOnceWithProgressAndAnswersACancel) {
    start();
    const std::string path = copyOf("h264_23976.mp4");
    dialogs.cancelProgress = true;
    choose(path);
    EXPECT_EQ(dialogs.progressShown, 1);
    EXPECT_EQ(status(), " indexing cancelled, video file not opened");
    EXPECT_FALSE(program->source().sourceReady);
    EXPECT_EQ(program->settings().inputFile, "");
    EXPECT_FALSE(fs::exists(path + ".mvidx"));

    choose(path);
    EXPECT_EQ(dialogs.progressShown, 2);
    ASSERT_TRUE(program->source().sourceReady) << status();
    EXPECT_TRUE(fs::exists(path + ".mvidx"));
    // Kept: the next open reads it and shows no progress; a changed file is indexed again.
    choose(path);
    EXPECT_EQ(dialogs.progressShown, 2);
    ASSERT_TRUE(program->source().sourceReady) << status();
    fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(5));
    choose(path);
    EXPECT_EQ(dialogs.progressShown, 3);
    ASSERT_TRUE(program->source().sourceReady) << status();
}

TEST_F(VideoFileInput, MovieInformationNamesCodecContainerAudioAndWhatWasDoneToTheFrames) {
    start();
    const SourceState& s = program->source();
    choose(copyOf("camera.mov"));
    ASSERT_TRUE(s.sourceReady) << status();
    const std::string opened = status();
    dialogs.files.push_back((prog / "out.m2v").string());
    controls().userClick(PageId::Main, ids::main::outputFileButton);
    EXPECT_TRUE(s.isVideoFile);
    EXPECT_EQ(s.width, 320);
    EXPECT_EQ(s.height, 240);
    EXPECT_EQ(s.frameCount, 120);
    EXPECT_EQ(text(ids::main::frameRateInfo), "29.9700 / YV12, h264/mov");
    EXPECT_EQ(text(ids::main::frameCountInfo), "120");
    EXPECT_EQ(status(),
              " video file opened: h264 in mov, WARNING, resolution/frame rate mismatch, audio: aac 2 "
              "ch 48000 Hz fra");
    EXPECT_EQ(program->settings().endFrame, 119);
    EXPECT_TRUE(controls().enabled(PageId::Window, ids::window::encode));

    choose(copyOf("large.mkv"));
    ASSERT_TRUE(s.sourceReady) << status();
    EXPECT_EQ(s.width, 1920);
    EXPECT_EQ(s.height, 1080);
    EXPECT_DOUBLE_EQ(s.displayAspect, 16.0 / 9);
    EXPECT_EQ(text(ids::main::frameSizeInfo), "1920x1080 HD res, scaled");
    EXPECT_EQ(status(), " video file opened: h264 in matroska, 2560x1440 scaled down to 1920x1080, no audio");

    choose(copyOf("h264_10bit.mkv"));
    // 352 x 288 at 25 frames per second is a DVD size: no warning.
    EXPECT_EQ(status(), " video file opened: h264 in matroska, yuv420p10le converted to YV12, no audio");

    choose(copyOf("vfr.mkv"));
    ASSERT_TRUE(s.sourceReady) << status();
    EXPECT_EQ(
        status().rfind(" video file opened: h264 in matroska, WARNING, variable frame rate, frames repeated "
                       "or dropped to 25.000 fps",
                       0),
        0u)
        << status();

    // An ini file that names a video file opens it like the input button does.
    writeFile(prog / "job.ini", "*INFILE           " + copyOf("mpeg4.avi") + "\n");
    program->loadIni(IniMode::User, (prog / "job.ini").string());
    EXPECT_TRUE(s.sourceReady) << status();
    EXPECT_EQ(text(ids::main::frameRateInfo), "25.0000 / YV12, mpeg4/avi");
    // ... after what the load said.
    EXPECT_GT(status().find(", video file opened: mpeg4 in avi, no audio"), 0u) << status();
    EXPECT_NE(status().find(", video file opened: mpeg4 in avi, no audio"), std::string::npos) << status();
}

// The preview's access and the scan's own instance give FFmpeg's frames, in order and reached directly.
TEST_F(VideoFileInput, PreviewAndScanFetchFfmpegsFrames) {
    start();
    for (const char* name : {"opengop_pyramid.mkv", "mbaff.ts", "h264_10bit.mkv"}) {
        const Clip& clip = clipNamed(name);
        choose(copyOf(name));
        const SourceState& s = program->source();
        ASSERT_TRUE(s.sourceReady) << status();
        const auto reference =
            referenceFrames(program->settings().inputFile, clip.convert, s.width, s.height);
        ASSERT_EQ(static_cast<std::size_t>(s.frameCount), reference.size()) << name;

        std::vector<int> order(reference.size());
        for (std::size_t i = 0; i < order.size(); ++i)
            order[i] = static_cast<int>(i);
        std::shuffle(order.begin(), order.end(), std::mt19937(25));
        order.resize(40);
        int wrong = 0;
        for (int n : order) {
            ASSERT_EQ(program->frames().fetchFrame(n), FetchResult::Ok);
            if (!planesHold(program->frames().planes(), reference[static_cast<std::size_t>(n)], s.width,
                            s.height))
                ++wrong;
        }
        EXPECT_EQ(wrong, 0) << name << " through the preview";

        ScanSource scan(ScanSourceSpec{s, program->settings().inputFile, 2, 2, program->videoIndexFolder()});
        ASSERT_TRUE(scan.open()) << name;
        for (int n = 0; n < s.frameCount; ++n) {
            ASSERT_EQ(scan.fetch(n), FetchResult::Ok);
            if (!planesHold(scan.planes(n), reference[static_cast<std::size_t>(n)], s.width, s.height))
                ++wrong;
        }
        EXPECT_EQ(wrong, 0) << name << " through the scan";
    }
}

} // namespace
} // namespace mivo::test
