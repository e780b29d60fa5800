// The encoder back end: the job it makes of an ini file, and whole runs of the program placed in a
// folder of its own beside a Mivo.ini, as the front-end starts it.

#include "encode_job.h"
#include "segment_plan.h"
#include "stream_checks.h"
#include "stream_maker.h"
#include "test_support.h"

#include "clip_maker.h"

#include "base/whole_file.h"
#include "core/matrix/builtin_matrices.h"
#include "core/settings/ini_codec.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>

namespace mivo::encoder {
namespace {

namespace fs = std::filesystem;
namespace streams = mivo::encoder::test;
using mivo::test::readText;
using mivo::test::writeText;

// --- the job made of an ini text -----------------------------------------------------------

struct Planned {
    bool ok = false;
    EncodeJob job;
    std::string error;
};

Planned plan(const std::string& ini, const std::set<std::string>& existing) {
    SourceState source;
    auto settings = std::make_unique<Settings>(source);
    IniInputCheck check;
    check.fileExists = [&](const std::string& p) { return existing.count(p) > 0; };
    check.classify = [](const std::string&) { return IniInputOutcome::Accepted; };
    settings->setStartUpValues();
    settings->smp = true; // as the reset leaves it on a machine of two processors
    parseIni(ini, IniMode::Default, *settings, check);
    Planned p;
    p.ok = planJob(*settings, source, p.job, p.error);
    return p;
}

const std::string kFiles = "*INFILE /v/a.d2v\n*OUTFILE /v/a.m2v\n";

TEST(EncodeJob, SettingsBecomeDvdLimitedEncoderOptions) {
    const std::set<std::string> here{"/v/a.d2v"};

    // The defaults: two-pass VBR, 4000 of at most 8000 kbit/s, autogop 15 with 2 B-frames, 16:9.
    Planned p = plan(kFiles, here);
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_TRUE(p.job.twoPass);
    EXPECT_EQ(p.job.bitrateKbps, 4000);
    EXPECT_EQ(p.job.maxBitrateKbps, 8000);
    EXPECT_EQ(p.job.gopLength, 15);
    EXPECT_EQ(p.job.bFrames, 2);
    EXPECT_EQ(p.job.aspectRatio, 3);
    EXPECT_EQ(p.job.dcPrecision, 9);
    EXPECT_TRUE(p.job.logFile.empty());

    // Rates above the DVD ceiling come down to it; the average never exceeds the maximum.
    p = plan(kFiles + "*BITRATE 11000\n*MAXBITRATE 15000\n*1PASS\n*LOGFILE /v/a.log\n", here);
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.job.maxBitrateKbps, kDvdMaxBitrateKbps);
    EXPECT_EQ(p.job.bitrateKbps, kDvdMaxBitrateKbps);
    EXPECT_FALSE(p.job.twoPass);
    EXPECT_EQ(p.job.logFile, "/v/a.log");

    // Constant quantisation is one pass; *CQ_MAXBITRATE carries its own value.
    p = plan(kFiles + "*CQ_MAXBITRATE  3.5\n", here);
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_TRUE(p.job.constantQuant);
    EXPECT_FALSE(p.job.twoPass);
    EXPECT_FLOAT_EQ(p.job.quantiser, 3.5f);

    // GOP, B-frames, field order and the pan-scan aspect.
    p = plan(kFiles + "*GOP 36 3\n*B3\n*DVSOURCE\n*ASPECT 4:3\n*DC_PREC 11\n*CLOSEDGOPS\n", here);
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.job.gopLength, 36);
    EXPECT_EQ(p.job.bFrames, 3);
    EXPECT_EQ(p.job.scan, Scan::Interlaced);
    EXPECT_FALSE(p.job.topFieldFirst); // DV is bottom field first
    EXPECT_TRUE(p.job.closedGops);
    EXPECT_EQ(p.job.aspectRatio, 2);

    // Fitted to a DVD picture: GOP 15 at 25 fps, 18 at 29.97, DC precision 10; HD keeps both.
    EncodeJob pal = p.job, ntsc = p.job, hd = p.job;
    std::string error;
    ASSERT_TRUE(fitToSource(pal, {720, 576, 25, 1, 100}, error));
    EXPECT_EQ(pal.gopLength, 15);
    EXPECT_EQ(pal.dcPrecision, 10);
    EXPECT_EQ(jobFrameCount(pal), 100);
    ASSERT_TRUE(fitToSource(ntsc, {720, 480, 30000, 1001, 100}, error));
    EXPECT_EQ(ntsc.gopLength, 18);
    ASSERT_TRUE(fitToSource(hd, {1920, 1080, 25, 1, 100}, error));
    EXPECT_EQ(hd.gopLength, 36);
    EXPECT_EQ(hd.dcPrecision, 11);

    // B-frames stay below the GOP length; the frame range is held to the source.
    p = plan(kFiles + "*GOP 2 2\n*FRAMES 10 500\n", here);
    ASSERT_TRUE(p.ok) << p.error;
    ASSERT_TRUE(fitToSource(p.job, {720, 576, 25, 1, 100}, error));
    EXPECT_EQ(p.job.bFrames, 1);
    EXPECT_EQ(p.job.startFrame, 10);
    EXPECT_EQ(p.job.endFrame, 99);
    p = plan(kFiles + "*FRAMES 150 200\n", here);
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_FALSE(fitToSource(p.job, {720, 576, 25, 1, 100}, error));
    EXPECT_NE(error.find("no frame to encode"), std::string::npos) << error;

    // A time code's frame field stays below the frame rate.
    p = plan(kFiles + "*TIMECODE 1 2 3 40\n", here);
    ASSERT_TRUE(p.ok) << p.error;
    ASSERT_TRUE(fitToSource(p.job, {720, 480, 30000, 1001, 100}, error));
    EXPECT_EQ(p.job.timecode, (std::array<int, 4>{1, 2, 3, 29}));
}

// An ini block of 64 + 64 values, 16 to a line.
std::string customMatrixBlock(const MatrixPair& p) {
    std::string out = "*CUSTOMMATRIX\n";
    for (const MatrixValues* m : {&p.intra, &p.nonIntra})
        for (std::size_t i = 0; i < 64; ++i)
            out += std::to_string((*m)[i]) + (i % 16 == 15 ? "\n" : " ");
    return out;
}

TEST(EncodeJob, TheMatricesAreTheChosenBuiltInPairOrTheCustomOne) {
    const std::set<std::string> here{"/v/a.d2v"};
    MatrixPair mine;
    for (std::size_t i = 0; i < 64; ++i) {
        mine.intra[i] = 9 + static_cast<int>(i);
        mine.nonIntra[i] = 255 - static_cast<int>(i);
    }
    MatrixPair mineDc8 = mine;
    mineDc8.intra[0] = 8;
    const std::pair<std::string, const MatrixPair*> cases[] = {
        {"", &builtInMatrix(1)->pair},
        {"*MATRIX hvsbest\n", &builtInMatrix(9)->pair},
        {"*MATRIX mpegstd\n", &builtInMatrix(16)->pair},
        {"*MATRIX fancy\n", &builtInMatrix(1)->pair},
        {"*MATRIX rux2\n" + customMatrixBlock(mine), &mineDc8}, // the intra DC entry is always 8
    };
    for (const auto& [lines, expected] : cases) {
        const Planned p = plan(kFiles + lines, here);
        ASSERT_TRUE(p.ok) << p.error;
        EXPECT_EQ(p.job.intraMatrix, expected->intra) << lines;
        EXPECT_EQ(p.job.nonIntraMatrix, expected->nonIntra) << lines;
    }
}

TEST(EncodeJob, UnusableSettingsAreRefusedWithAReason) {
    const std::set<std::string> here{"/v/a.d2v", "/v/a.mkv"};
    const auto refused = [&](const std::string& ini, const std::string& reason) {
        const Planned p = plan(ini, here);
        EXPECT_FALSE(p.ok) << ini;
        EXPECT_NE(p.error.find(reason), std::string::npos) << p.error;
    };
    refused("*OUTFILE /v/a.m2v\n", "no input file");
    refused("*INFILE /v/gone.d2v\n*OUTFILE /v/a.m2v\n", "input file not found: /v/gone.d2v");
    refused("*INFILE /v/a.d2v\n", "no output file");
    refused(kFiles + "*BITRATE 0\n", "*BITRATE must be at least 1");
    refused(kFiles + "*MAXBITRATE -5\n", "*MAXBITRATE must be at least 1");
    MatrixPair zero = builtInMatrix(1)->pair;
    zero.nonIntra[9] = 0;
    refused(kFiles + customMatrixBlock(zero), "*CUSTOMMATRIX values must lie in 1..255");
    // Output sizes the encoder cannot take, before any frame is read.
    refused(kFiles + "*FRAMESIZE 721 576\n", "*FRAMESIZE: frame size 721 x 576 is not even");
    const Planned sized = plan(kFiles + "*FRAMESIZE 704 480\n", here);
    ASSERT_TRUE(sized.ok) << sized.error;
    EXPECT_EQ(sized.job.frameWidth, 704);
    EXPECT_EQ(sized.job.frameHeight, 480);
}

// --- whole runs of the program ----------------------------------------------------------------

using streams::Decoded;
using streams::summarise;

double meanDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    if (a.size() != b.size() || a.empty()) return 1e9;
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        sum += std::abs(int(a[i]) - int(b[i]));
    return sum / double(a.size());
}

// The planes of frame k: Y, Cb, Cr.
std::array<const std::vector<std::uint8_t>*, 3> planes(const Decoded& d, std::size_t k) {
    return {&d.luma[k], &d.chroma[k][0], &d.chroma[k][1]};
}

struct GopFacts {
    int count = 0, closed = 0, longest = 0;
    std::vector<int> timecodeFrames, pictures; // each GOP's time code in frames at 25 fps, its pictures
};

GopFacts gopsOf(const streams::StreamSummary& s) {
    GopFacts g;
    for (const streams::CodedPicture& p : s.pictures) {
        if (p.opensGop) {
            ++g.count;
            g.closed += p.closedGop;
            g.timecodeFrames.push_back(((p.timecode[0] * 60 + p.timecode[1]) * 60 + p.timecode[2]) * 25 +
                                       p.timecode[3]);
            g.pictures.push_back(0);
        }
        if (!g.pictures.empty()) g.longest = std::max(g.longest, ++g.pictures.back());
    }
    return g;
}

// A program folder of the encoder's own: the program under its contract name and the decoder library.
struct EncoderFolder {
    std::string dir;
    explicit EncoderFolder(const std::string& name) : dir(mivo::test::scratchFolder(name)) {
        fs::copy_file(MIVO_ENCODER_PROGRAM, dir + "/Dazuzer_024.exe");
        fs::create_directories(dir + "/DGDecode");
        fs::copy_file(MIVO_DECODER_LIBRARY, dir + "/DGDecode/DGDecode16.dll");
    }
    std::string path(const std::string& name) const { return dir + "/" + name; }
    // Starts the encoder with no arguments in its folder; its exit code, stderr kept.
    int run(const std::string& processors = "2") const {
        const std::string command = "cd '" + dir + "' && NUMBER_OF_PROCESSORS=" + processors +
                                    " ./Dazuzer_024.exe > stdout.txt 2> stderr.txt";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string errors() const { return readText(path("stderr.txt")); }
};

std::string projectOf(const mivo::test::StreamSpec& spec, const EncoderFolder& folder) {
    const std::string stream = mivo::test::makeStream(spec);
    const std::string project = folder.path("source.d2v");
    mivo::test::indexProject({stream}, project);
    return project;
}

TEST(EncoderProgram, TwoPassEncodeGivesADvdStreamOfTheChosenFrames) {
    EncoderFolder folder("encoder-two-pass");
    mivo::test::StreamSpec spec;
    spec.frames = 36;
    const std::string project = projectOf(spec, folder);
    writeText(folder.path("Mivo.ini"), "*INFILE           " + project + "\r\n*OUTFILE          " +
                                           folder.path("out.m2v") + "\r\n*LOGFILE          " +
                                           folder.path("enc.log") +
                                           "\r\n*BITRATE          6000\r\n*MAXBITRATE       12000\r\n"
                                           "*FRAMES           3 32\r\n*ASPECT           4:3\r\n"
                                           "*GOP              12 2\r\n*DC_PREC          10\r\n"
                                           "*CLOSEDGOPS\r\n*PROGRESSIVE\r\n*TIMECODE        1  2  3  4\r\n"
                                           "*MATRIX           notch\r\n");
    ASSERT_EQ(folder.run(), 0) << folder.errors();

    const Decoded out = streams::decodeWithFfmpeg(folder.path("out.m2v"));
    EXPECT_EQ(out.width, 720);
    EXPECT_EQ(out.height, 576);
    ASSERT_EQ(out.luma.size(), 30u);

    // Each output frame is its source frame, planes in their places (a chroma swap or an offset by one
    // frame shows as a large difference).
    const Decoded source = streams::decodeWithFfmpeg(mivo::test::makeStream(spec));
    ASSERT_EQ(source.luma.size(), 36u);
    for (std::size_t k = 0; k < out.luma.size(); k += 7)
        for (int p = 0; p < 3; ++p)
            EXPECT_LT(meanDifference(*planes(out, k)[p], *planes(source, k + 3)[p]), 4.0)
                << "frame " << k << " plane " << p;
    EXPECT_GT(meanDifference(out.luma[0], source.luma[4]), 4.0);

    const streams::StreamSummary h = summarise(mivo::test::readFile(folder.path("out.m2v")));
    const GopFacts gops = gopsOf(h);
    EXPECT_EQ(h.aspectCode, 2);               // 4:3
    EXPECT_EQ(h.bitRateValue, 9800000 / 400); // the DVD ceiling, not the ini's 12000
    EXPECT_EQ(h.vbvSizeValue, kDvdVbvBufferBits / 16384);
    EXPECT_EQ(h.dcPrecision, 10);
    EXPECT_EQ(h.pictures.size(), 30u);
    EXPECT_GE(gops.count, 3);
    EXPECT_EQ(gops.closed, gops.count);
    EXPECT_LE(gops.longest, 12);
    EXPECT_TRUE(h.endsWithSequenceEnd);
    EXPECT_EQ(h.pictures.front().timecode, (std::array<int, 4>{1, 2, 3, 4}));
    EXPECT_EQ(h.matrices, builtInMatrix(3)->pair);

    const std::string log = readText(folder.path("enc.log"));
    EXPECT_NE(log.find("pass 2 of 2"), std::string::npos) << log;
    EXPECT_NE(log.find("lowered to the DVD limit 9800"), std::string::npos) << log;
    EXPECT_NE(log.find("done: 30 frames"), std::string::npos) << log;
    EXPECT_FALSE(fs::exists(temporaryBeside(folder.path("out.m2v"))));
}

TEST(EncoderProgram, AVideoFileIsEncodedFrameForFrameThroughTheFrameExactLayer) {
    EncoderFolder folder("encoder-video-file");
    const std::string clip = folder.path("source.mkv");
    fs::copy_file(mivo::test::clipPath(mivo::test::clipNamed("opengop_pyramid.mkv")), clip,
                  fs::copy_options::overwrite_existing);
    writeText(folder.path("Mivo.ini"), "*INFILE           " + clip + "\r\n*OUTFILE          " +
                                           folder.path("out.m2v") +
                                           "\r\n*FRAMES           37 96\r\n*ASPECT           4:3\r\n"
                                           "*GOP              12 2\r\n*PROGRESSIVE\r\n");
    ASSERT_EQ(folder.run(), 0) << folder.errors();

    const Decoded out = streams::decodeWithFfmpeg(folder.path("out.m2v"));
    EXPECT_EQ(out.width, 352);
    EXPECT_EQ(out.height, 288);
    ASSERT_EQ(out.luma.size(), 60u);
    // Frames in the middle of open GOPs with B pyramids, each the source frame of its number: nearer to
    // it than to its neighbours (the picture moves little from one frame to the next).
    const Decoded source = streams::decodeWithFfmpeg(clip);
    ASSERT_EQ(source.luma.size(), 200u);
    for (std::size_t k = 0; k < out.luma.size(); k += 3) {
        const std::size_t own = k + 37;
        for (int p = 0; p < 3; ++p)
            EXPECT_LT(meanDifference(*planes(out, k)[p], *planes(source, own)[p]), 4.0)
                << k << " plane " << p;
        for (std::size_t other : {own - 1, own + 1})
            EXPECT_LT(meanDifference(out.luma[k], source.luma[own]),
                      meanDifference(out.luma[k], source.luma[other]))
                << "frame " << k << " is nearer source frame " << other;
    }
    // The index was kept beside the file, for the front-end and the next run.
    EXPECT_TRUE(fs::exists(clip + ".mvidx"));
}

// Each frame's PSNR (Y, U, V) of `encoded` against the source after `filter`, by FFmpeg's psnr filter;
// both decoded by FFmpeg and paired by frame number (an elementary stream's time stamps are guessed).
std::vector<std::array<double, 3>> psnrAgainst(const std::string& encoded, const std::string& source,
                                               const std::string& filter, const std::string& statsFile) {
    const std::string command = "ffmpeg -v error -y -i '" + encoded + "' -i '" + source +
                                "' -filter_complex '[0:v]setpts=N/(25*TB)[out];[1:v]setpts=N/(25*TB)," +
                                filter + "[ref];[out][ref]psnr=stats_file=" + statsFile + "' -f null -";
    std::vector<std::array<double, 3>> frames;
    if (std::system(command.c_str()) != 0) return frames;
    std::istringstream lines(readText(statsFile));
    for (std::string line; std::getline(lines, line);) {
        std::array<double, 3> planes{};
        for (std::size_t p = 0; p < 3; ++p) {
            const std::string key = std::string("psnr_") + "yuv"[p] + ":";
            const std::size_t at = line.find(key);
            planes[p] = at == std::string::npos ? 0.0 : std::atof(line.c_str() + at + key.size());
        }
        frames.push_back(planes);
    }
    return frames;
}

// The window over a video file, as a user goes: open it, step, save a bitmap, scan, set a chapter, give
// the output size and 16:9 on the pages, then "encode" with the real back end. What the runner printed.
std::string encodeThroughWindow(const EncoderFolder& folder, const std::string& clip) {
    fs::create_directories(folder.path("prog"));
    writeText(folder.path("window.scn"),
              "encoder real\nstart\nanswer-file " + clip + "\nclick main 1110\nprint status\nanswer-file " +
                  folder.path("out.m2v") + "\nclick main 1111\nanswer-file " + folder.path("enc.log") +
                  "\nclick main 1112\ntab 7\nclick zones 1608\nclick zones 1715\nprint status\n"
                  "tab 6\nclick chapters 1617\nwait-scan\ntype chapters 1603 25\nclick chapters 1615\n"
                  "print list chapters 1604\ntab 4\ntype settings3 1433 720\ntype settings3 1434 576\n"
                  "tab 1\nclick main 1135\ntype main 1123 8000\nleave\nclick window 1003\nprint status\n"
                  "close\n");
    const std::string command = "QT_QPA_PLATFORM=offscreen '" MIVO_SCENARIO_RUNNER "' --program-folder '" +
                                folder.path("prog") + "' '" + folder.path("window.scn") + "' > '" +
                                folder.path("printed.txt") + "' 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << readText(folder.path("printed.txt"));
    return readText(folder.path("printed.txt"));
}

// *FRAMESIZE 720 576 over a 1080p H.264 clip: every frame comes out 720 x 576 and follows FFmpeg's own
// scaling of the source; shown 4:3, the 16:9 picture keeps its shape between black bars. The 16:9
// encode is the window's, the 4:3 one the back end's own from an ini file.
TEST(EncoderProgram, AFrameSizeScalesEveryFrameToItKeepingTheSourcesShape) {
    const std::string clip = mivo::test::makeClip(
        "h264_1080p.mkv", "-f lavfi -i 'testsrc2=s=1920x1080:r=25:d=2' -c:v libx264 -preset veryfast -g 25");
    // FFmpeg's scale=720:576 told where 4:2:0 chroma lies (beside the first column, between two lines, as
    // in MPEG-2 and this H.264 clip); left unsaid it takes chroma to be centred and moves it.
    const std::string scale = ":in_h_chr_pos=0:in_v_chr_pos=128:out_h_chr_pos=0:out_v_chr_pos=128";
    struct Case {
        const char* aspect;
        std::string reference; // FFmpeg's scaling of the source to the frame we expect
        int pictureTop;        // first line of the picture; the lines above it are black
    };
    const Case cases[] = {{"16:9", "scale=720:576" + scale, 0},
                          {"4:3", "scale=720:432" + scale + ",pad=720:576:0:72", 72}};
    for (const Case& c : cases) {
        EncoderFolder folder(std::string("encoder-frame-size-") + (c.pictureTop ? "letterbox" : "full"));
        if (!c.pictureTop) {
            const std::string printed = encodeThroughWindow(folder, clip);
            EXPECT_NE(printed.find("status: \" bitmap created:"), std::string::npos) << printed;
            EXPECT_NE(printed.find(" 25\"\n"), std::string::npos) << printed;
            EXPECT_NE(printed.find("status: \" encoding finished\""), std::string::npos) << printed;
            EXPECT_NE(readText(folder.path("enc.log")).find(", 1 chapters,"), std::string::npos);
        } else {
            writeText(folder.path("Mivo.ini"),
                      "*INFILE           " + clip + "\r\n*OUTFILE          " + folder.path("out.m2v") +
                          "\r\n*ASPECT           " + c.aspect +
                          "\r\n*FRAMESIZE        720 576\r\n*BITRATE          8000\r\n"
                          "*PROGRESSIVE\r\n*LOGFILE          " +
                          folder.path("enc.log") + "\r\n");
            ASSERT_EQ(folder.run(), 0) << folder.errors();
        }

        EXPECT_EQ(summarise(mivo::test::readFile(folder.path("out.m2v"))).aspectCode, c.pictureTop ? 2 : 3);
        const Decoded out = streams::decodeWithFfmpeg(folder.path("out.m2v"));
        ASSERT_EQ(out.luma.size(), 50u) << "every frame of the clip";
        EXPECT_EQ(out.width, 720);
        EXPECT_EQ(out.height, 576);

        const auto psnr = psnrAgainst(folder.path("out.m2v"), clip, c.reference, folder.path("psnr.txt"));
        ASSERT_EQ(psnr.size(), 50u);
        std::array<double, 3> lowest{99, 99, 99}, mean{};
        for (const auto& frame : psnr)
            for (std::size_t p = 0; p < 3; ++p) {
                lowest[p] = std::min(lowest[p], frame[p]);
                mean[p] += frame[p] / static_cast<double>(psnr.size());
            }
        std::printf(
            "FRAMESIZE 720 576, %s: PSNR against FFmpeg's scaling, mean (lowest) Y %.2f (%.2f), U %.2f "
            "(%.2f), V %.2f (%.2f) dB\n",
            c.aspect, mean[0], lowest[0], mean[1], lowest[1], mean[2], lowest[2]);
        for (std::size_t p = 0; p < 3; ++p)
            EXPECT_GT(lowest[p], 45.0) << c.aspect << " plane " << p;
        // The same measure tells a picture that does not follow the source: the reference upside down.
        const auto flipped =
            psnrAgainst(folder.path("out.m2v"), clip, c.reference + ",vflip", folder.path("flip.txt"));
        ASSERT_EQ(flipped.size(), 50u);
        for (const auto& frame : flipped)
            EXPECT_LT(frame[0], 30.0) << c.aspect;

        // Black bars: studio black and neutral chroma on the lines above the picture, up to the last
        // macroblock row that holds none of the picture (the coding of the row across the edge rings).
        const std::size_t lumaBar = static_cast<std::size_t>(c.pictureTop / 16 * 16) * 720;
        for (std::size_t k = 0; k < out.luma.size(); k += 10) {
            for (std::size_t i = 0; i < lumaBar; i += 7)
                ASSERT_NEAR(out.luma[k][i], 16, 2) << "frame " << k << " byte " << i;
            for (const auto& plane : out.chroma[k])
                for (std::size_t i = 0; i < lumaBar / 4; i += 7)
                    ASSERT_NEAR(plane[i], 128, 2) << "frame " << k << " byte " << i;
        }
        const std::string log = readText(folder.path("enc.log"));
        EXPECT_NE(log.find("pictures scaled from 1920 x 1080 to 720 x 576"), std::string::npos) << log;
    }
}

TEST(EncoderProgram, OnePassAndConstantQuantiserUseTheLibraryBesideTheProgram) {
    EncoderFolder folder("encoder-one-pass");
    mivo::test::StreamSpec spec;
    spec.frames = 24;
    spec.interlaced = true;
    spec.bottomFirst = true;
    const std::string project = projectOf(spec, folder);
    // The front-end's copy beside the program wins over the DGDecode folder.
    fs::remove(folder.path("DGDecode/DGDecode16.dll"));
    fs::copy_file(MIVO_DECODER_LIBRARY, folder.path("DGDecode.dll"));
    const std::string files = "*INFILE  " + project + "\n*OUTFILE " + folder.path("out.m2v") + "\n";

    writeText(folder.path("Mivo.ini"), files + "*1PASS\n*INTERLACED\n*BFF\n*NOSEQ_ENDCODE\n");
    ASSERT_EQ(folder.run(), 0) << folder.errors();
    Decoded out = streams::decodeWithFfmpeg(folder.path("out.m2v"));
    EXPECT_EQ(out.luma.size(), 24u);
    EXPECT_FALSE(summarise(mivo::test::readFile(folder.path("out.m2v"))).endsWithSequenceEnd);

    writeText(folder.path("Mivo.ini"), files + "*CQ 2\n");
    ASSERT_EQ(folder.run(), 0) << folder.errors();
    const auto fine = fs::file_size(folder.path("out.m2v"));
    writeText(folder.path("Mivo.ini"), files + "*CQ 20\n");
    ASSERT_EQ(folder.run(), 0) << folder.errors();
    const auto coarse = fs::file_size(folder.path("out.m2v"));
    EXPECT_GT(fine, coarse * 2); // the quantiser really reaches the encoder
    out = streams::decodeWithFfmpeg(folder.path("out.m2v"));
    EXPECT_EQ(out.luma.size(), 24u);
}

TEST(EncoderProgram, AutoDetectFollowsTheSourceAndBetterProfilesSpendFewerBitsOnOneQuantiser) {
    EncoderFolder folder("encoder-scan-profile");
    for (const bool interlaced : {false, true}) {
        mivo::test::StreamSpec spec;
        spec.frames = 24;
        spec.interlaced = interlaced;
        const std::string files = "*INFILE  " + projectOf(spec, folder) + "\n*OUTFILE " +
                                  folder.path("out.m2v") + "\n*BITRATE 4000\n";
        writeText(folder.path("Mivo.ini"), files);
        ASSERT_EQ(folder.run(), 0) << folder.errors();
        const std::vector<std::uint8_t> detected = mivo::test::readFile(folder.path("out.m2v"));
        EXPECT_EQ(summarise(detected).progressiveSequence, !interlaced);
        // "Auto detect" codes exactly as the matching explicit choice does.
        writeText(folder.path("Mivo.ini"), files + (interlaced ? "*INTERLACED\n" : "*PROGRESSIVE\n"));
        ASSERT_EQ(folder.run(), 0) << folder.errors();
        EXPECT_TRUE(mivo::test::readFile(folder.path("out.m2v")) == detected) << interlaced;
    }
    // Each profile reaches the encoder; trellis quantisation with rate-distortion decisions codes the
    // same quantiser in fewer bits than the plain decisions.
    std::map<std::string, std::vector<std::uint8_t>> coded;
    for (const char* profile : {"fast", "normal", "best"}) {
        writeText(folder.path("Mivo.ini"), "*INFILE  " + folder.path("source.d2v") + "\n*OUTFILE " +
                                               folder.path("out.m2v") + "\n*CQ 4\n*PROFILE " + profile +
                                               "\n");
        ASSERT_EQ(folder.run(), 0) << folder.errors();
        coded[profile] = mivo::test::readFile(folder.path("out.m2v"));
    }
    EXPECT_NE(coded["normal"], coded["fast"]);
    EXPECT_LT(coded["best"].size(), coded["fast"].size());
}

TEST(EncoderProgram, SegmentsEncodedSideBySideJoinIntoTheStreamOneThreadWrites) {
    EncoderFolder folder("encoder-segments");
    mivo::test::StreamSpec spec;
    spec.width = 352;
    spec.height = 288;
    spec.frames = 197;
    const int kbps = 1200, frames = 194;
    const std::string ini = "*INFILE  " + projectOf(spec, folder) + "\n*OUTFILE " + folder.path("out.m2v") +
                            "\n*LOGFILE " + folder.path("enc.log") + "\n*BITRATE " + std::to_string(kbps) +
                            "\n*MAXBITRATE 2000\n*FRAMES 2 195\n*GOP 12 2\n*TIMECODE 10 0 0 0\n";
    writeText(folder.path("Mivo.ini"), ini + "*NOSMP\n");
    ASSERT_EQ(folder.run(), 0) << folder.errors();
    const std::vector<std::uint8_t> oneThread = mivo::test::readFile(folder.path("out.m2v"));
    writeText(folder.path("Mivo.ini"), ini);
    ASSERT_EQ(folder.run(), 0) << folder.errors();
    EXPECT_NE(readText(folder.path("enc.log")).find("segments: 2, threads: 2"), std::string::npos)
        << readText(folder.path("enc.log"));
    const std::vector<std::uint8_t> stream = mivo::test::readFile(folder.path("out.m2v"));
    EXPECT_TRUE(stream == oneThread);

    // Every frame in its place, those beside the joins too.
    const Decoded out = streams::decodeWithFfmpeg(folder.path("out.m2v"));
    const Decoded source = streams::decodeWithFfmpeg(mivo::test::makeStream(spec));
    ASSERT_EQ(out.luma.size(), std::size_t(frames));
    for (std::size_t k = 0; k < out.luma.size(); ++k)
        EXPECT_LT(meanDifference(out.luma[k], source.luma[k + 2]), 4.0) << k;

    // One stream: closed GOPs at the joins, time codes running on, one sequence end, the target
    // bitrate, and no picture the decoder's buffer cannot hold when it is due.
    const streams::StreamSummary h = summarise(stream);
    const GopFacts gops = gopsOf(h);
    EXPECT_GE(gops.closed, 2);
    EXPECT_EQ(h.sequenceEnds, 1);
    EXPECT_TRUE(h.endsWithSequenceEnd);
    for (std::size_t g = 1; g < gops.timecodeFrames.size(); ++g)
        EXPECT_EQ(gops.timecodeFrames[g], gops.timecodeFrames[g - 1] + gops.pictures[g - 1]) << g;
    EXPECT_EQ(gops.timecodeFrames.front(), 10 * 3600 * 25);
    // The test pattern's bits answer the quantiser weakly, which libavcodec's two-pass model does not
    // foresee: short segments overspend it by a few percent (natural pictures land within 2.5 %).
    EXPECT_NEAR(double(stream.size()) * 8 / (frames / 25.0) / 1000, kbps, kbps * 0.08);
    ASSERT_EQ(h.pictures.size(), std::size_t(frames));
    std::vector<std::int64_t> bytes;
    for (const streams::CodedPicture& p : h.pictures)
        bytes.push_back(static_cast<std::int64_t>(p.bytes));
    bool underflow = false;
    vbvLevelAfter({double(kDvdVbvBufferBits), 2000000.0 / 25}, kDvdVbvBufferBits * 0.75, bytes, underflow);
    EXPECT_FALSE(underflow);
}

TEST(EncoderProgram, GopsShareOutTheSectionsBetweenChaptersSceneCutsAndTheEnd) {
    EncoderFolder folder("encoder-gops");
    // Sections of 1, 2, 16, 17, 31 and 45 frames between chapters, then a long one that a scene cut
    // divides; two segments.
    const std::vector<int> chapters{1, 3, 19, 36, 67, 112};
    const int sceneCut = 143, frames = 260, gop = 15;
    const mivo::test::StreamSpec spec{.width = 352, .height = 288, .frames = frames, .cuts = {sceneCut}};
    std::string ini = "*INFILE " + projectOf(spec, folder) + "\n*OUTFILE " + folder.path("out.m2v") +
                      "\n*LOGFILE " + folder.path("enc.log") +
                      "\n*BITRATE 1500\n*MAXBITRATE 4000\n*GOP 15 2\n*PROGRESSIVE\n*CHAPTER 6\n";
    for (const int c : chapters)
        ini += std::to_string(c) + " ";
    std::vector<int> sections{0};
    sections.insert(sections.end(), chapters.begin(), chapters.end());
    sections.push_back(sceneCut);
    sections.push_back(frames);
    for (const bool lastIFrame : {false, true}) {
        writeText(folder.path("Mivo.ini"), ini + (lastIFrame ? "\n*LASTIFRAME\n" : "\n"));
        ASSERT_EQ(folder.run(), 0) << folder.errors();
        EXPECT_NE(readText(folder.path("enc.log")).find("segments: 2"), std::string::npos);
        const streams::StreamSummary h = summarise(mivo::test::readFile(folder.path("out.m2v")));
        const std::vector<streams::CodedPicture> shown = inDisplayOrder(h);
        ASSERT_EQ(shown.size(), std::size_t(frames));
        std::vector<int> intra;
        for (int f = 0; f < frames; ++f)
            if (shown[f].type == 1) intra.push_back(f);
        std::string where = lastIFrame ? " with *LASTIFRAME, I-frames at" : ", I-frames at";
        for (const int f : intra)
            where += " " + std::to_string(f);
        // Every section opens with an I-frame; no frame before a chapter is one unless it opens a section.
        for (std::size_t k = 0; k + 1 < sections.size(); ++k) {
            EXPECT_EQ(shown[sections[k]].type, 1) << sections[k] << where;
            if (k > 0 && sections[k] - 1 != sections[k - 1]) {
                EXPECT_NE(shown[sections[k] - 1].type, 1) << sections[k] << where;
            }
        }
        // Within a section, GOPs of at most 15 and at least half that, unless the section is shorter.
        const int last = lastIFrame ? frames - 1 : frames;
        for (std::size_t g = 0; g < intra.size() && intra[g] < last; ++g) {
            const int length = (g + 1 < intra.size() ? intra[g + 1] : frames) - intra[g];
            const auto section = std::upper_bound(sections.begin(), sections.end(), intra[g]);
            const int sectionLength = std::min(*section, last) - *(section - 1);
            EXPECT_LE(length, gop) << intra[g] << where;
            EXPECT_GE(length, std::min(sectionLength, (gop + 1) / 2)) << intra[g] << where;
        }
        EXPECT_EQ(shown.back().type == 1, lastIFrame);
        // In the stream, each I-frame opens a GOP of at most 15 pictures.
        for (const streams::CodedPicture& p : h.pictures)
            EXPECT_EQ(p.opensGop, p.type == 1) << p.displayIndex << where;
        EXPECT_LE(gopsOf(h).longest, gop) << where;
    }
}

TEST(EncoderProgram, EachMpegLevelDeclaresItsProfileAndRefusesWhatItsBoundsExclude) {
    EncoderFolder folder("encoder-levels");
    struct Case {
        int width, height, rate;
        const char* level;
        bool chroma422;
        int profileAndLevel; // 0: refused with `refusal`
        const char* refusal;
    };
    const Case cases[] = {
        {720, 576, 25, "MP@ML", false, 0x48, ""},
        {720, 576, 25, "MP@ML", true, 0x85, ""},
        {1440, 1080, 25, "MP@H-14", false, 0x46, ""},
        {1440, 1080, 25, "MP@H-14", true, 0x82, ""},
        {1920, 1080, 25, "MP@HL", false, 0x44, ""},
        {1920, 1080, 25, "MP@HL", true, 0x82, ""},
        {720, 576, 25, "MP@HL", false, 0x44, ""}, // a level is an upper bound
        {1440, 1080, 25, "MP@ML", false, 0, "1440 x 1080 is larger than the 720 x 576 allowed at MP@ML"},
        {1920, 1080, 25, "MP@H-14", false, 0, "larger than the 1440 x 1152 allowed at MP@H-14"},
        {720, 576, 50, "MP@ML", false, 0, "frame rate of 50 is above the 30 allowed at MP@ML"},
    };
    for (const Case& c : cases) {
        const std::string where = std::string(c.level) + " " + std::to_string(c.width) + "/" +
                                  std::to_string(c.rate) + (c.chroma422 ? " 4:2:2" : "");
        mivo::test::StreamSpec spec{
            .width = c.width, .height = c.height, .rateNum = c.rate, .frames = 4, .gop = 4};
        const std::string out = folder.path("out.m2v");
        fs::remove(out);
        writeText(folder.path("Mivo.ini"), "*INFILE " + projectOf(spec, folder) + "\n*OUTFILE " + out +
                                               "\n*CQ 6\n*PROGRESSIVE\n*MPEGLEVEL " + c.level + "\n" +
                                               (c.chroma422 ? "*CHROMAFORMAT 4:2:2\n" : ""));
        const int status = folder.run();
        if (c.profileAndLevel == 0) {
            EXPECT_EQ(status, 1) << where;
            EXPECT_NE(folder.errors().find(c.refusal), std::string::npos) << where << ": " << folder.errors();
            EXPECT_FALSE(fs::exists(out)) << where;
            continue;
        }
        ASSERT_EQ(status, 0) << where << ": " << folder.errors();
        const streams::StreamSummary h = summarise(mivo::test::readFile(out));
        EXPECT_EQ(h.profileLevel, c.profileAndLevel) << where;
        EXPECT_EQ(h.chromaFormat, c.chroma422 ? 2 : 1) << where;
        EXPECT_EQ(streams::decodeWithFfmpeg(out).luma.size(), 4u) << where;
    }
}

TEST(EncoderProgram, FailuresEndNonZeroWithAMessageAndLeaveTheOldOutput) {
    EncoderFolder folder("encoder-failures");
    mivo::test::StreamSpec spec;
    spec.frames = 12;
    const std::string project = projectOf(spec, folder);
    writeText(folder.path("out.m2v"), "earlier output");
    const std::string out =
        "*OUTFILE " + folder.path("out.m2v") + "\n*LOGFILE " + folder.path("enc.log") + "\n";

    const auto fails = [&](const std::string& reason) {
        EXPECT_EQ(folder.run(), 1) << reason;
        EXPECT_NE(folder.errors().find(reason), std::string::npos) << folder.errors();
        EXPECT_EQ(readText(folder.path("out.m2v")), "earlier output");
        EXPECT_FALSE(fs::exists(temporaryBeside(folder.path("out.m2v"))));
    };

    fails("Mivo.ini not found");
    writeText(folder.path("Mivo.ini"), out + "*INFILE " + project + "\n*BITRATE six\n");
    fails("error processing ini file:: *BITRATE");
    writeText(folder.path("Mivo.ini"), out + "*INFILE " + folder.path("gone.d2v") + "\n");
    fails("input file not found");
    EXPECT_NE(readText(folder.path("enc.log")).find("ERROR: input file not found"), std::string::npos);
    writeText(folder.path("script.avs"), "Version()\n");
    writeText(folder.path("Mivo.ini"), out + "*INFILE " + folder.path("script.avs") + "\n");
    fails("no frame server (AviSynth+ libavisynth.so) found");
    writeText(folder.path("Mivo.ini"), out + "*INFILE " + project + "\n*FRAMES 40 50\n");
    fails("leaves no frame to encode");
    // libavcodec's two-pass rate control aborts the process when it refuses a bitrate; asked first,
    // the refusal is a message.
    writeText(folder.path("Mivo.ini"), out + "*INFILE " + project + "\n*BITRATE 20\n");
    fails("finds no quantisers");

    // A project whose video file is gone, and one of a version without a library.
    writeText(folder.path("broken.d2v"), "DGIndexProjectFile16\n1\n" + folder.path("nothing.m2v") + "\n\n");
    writeText(folder.path("Mivo.ini"), out + "*INFILE " + folder.path("broken.d2v") + "\n");
    fails("video files that cannot be found");
    std::string old = readText(project);
    old.replace(old.find("16"), 2, "99");
    writeText(folder.path("old.d2v"), old);
    writeText(folder.path("Mivo.ini"), out + "*INFILE " + folder.path("old.d2v") + "\n");
    fails("no decoder library for D2V project version 99");

    // A library that is not one.
    fs::remove(folder.path("DGDecode/DGDecode16.dll"));
    writeText(folder.path("DGDecode.dll"), "not a library");
    writeText(folder.path("Mivo.ini"), out + "*INFILE " + project + "\n");
    fails("cannot load the decoder library");
}

} // namespace
} // namespace mivo::encoder
