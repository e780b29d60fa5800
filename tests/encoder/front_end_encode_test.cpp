// Encodes through the whole front-end: the scenario runner loads a user ini, presses "encode" with the
// real encoder in the program folder, and the stream it wrote is read back field by field and decoded
// by FFmpeg.

#include "core/lists/chapter_file.h"
#include "core/settings/settings.h"
#include "stream_checks.h"
#include "stream_maker.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <numeric>

extern "C" {
#include <libavutil/pixfmt.h>
}

namespace mivo::encoder::test {
namespace {

namespace fs = std::filesystem;
using mivo::test::readText;
using mivo::test::writeText;

struct FrontEnd {
    std::string folder, status;
    std::string path(const std::string& name) const { return folder + "/" + name; }
};

// The front-end, started in a program folder of its own with `setup` before start, loads the ini text
// (in which PROG stands for the folder) and encodes; the status line it ends with.
FrontEnd encodeThroughFrontEnd(const std::string& name, const std::string& setup, std::string ini) {
    FrontEnd run{mivo::test::scratchFolder(name) + "/prog", {}};
    fs::create_directories(run.folder);
    for (std::size_t at = ini.find("PROG"); at != std::string::npos; at = ini.find("PROG", at))
        ini.replace(at, 4, run.folder);
    writeText(run.path("user.ini"), ini + "*LOGFILE " + run.path("enc.log") + "\n*SILENT\n");
    writeText(run.path("encode.scn"), "env NUMBER_OF_PROCESSORS 2\n" + setup +
                                          "encoder real\nstart\nanswer-file " + run.path("user.ini") +
                                          "\nclick main 1113\nclick window 1003\nprint status\nclose\n");
    const std::string command = "QT_QPA_PLATFORM=offscreen '" MIVO_SCENARIO_RUNNER "' --program-folder '" +
                                run.folder + "' '" + run.path("encode.scn") + "' > '" +
                                run.path("printed.txt") + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << readText(run.path("printed.txt"));
    run.status = readText(run.path("printed.txt"));
    return run;
}

// A D2V project of a stream the fixture makes, indexed beside the program folder.
std::string d2vSource(const mivo::test::StreamSpec& spec, const std::string& name) {
    const std::string project = mivo::test::scratchFolder(name + "-src") + "/source.d2v";
    mivo::test::indexProject({mivo::test::makeStream(spec)}, project);
    return project;
}

double meanBytes(const std::vector<CodedPicture>& pictures, bool inside, int first, int last) {
    double sum = 0;
    int n = 0;
    for (const CodedPicture& p : pictures)
        if ((p.displayIndex >= first && p.displayIndex <= last) == inside) sum += double(p.bytes), ++n;
    return n ? sum / n : 0;
}

TEST(FrontEndEncode, ChaptersZonesMatricesAndTheBufferReachTheStream) {
    mivo::test::StreamSpec spec;
    spec.frames = 120;
    spec.interlaced = true;
    std::string ini =
        "*INFILE " + d2vSource(spec, "lists") +
        "\n*OUTFILE PROG/out.m2v\n*BITRATE 4000\n*MAXBITRATE 8000\n*GOP 12 2\n*INTERLACED\n*TFF\n"
        "*LASTIFRAME\n*TIMECODE 1 0 0 0\n*CHAPTER 2\n30 61\n*ZONE 2\n50 0.5 80 1.0\n*CUSTOMMATRIX\n";
    MatrixPair custom;
    for (std::size_t i = 0; i < 64; ++i) {
        custom.intra[i] = i == 0 ? 8 : 10 + static_cast<int>(i);
        custom.nonIntra[i] = 16 + static_cast<int>(i / 2);
    }
    for (const MatrixValues* m : {&custom.intra, &custom.nonIntra})
        for (std::size_t i = 0; i < 64; ++i)
            ini += std::to_string((*m)[i]) + (i % 8 == 7 ? "\n" : " ");
    const FrontEnd run = encodeThroughFrontEnd("fe-lists", "decoder 16 mpeg2\n", ini);
    ASSERT_NE(run.status.find("\" encoding finished\""), std::string::npos)
        << run.status << readText(run.path("enc.log"));

    const Decoded decoded = decodeWithFfmpeg(run.path("out.m2v"));
    EXPECT_EQ(decoded.luma.size(), 120u);
    EXPECT_EQ(decoded.width, 720);
    EXPECT_EQ(decoded.height, 576);
    EXPECT_EQ(decoded.rateNumerator * 1, 25 * decoded.rateDenominator);
    EXPECT_TRUE(decoded.interlaced && decoded.topFieldFirst);
    EXPECT_EQ(decoded.pixelFormat, AV_PIX_FMT_YUV420P);

    const StreamSummary s = summarise(mivo::test::readFile(run.path("out.m2v")));
    EXPECT_EQ(s.aspectCode, 3); // 16:9, the default
    EXPECT_EQ(s.matrices, custom);
    const std::vector<CodedPicture> shown = inDisplayOrder(s);
    ASSERT_EQ(shown.size(), 120u);
    for (const auto& [frame, timecode] :
         {std::pair{30, std::array{1, 0, 1, 5}}, std::pair{61, std::array{1, 0, 2, 11}}}) {
        const CodedPicture& p = shown[static_cast<std::size_t>(frame)];
        EXPECT_TRUE(p.type == 1 && p.opensGop && p.closedGop) << "chapter " << frame;
        EXPECT_EQ(p.timecode, timecode) << "chapter " << frame;
    }
    EXPECT_EQ(shown.back().type, 1); // *LASTIFRAME
    int inGop = 0, bRun = 0;
    for (const CodedPicture& p : shown) {
        inGop = p.type == 1 ? 1 : inGop + 1;
        bRun = p.type == 3 ? bRun + 1 : 0;
        EXPECT_LE(inGop, 12);
        EXPECT_LE(bRun, 2);
    }

    const double bytes = std::accumulate(shown.begin(), shown.end(), 0.0,
                                         [](double a, const CodedPicture& p) { return a + double(p.bytes); });
    EXPECT_NEAR(bytes * 8 / (120 / 25.0) / 1000, 4000, 4000 * 0.03);
    // The zone against other frames of the test pattern, whose bits answer the quantiser weakly; the
    // rate tests hold a zone to its factor against the same frames without zones.
    EXPECT_LT(meanBytes(shown, true, 50, 79), 0.7 * meanBytes(shown, false, 50, 79));
    EXPECT_EQ(vbvUnderflows(s, 25), 0);
}

TEST(FrontEndEncode, PulldownPlaysAt2997WithFourFifthsOfTheFrames) {
    mivo::test::StreamSpec spec;
    spec.rateNum = 24000;
    spec.rateDen = 1001;
    spec.width = 720;
    spec.height = 480;
    spec.frames = 40;
    const FrontEnd run =
        encodeThroughFrontEnd("fe-pulldown", "decoder 16 mpeg2\n",
                              "*INFILE " + d2vSource(spec, "pulldown") +
                                  "\n*OUTFILE PROG/out.m2v\n*PULLDOWN\n*PROGRESSIVE\n*1PASS\n");
    ASSERT_NE(run.status.find("\" encoding finished\""), std::string::npos)
        << run.status << readText(run.path("enc.log"));

    const Decoded decoded = decodeWithFfmpeg(run.path("out.m2v"));
    EXPECT_EQ(decoded.rateNumerator * 1001, 30000 * decoded.rateDenominator); // the sequence's own rate
    ASSERT_EQ(decoded.luma.size(), 40u);
    EXPECT_EQ((2 * 40 + decoded.repeatedFields) / 2, 50); // 40 coded frames play as 50
    const StreamSummary s = summarise(mivo::test::readFile(run.path("out.m2v")));
    EXPECT_EQ(s.frameRateCode, 4);
    EXPECT_FALSE(s.progressiveSequence);
    EXPECT_EQ(vbvUnderflows(s, 24000.0 / 1001), 0);
}

TEST(FrontEndEncode, FourTwoTwoMaskedAndColourFlagged) {
    // 4:2:2 output takes a YUY2 source.
    const std::string folder = mivo::test::scratchFolder("fe-422-src");
    writeText(folder + "/clip.avs",
              "synthetic-source\nsize 720 576\nrate 25 1\nframes 12\nramp from 0\npixel YUY2\n");
    const FrontEnd run = encodeThroughFrontEnd("fe-422", "avisynth double\n",
                                               "*INFILE " + folder +
                                                   "/clip.avs\n*OUTFILE PROG/out.m2v\n*CHROMAFORMAT 422\n"
                                                   "*MASK_SHIFT 16 32 0\n*COLOUR 5\n*1PASS\n");
    ASSERT_NE(run.status.find("\" encoding finished"), std::string::npos)
        << run.status << readText(run.path("enc.log"));
    const Decoded decoded = decodeWithFfmpeg(run.path("out.m2v"));
    EXPECT_EQ(decoded.pixelFormat, AV_PIX_FMT_YUV422P);
    ASSERT_EQ(decoded.luma.size(), 12u);
    const auto meanOfLines = [&](int first, int count) {
        const auto& y = decoded.luma[5];
        return std::accumulate(y.begin() + first * 720, y.begin() + (first + count) * 720, 0.0) /
               (count * 720);
    };
    EXPECT_LT(meanOfLines(0, 16), 20);
    EXPECT_LT(meanOfLines(576 - 32, 32), 20);
    EXPECT_GT(meanOfLines(100, 16), 40); // the picture itself is not black
    const StreamSummary s = summarise(mivo::test::readFile(run.path("out.m2v")));
    EXPECT_EQ(s.chromaFormat, 2);
    EXPECT_EQ(s.colourPrimaries, 5);
}

TEST(FrontEndEncode, AvisynthScriptsThroughTheFrameServer) {
    struct Case {
        std::string setup, script;
    };
    const std::string synthetic = "synthetic-source\nsize 352 288\nrate 25 1\nframes 20\nramp from 0\npixel ";
    std::vector<Case> cases = {{"avisynth double\n", synthetic + "YV12\n"},
                               {"avisynth double\n", synthetic + "YUY2\n"}};
    if (const char* real = std::getenv("MIVO_REAL_AVISYNTH"))
        cases.push_back(
            {std::string("env MIVO_FRAME_SERVER_LIBRARY ") + real + "\n",
             "BlankClip(length=20, width=352, height=288, fps=25, pixel_type=\"YV12\", color=$808080)\n"});
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const std::string folder = mivo::test::scratchFolder("fe-avs-src" + std::to_string(i));
        writeText(folder + "/clip.avs", cases[i].script);
        const FrontEnd run =
            encodeThroughFrontEnd("fe-avs" + std::to_string(i), cases[i].setup,
                                  "*INFILE " + folder + "/clip.avs\n*OUTFILE PROG/out.m2v\n*1PASS\n");
        ASSERT_NE(run.status.find("\" encoding finished"), std::string::npos) << run.status;
        const Decoded decoded = decodeWithFfmpeg(run.path("out.m2v"));
        EXPECT_EQ(decoded.luma.size(), 20u) << cases[i].script;
        EXPECT_EQ(decoded.width, 352);
        EXPECT_EQ(decoded.height, 288);
        if (i < 2) { // the ramp: Y = x + y + frame, modulo 256
            EXPECT_NEAR(decoded.luma[3][10 * 352 + 20], 33, 6) << cases[i].script;
        }
    }
}

bool onPath(const char* program) {
    return std::system((std::string("command -v ") + program + " > /dev/null 2>&1").c_str()) == 0;
}

// The DVD chain: a DVD-compliant encode with chapters, muxed with audio by FFmpeg's DVD muxer, is taken
// by dvdauthor with chapter points at the chapter frames' times.
TEST(FrontEndEncode, DvdauthorTakesTheMuxedTitleWithItsChapters) {
    if (!onPath("dvdauthor") || !onPath("ffmpeg")) GTEST_SKIP() << "dvdauthor or ffmpeg is not installed";
    mivo::test::StreamSpec spec;
    spec.frames = 100;
    spec.interlaced = true;
    const FrontEnd run = encodeThroughFrontEnd(
        "fe-dvd", "decoder 16 mpeg2\n",
        "*INFILE " + d2vSource(spec, "dvd") + "\n*OUTFILE PROG/title.m2v\n*ASPECT 4:3\n*CHAPTER 2\n25 75\n");
    ASSERT_NE(run.status.find("\" encoding finished\""), std::string::npos) << run.status;
    const std::string mux =
        "cd '" + run.folder +
        "' && ffmpeg -v error -y -fflags +genpts -i title.m2v -f lavfi -i "
        "sine=frequency=440:sample_rate=48000:"
        "duration=4 -c:v copy -c:a mp2 -b:a 192k -f dvd -muxrate 10080000 -packetsize 2048 title.mpg";
    ASSERT_EQ(std::system(mux.c_str()), 0);
    // Chapter points in the form the Chapters page exports for dvdauthor, at 25 frames a second.
    SourceState source;
    const auto chapters = std::make_unique<Settings>(source);
    chapters->chapterCount = 3;
    chapters->chapterFrames[1] = 25, chapters->chapterFrames[2] = 75;
    std::string times = lists::chapterTimesText(*chapters, 25.0);
    ASSERT_EQ(times, "0:00:00.000,0:00:01.000,0:00:03.000\r\n");
    times.resize(times.size() - 2);
    const std::string author = "cd '" + run.folder + "' && VIDEO_FORMAT=PAL dvdauthor -o dvd -t -c " + times +
                               " -f title.mpg > author.txt 2>&1 && VIDEO_FORMAT=PAL dvdauthor -o dvd -T >> "
                               "author.txt 2>&1";
    EXPECT_EQ(std::system(author.c_str()), 0) << readText(run.path("author.txt"));
    EXPECT_TRUE(fs::exists(run.path("dvd/VIDEO_TS/VTS_01_1.VOB")));
    const std::string said = readText(run.path("author.txt"));
    EXPECT_EQ(said.find("ERR:"), std::string::npos) << said;
    // Each chapter starts a VOBU of its own, at its frame's time: its GOP is closed, nothing before it.
    for (const char* at : {"VTS[1/1] 0.000", "VTS[1/1] 1.000", "VTS[1/1] 3.000"})
        EXPECT_NE(said.find(std::string("CHAPTERS: ") + at), std::string::npos) << said;
}

} // namespace
} // namespace mivo::encoder::test
