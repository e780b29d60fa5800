// The two-pass rate control against its target: generated cases over the DVD bitrates on a clean and a
// grainy source, in one and in two segments, over a sub-range, with zones and with 3:2 pulldown; and
// zones that move their frames' bits by their factor.

#include "encode_job.h"
#include "stream_checks.h"
#include "stream_maker.h"
#include "test_support.h"

#include "base/whole_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <numeric>

#include <unistd.h>

namespace mivo::encoder {
namespace {

namespace fs = std::filesystem;
using mivo::test::readText;
using mivo::test::writeText;

struct Source {
    const char* name;
    const char* graph; // FFmpeg's lavfi
    double fps;
};

// Mandelbrot zooms, slightly blurred with light grain and with strong grain; film for pulldown.
const Source kClean{"clean", "mandelbrot=s=720x576:r=25,gblur=sigma=0.8,noise=alls=3:allf=t", 25};
const Source kGrainy{"grainy", "mandelbrot=s=720x576:r=25,noise=alls=8:allf=t", 25};
const Source kFilm{"film", "mandelbrot=s=720x480:r=24000/1001,gblur=sigma=0.8,noise=alls=6:allf=t",
                   24000 / 1001.0};
const Source kHeavyGrain{"heavy-grain", "mandelbrot=s=720x576:r=25,noise=alls=12:allf=t", 25};
const Source kFlat{"flat", "color=c=0x406080:s=720x576:r=25", 25};
constexpr int kFrames = 200;

// A D2V project of the source, made once per test cache.
std::string projectOf(const Source& s) {
    const fs::path folder = fs::path(MIVO_DECODER_TEST_CACHE) / "rate-sources";
    fs::create_directories(folder);
    const std::string stream = (folder / (std::string(s.name) + ".m2v")).string();
    const std::string project = (folder / (std::string(s.name) + ".d2v")).string();
    if (!fs::exists(project)) {
        const std::string temporary = stream + ".tmp" + std::to_string(getpid());
        const std::string command =
            std::string("ffmpeg -v error -y -f lavfi -i '") + s.graph + ",format=yuv420p' -frames:v " +
            std::to_string(kFrames) +
            " -c:v mpeg2video -q:v 2 -g 12 -bf 2 -maxrate 60M -bufsize 8M -f mpeg2video '" + temporary + "'";
        if (std::system(command.c_str()) != 0) return {};
        fs::rename(temporary, stream);
        mivo::test::indexProject({stream}, project + ".tmp");
        fs::rename(project + ".tmp", project);
    }
    return project;
}

struct Encoded {
    double kbps = 0;
    std::vector<test::CodedPicture> shown;
    std::string log;
};

Encoded encode(const std::string& name, const Source& source, const std::string& options) {
    const std::string dir = mivo::test::scratchFolder(name);
    fs::copy_file(MIVO_ENCODER_PROGRAM, dir + "/Dazuzer_024.exe");
    fs::create_directories(dir + "/DGDecode");
    fs::copy_file(MIVO_DECODER_LIBRARY, dir + "/DGDecode/DGDecode16.dll");
    const std::string project = projectOf(source);
    EXPECT_FALSE(project.empty()) << "ffmpeg could not make the " << source.name << " source";
    writeText(dir + "/Mivo.ini", "*INFILE " + project + "\n*OUTFILE " + dir + "/out.m2v\n*LOGFILE " + dir +
                                     "/enc.log\n*MAXBITRATE 9800\n" + options);
    Encoded run;
    const std::string command = "cd '" + dir + "' && ./Dazuzer_024.exe > /dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << readText(dir + "/enc.log");
    run.log = readText(dir + "/enc.log");
    const test::StreamSummary s = test::summarise(mivo::test::readFile(dir + "/out.m2v"));
    run.shown = test::inDisplayOrder(s);
    const double bytes =
        std::accumulate(s.pictures.begin(), s.pictures.end(), 0.0,
                        [](double a, const test::CodedPicture& p) { return a + double(p.bytes); });
    run.kbps = run.shown.empty() ? 0 : bytes * 8 / (double(run.shown.size()) / source.fps) / 1000;
    return run;
}

// Case i of ten: each shape on each source once, the bitrate rising from 1500 to 8000 kbit/s.
struct Case {
    const Source* source;
    std::string shape, options;
    int kbps;
};

Case generated(int i) {
    static const char* const kShapes[] = {"one segment", "two segments", "sub-range", "zones", "pulldown"};
    Case c{i % 2 ? &kGrainy : &kClean, kShapes[i % 5], "", 1500 + (8000 - 1500) * i / 9};
    // GOPs of 12 give the 8-second clips enough GOPs for two segments; GOPs of 15 keep them in one.
    const std::vector<std::string> options{"*GOP 15 2\n", "*GOP 12 2\n", "*GOP 12 2\n*FRAMES 8 199\n",
                                           "*GOP 12 2\n*ZONE 2\n40 0.6 90 1.5\n", "*GOP 12 2\n*PULLDOWN\n"};
    c.options = options[std::size_t(i % 5)] + "*BITRATE " + std::to_string(c.kbps) + "\n";
    if (c.shape == "pulldown") c.source = &kFilm;
    return c;
}

class RateControl : public ::testing::TestWithParam<int> {};

TEST_P(RateControl, TwoPassLandsWithinTwoPercentOfItsTarget) {
    const Case c = generated(GetParam());
    const Encoded run = encode("rate-" + std::to_string(GetParam()), *c.source, c.options + "*PROGRESSIVE\n");
    const std::string where =
        std::string(c.source->name) + ", " + c.shape + ", " + std::to_string(c.kbps) + " kbit/s";
    EXPECT_NE(run.log.find(c.shape == "one segment" ? "segments: 1" : "segments: 2"), std::string::npos)
        << where << "\n"
        << run.log;
    EXPECT_NEAR(run.kbps, c.kbps, c.kbps * 0.02) << where << "\n" << run.log;
}

INSTANTIATE_TEST_SUITE_P(Generated, RateControl, ::testing::Range(0, 10));

// The mean bits of the frames first..last (display order).
double meanBits(const Encoded& run, int first, int last) {
    double sum = 0;
    for (int f = first; f <= last; ++f)
        sum += 8.0 * double(run.shown[std::size_t(f)].bytes);
    return sum / (last - first + 1);
}

// Zones against the same frames without zones, on light and on heavy grain (where the bits move with the
// quantiser much faster than the rate control's model has them).
struct ZoneCase {
    const Source* source;
    int kbps;
    std::vector<Zone> zones; // factor 1 zones end the ones before
};

TEST(RateControlZones, ZoneFramesGetTheirFactorOfTheBitsAndTheTitleItsAverage) {
    const ZoneCase cases[] = {
        {&kGrainy, 3000, {{24, 63, 0.5f}, {64, 79, 1.0f}, {80, 199, 1.5f}}},
        {&kHeavyGrain, 4000, {{40, 79, 0.5f}, {80, 119, 1.0f}, {120, 159, 2.0f}, {160, 199, 1.0f}}}};
    for (const ZoneCase& c : cases) {
        const std::string options = "*GOP 12 2\n*BITRATE " + std::to_string(c.kbps) + "\n*PROGRESSIVE\n";
        std::string zones = "*ZONE " + std::to_string(c.zones.size()) + "\n";
        for (const Zone& z : c.zones)
            zones += std::to_string(z.firstFrame) + " " + std::to_string(z.factor) + " ";
        const std::string name = std::string("rate-zones-") + c.source->name;
        const Encoded plain = encode(name + "-plain", *c.source, options);
        const Encoded zoned = encode(name, *c.source, options + zones + "\n");
        ASSERT_EQ(zoned.shown.size(), std::size_t(kFrames));
        EXPECT_NEAR(zoned.kbps, c.kbps, c.kbps * 0.02) << c.source->name << "\n" << zoned.log;
        for (const Zone& z : c.zones) {
            if (z.factor == 1.0f) continue;
            EXPECT_NEAR(meanBits(zoned, z.firstFrame, z.lastFrame) /
                            meanBits(plain, z.firstFrame, z.lastFrame),
                        z.factor, z.factor * 0.1)
                << c.source->name << ", zone from " << z.firstFrame << "\n"
                << zoned.log;
        }
    }
}

// Flat colour cannot take a DVD rate even at the finest quantiser: the run says so and writes what the
// picture needs.
TEST(RateControlLimits, ASourceThatCannotTakeTheTargetIsSaidToFallShort) {
    const Encoded flat = encode("rate-flat", kFlat, "*GOP 15 2\n*BITRATE 6000\n*PROGRESSIVE\n");
    EXPECT_LT(flat.kbps, 6000 * 0.5);
    EXPECT_NE(flat.log.find("even at the finest quantiser, less than the 6000 kbit/s asked"),
              std::string::npos)
        << flat.log;
    const Encoded grainy = encode("rate-reachable", kGrainy, "*GOP 15 2\n*BITRATE 6000\n*PROGRESSIVE\n");
    EXPECT_EQ(grainy.log.find("finest quantiser"), std::string::npos) << grainy.log;
}

} // namespace
} // namespace mivo::encoder
