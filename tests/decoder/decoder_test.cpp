// Frame accuracy of the decoder over generated streams: every frame fetched in random order equals the
// frame of one sequential decode, and with Field_Operation 2 the sequential decode equals FFmpeg's own
// decode of the stream; frame counts per Field_Operation; field weaving of pulldown frames.

#include "d2v_source.h"
#include "stream_maker.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <numeric>
#include <random>

namespace mivo::test {
namespace {

using mpeg2::D2vSource;

std::unique_ptr<D2vSource> openProject(const std::string& path) {
    std::string error;
    std::unique_ptr<D2vSource> source = D2vSource::open(path, error);
    EXPECT_TRUE(source) << path << ": " << error;
    return source;
}

struct Case {
    const char* name;
    StreamSpec spec;
    std::vector<std::uint64_t> cuts; // split into several files there
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

StreamSpec spec(Container container, int w, int h, int num, int den) {
    return {.width = w, .height = h, .rateNum = num, .rateDen = den, .container = container};
}

// Unnamed fields keep their defaults: a PAL 720x576 elementary stream at 25 frames per second.
std::vector<Case> cases() {
    using C = Container;
    return {
        {"es_pal_progressive", {}, {}},
        {"es_open_first_gop", {.frames = 40, .openFirstGop = true}, {}},
        {"ps_pal_interlaced_closed", {.closedGop = true, .interlaced = true, .container = C::program}, {}},
        {"ts_ntsc_film_pulldown", ntscFilm(C::transport), {}},
        {"m2ts_hd_interlaced", hdInterlaced(), {}},
        {"ps_422_bottom_first", studio422(), {}},
        {"es_mpeg1", {.width = 352, .height = 288, .mpeg1 = true}, {}},
        // Three files: one cut at a pack boundary, one inside a pack.
        {"ps_three_files", {.frames = 40, .container = C::program}, {40 * 2048, 100 * 2048 + 1000}},
        // Tiny pictures: several I pictures start in one pack (lines with skip > 0).
        {"ps_tiny_pictures", tinyPictures(), {}},
        {"es_progressive_repeats",
         {.rateNum = 24000, .rateDen = 1001, .frames = 30, .pulldown = Pulldown::frameRepeat},
         {}},
    };
}

class FrameAccuracy : public ::testing::TestWithParam<Case> {};

TEST_P(FrameAccuracy, RandomAccessEqualsSequentialAndFfmpeg) {
    const Case& c = GetParam();
    const std::string stream = makeStream(c.spec);
    const std::string folder = scratchFolder(c.name);
    std::vector<std::string> inputs{stream};
    if (!c.cuts.empty()) inputs = splitFile(stream, c.cuts, folder, "VTS_01");
    const std::string text = indexProject(inputs, folder + "/index.d2v");

    for (int fo : {2, 0, 1}) {
        SCOPED_TRACE("Field_Operation=" + std::to_string(fo));
        const std::string project = folder + "/fo" + std::to_string(fo) + ".d2v";
        writeText(project, withFieldOperation(text, fo));
        std::unique_ptr<D2vSource> linear = openProject(project);
        ASSERT_TRUE(linear);
        const std::vector<std::uint64_t> sequential = sequentialHashes(*linear);
        ASSERT_EQ(sequential.size(), static_cast<std::size_t>(linear->info().frameCount));
        EXPECT_LE(linear->stats().seeks, 1u) << "a sequential decode should never need to seek";

        // Every frame once, in a shuffled order, from a fresh source; then once more backwards from
        // the end on the same source (the ring and the continuation logic see other patterns).
        std::unique_ptr<D2vSource> random = openProject(project);
        ASSERT_TRUE(random);
        std::vector<int> order(sequential.size());
        std::iota(order.begin(), order.end(), 0);
        std::shuffle(order.begin(), order.end(), std::mt19937(1234));
        for (int n : order)
            ASSERT_EQ(hashBytes(random->frame(n), random->frameBytes()),
                      sequential[static_cast<std::size_t>(n)])
                << "frame " << n;
        for (int n = static_cast<int>(sequential.size()) - 1; n >= 0; n -= 3)
            ASSERT_EQ(hashBytes(random->frame(n), random->frameBytes()),
                      sequential[static_cast<std::size_t>(n)])
                << "frame " << n << " (backwards)";
        EXPECT_EQ(random->stats().fallbacks, 0u);

        if (fo == 2) {
            // FFmpeg drops the leading B pictures of an open first GOP; the project shows its first
            // decodable frame in their place.
            const std::vector<std::uint64_t> reference = referenceHashes(stream);
            const mpeg2::D2vProject& p = linear->project();
            std::size_t lead = 0;
            while (lead < p.lines[0].frameCount && !(p.flags[lead] & mpeg2::kFlagDecodable))
                ++lead;
            ASSERT_EQ(sequential.size(), reference.size() + lead);
            for (std::size_t i = 0; i < lead; ++i)
                EXPECT_EQ(sequential[i], sequential[lead]) << "stand-in " << i;
            for (std::size_t i = 0; i < reference.size(); ++i)
                ASSERT_EQ(sequential[i + lead], reference[i])
                    << "frame " << i + lead << " differs from FFmpeg's";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Streams, FrameAccuracy, ::testing::ValuesIn(cases()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             return std::string(info.param.name);
                         });

int frameCountOf(const std::string& text, const std::string& folder, int fo) {
    const std::string project = folder + "/count" + std::to_string(fo) + ".d2v";
    writeText(project, withFieldOperation(text, fo));
    std::string error;
    std::unique_ptr<D2vSource> source = D2vSource::open(project, error);
    if (!source) ADD_FAILURE() << error;
    return source ? source->info().frameCount : -1;
}

TEST(FrameCounts, FollowTheFieldOperationRules) {
    const std::string folder = scratchFolder("counts");
    {
        // 3:2 soft pulldown: every 4 coded frames give 5; force film keeps clean film 1:1.
        StreamSpec s = ntscFilm();
        s.frames = 36;
        const std::string text = indexProject({makeStream(s)}, folder + "/film.d2v");
        EXPECT_EQ(frameCountOf(text, folder, 0), 45);
        EXPECT_EQ(frameCountOf(text, folder, 1), 36);
        EXPECT_EQ(frameCountOf(text, folder, 2), 36);
        // One more frame with TFF+RFF: 93 fields, the last lone field is dropped.
        s.frames = 37;
        const std::string odd = indexProject({makeStream(s)}, folder + "/odd.d2v");
        EXPECT_EQ(frameCountOf(odd, folder, 0), 46);
    }
    {
        // Pure interlaced video: force film drops one frame in five (the first lock comes after 3).
        StreamSpec s = spec(Container::elementary, 720, 576, 25, 1);
        s.interlaced = true;
        s.frames = 36;
        const std::string text = indexProject({makeStream(s)}, folder + "/video.d2v");
        EXPECT_EQ(frameCountOf(text, folder, 0), 36);
        EXPECT_EQ(frameCountOf(text, folder, 1), 29);
        EXPECT_EQ(frameCountOf(text, folder, 2), 36);
    }
    {
        // Progressive sequence: RFF shows a frame twice, RFF with TFF three times.
        StreamSpec s = spec(Container::elementary, 720, 576, 24000, 1001);
        s.pulldown = Pulldown::frameRepeat;
        s.frames = 30;
        const std::string text = indexProject({makeStream(s)}, folder + "/repeat.d2v");
        EXPECT_EQ(frameCountOf(text, folder, 0), 60);
        EXPECT_EQ(frameCountOf(text, folder, 2), 30);
    }
}

TEST(FieldWeaving, PulldownFramesTakeTheirFieldsFromTwoCodedFrames) {
    StreamSpec s = ntscFilm();
    s.frames = 12;
    const std::string folder = scratchFolder("weave");
    const std::string text = indexProject({makeStream(s)}, folder + "/film.d2v");
    writeText(folder + "/raw.d2v", withFieldOperation(text, 2));
    writeText(folder + "/honour.d2v", withFieldOperation(text, 0));
    std::unique_ptr<D2vSource> raw = openProject(folder + "/raw.d2v");
    std::unique_ptr<D2vSource> honour = openProject(folder + "/honour.d2v");
    ASSERT_TRUE(raw && honour);
    const int w = raw->info().width, h = raw->info().height;
    const std::size_t bytes = raw->frameBytes();
    std::vector<std::vector<std::uint8_t>> coded;
    for (int n = 0; n < 4; ++n)
        coded.emplace_back(raw->frame(n), raw->frame(n) + bytes);
    // Coded TFF+RFF, BFF, BFF+RFF, TFF give (T0 B0) (T0 B1) (T1 B2) (T2 B2) (T3 B3).
    const int top[5] = {0, 0, 1, 2, 3}, bottom[5] = {0, 1, 2, 2, 3};
    for (int n = 0; n < 5; ++n) {
        const std::uint8_t* f = honour->frame(n);
        for (int y = 0; y < h; ++y) {
            const int source = (y & 1) ? bottom[n] : top[n];
            ASSERT_EQ(0, std::memcmp(f + static_cast<std::size_t>(y) * w,
                                     coded[source].data() + static_cast<std::size_t>(y) * w, w))
                << "output frame " << n << " line " << y;
        }
        // Chroma lines alternate between the fields the same way (V plane first in YV12).
        const std::size_t v = static_cast<std::size_t>(w) * h;
        for (int y = 0; y < h / 2; ++y) {
            const int source = (y & 1) ? bottom[n] : top[n];
            ASSERT_EQ(0,
                      std::memcmp(f + v + static_cast<std::size_t>(y) * (w / 2),
                                  coded[source].data() + v + static_cast<std::size_t>(y) * (w / 2), w / 2));
        }
    }
    EXPECT_NE(hashBytes(honour->frame(1), bytes), hashBytes(coded[0].data(), bytes));
    EXPECT_NE(hashBytes(honour->frame(1), bytes), hashBytes(coded[1].data(), bytes));
}

TEST(StreamInfo, ReportsSizeRateAndColourFormat) {
    const std::string folder = scratchFolder("info");
    {
        StreamSpec s = ntscFilm(Container::transport);
        indexProject({makeStream(s)}, folder + "/film.d2v", 1);
        std::unique_ptr<D2vSource> source = openProject(folder + "/film.d2v");
        ASSERT_TRUE(source);
        EXPECT_EQ(source->info().width, 720);
        EXPECT_EQ(source->info().height, 480);
        EXPECT_EQ(source->info().rateNumerator, 24000); // force film: 4/5 of 29.97
        EXPECT_EQ(source->info().rateDenominator, 1001);
        EXPECT_EQ(source->info().pixelType, mpeg2::kPixelTypeYV12);
        EXPECT_EQ(source->frameBytes(), 720u * 480 * 3 / 2);
    }
    {
        StreamSpec s = spec(Container::program, 720, 576, 25, 1);
        s.yuv422 = true;
        s.interlaced = true;
        s.bottomFirst = true;
        s.frames = 24;
        indexProject({makeStream(s)}, folder + "/422.d2v");
        std::unique_ptr<D2vSource> source = openProject(folder + "/422.d2v");
        ASSERT_TRUE(source);
        EXPECT_EQ(source->info().pixelType, mpeg2::kPixelTypeYUY2);
        EXPECT_EQ(source->info().rateNumerator, 25);
        EXPECT_EQ(source->info().rateDenominator, 1);
        EXPECT_EQ(source->frameBytes(), 720u * 576 * 2);
    }
}

TEST(RandomAccess, FindsPicturesAtPositionsOtherIndexersWrite) {
    // Some indexers record the PES packet start instead of the pack start: a few bytes into the pack.
    // The I picture nearest to such a position is the one meant.
    StreamSpec s = spec(Container::program, 720, 576, 25, 1);
    const std::string folder = scratchFolder("pes_positions");
    const std::string text = indexProject({makeStream(s)}, folder + "/pack.d2v", 2);
    std::unique_ptr<D2vSource> exact = openProject(folder + "/pack.d2v");
    ASSERT_TRUE(exact);
    const std::vector<std::uint64_t> reference = sequentialHashes(*exact);
    std::string moved;
    std::size_t at = 0, data = text.find("\r\n\r\n", text.find("Location=")) + 4;
    moved = text.substr(0, data);
    for (const mpeg2::D2vLine& l : exact->project().lines) {
        const std::size_t end = text.find("\r\n", data);
        std::string line = text.substr(data, end - data);
        const std::string position = " " + std::to_string(l.position) + " ";
        at = line.find(position);
        line.replace(at, position.size(), " " + std::to_string(l.position + 14) + " ");
        moved += line + "\r\n";
        data = end + 2;
    }
    moved += text.substr(data);
    writeText(folder + "/pes.d2v", moved);
    std::unique_ptr<D2vSource> shifted = openProject(folder + "/pes.d2v");
    ASSERT_TRUE(shifted);
    for (int n = static_cast<int>(reference.size()) - 1; n >= 0; n -= 5)
        EXPECT_EQ(hashBytes(shifted->frame(n), shifted->frameBytes()), reference[static_cast<std::size_t>(n)])
            << n;
    EXPECT_EQ(shifted->stats().fallbacks, 0u);
}

TEST(RandomAccess, SkipsPicturesItDoesNotNeed) {
    StreamSpec s = spec(Container::elementary, 720, 576, 25, 1);
    s.frames = 36;
    const std::string folder = scratchFolder("skipping");
    indexProject({makeStream(s)}, folder + "/p.d2v", 2);
    std::unique_ptr<D2vSource> source = openProject(folder + "/p.d2v");
    ASSERT_TRUE(source);
    const std::uint64_t seeksBefore = source->stats().seeks;
    const std::uint64_t decodedBefore = source->stats().unitsDecoded;
    // A P picture late in the third GOP: reached by a seek to its line, without decoding the B pictures
    // in front of it.
    const mpeg2::D2vProject& p = source->project();
    const mpeg2::D2vLine& line = p.lines[2];
    std::uint32_t target = line.firstFrame + line.frameCount - 1;
    while ((p.flags[target] & mpeg2::kFlagTypeMask) != mpeg2::kTypeP)
        --target;
    source->frame(static_cast<int>(target));
    EXPECT_EQ(source->stats().seeks, seeksBefore + 1);
    EXPECT_GT(source->stats().unitsSkipped, 0u);
    // The I picture, the P pictures and the I picture after them (which releases the last P).
    EXPECT_LE(source->stats().unitsDecoded - decodedBefore, 6u);
}

} // namespace
} // namespace mivo::test
