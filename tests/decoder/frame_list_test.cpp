// Output frames per Field_Operation, from flag bytes alone.

#include "frame_list.h"

#include <gtest/gtest.h>

namespace mivo::test {
namespace {

using namespace mivo::mpeg2;

// One line per entry of `lines`, each with the given flags; info as given.
D2vProject projectOf(std::vector<std::vector<std::uint8_t>> lines, int fo, std::uint32_t info = kInfoBase) {
    D2vProject p;
    p.fieldOperation = fo;
    p.files = {"x"};
    for (const auto& flags : lines) {
        D2vLine l;
        l.info = info;
        l.firstFrame = static_cast<std::uint32_t>(p.flags.size());
        l.frameCount = static_cast<std::uint32_t>(flags.size());
        p.flags.insert(p.flags.end(), flags.begin(), flags.end());
        p.lines.push_back(l);
    }
    return p;
}

constexpr std::uint8_t kTffRff = 0x83, kBff = 0x80, kBffRff = 0x81, kTff = 0x82;

std::vector<OutputFrame> frames(std::initializer_list<std::pair<std::uint32_t, std::uint32_t>> list) {
    std::vector<OutputFrame> out;
    for (auto [t, b] : list)
        out.push_back({t, b});
    return out;
}

TEST(FieldOperation, HonouringPulldownWeavesFields) {
    // 3:2 pulldown: 4 coded frames give 5, two of them mixing fields of neighbours.
    EXPECT_EQ(buildOutputFrames(projectOf({{kTffRff, kBff, kBffRff, kTff}}, 0)),
              frames({{0, 0}, {0, 1}, {1, 2}, {2, 2}, {3, 3}}));
    // The cadence runs on across lines.
    EXPECT_EQ(buildOutputFrames(projectOf({{kTffRff, kBff}, {kBffRff, kTff}}, 0)).size(), 5u);
    // A trailing odd field is dropped: 3 + 2 + 3 + 2 + 3 fields give 6 frames.
    EXPECT_EQ(buildOutputFrames(projectOf({{kTffRff, kBff, kBffRff, kTff, kTffRff}}, 0)).size(), 6u);
    EXPECT_EQ(buildOutputFrames(projectOf({{kTffRff}}, 0)), frames({{0, 0}}));
    // Plain interlaced video, top or bottom first: one frame per coded frame.
    EXPECT_EQ(buildOutputFrames(projectOf({{kTff, kTff, kTff}}, 0)), frames({{0, 0}, {1, 1}, {2, 2}}));
    EXPECT_EQ(buildOutputFrames(projectOf({{kBff, kBff}}, 0)), frames({{0, 0}, {1, 1}}));
}

TEST(FieldOperation, ProgressiveSequencesRepeatWholeFrames) {
    // RFF shows a frame twice, RFF with TFF three times; no field mixing.
    EXPECT_EQ(buildOutputFrames(projectOf({{0xc1, 0xc3, 0xc0}}, 0, kInfoBase | kInfoProgressiveSequence)),
              frames({{0, 0}, {0, 0}, {1, 1}, {1, 1}, {1, 1}, {2, 2}}));
    // Ignoring pulldown shows each once.
    EXPECT_EQ(
        buildOutputFrames(projectOf({{0xc1, 0xc3, 0xc0}}, 2, kInfoBase | kInfoProgressiveSequence)).size(),
        3u);
}

TEST(FieldOperation, ForceFilmDropsOneFrameInFiveOfVideo) {
    std::vector<std::uint8_t> video(30, kTff);
    const std::vector<OutputFrame> out = buildOutputFrames(projectOf({video}, 1));
    ASSERT_EQ(out.size(), 24u);
    // The first lock comes after 3 frames, later drops every 5th.
    std::vector<std::uint32_t> kept;
    for (const OutputFrame& f : out) {
        EXPECT_EQ(f.top, f.bottom);
        kept.push_back(f.top);
    }
    for (std::uint32_t dropped : {2u, 7u, 12u, 17u, 22u, 27u})
        EXPECT_EQ(std::count(kept.begin(), kept.end(), dropped), 0) << dropped;

    // Clean 3:2 film is kept one to one.
    std::vector<std::uint8_t> film;
    for (int i = 0; i < 40; ++i)
        film.push_back(std::array<std::uint8_t, 4>{kTffRff, kBff, kBffRff, kTff}[i % 4]);
    EXPECT_EQ(buildOutputFrames(projectOf({film}, 1)).size(), 40u);

    // Too many repeats: a frame is shown twice when the RFF count leads (3 first, then 5).
    const std::vector<OutputFrame> repeated =
        buildOutputFrames(projectOf({std::vector<std::uint8_t>(8, kTffRff)}, 1));
    EXPECT_EQ(repeated,
              frames({{0, 0}, {1, 1}, {2, 2}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, {7, 7}, {7, 7}}));
}

TEST(FieldOperation, IgnoringPulldownShowsEveryCodedFrameOnce) {
    EXPECT_EQ(buildOutputFrames(projectOf({{kTffRff, kBff}, {kBffRff, kTff}}, 2)),
              frames({{0, 0}, {1, 1}, {2, 2}, {3, 3}}));
}

TEST(FrameLookup, FindsLinesAndStandInsForUndecodableFrames) {
    // An open first line: its two leading B pictures cannot be decoded; the I picture stands in.
    const D2vProject p = projectOf({{0x32, 0x32, 0x92, 0xb2, 0xa2}, {0x33, 0x30, 0x93}}, 2);
    EXPECT_EQ(lineOfFrame(p, 0), 0u);
    EXPECT_EQ(lineOfFrame(p, 4), 0u);
    EXPECT_EQ(lineOfFrame(p, 5), 1u);
    EXPECT_EQ(lineOfFrame(p, 7), 1u);
    EXPECT_EQ(decodableStandIn(p, 0), 2u);
    EXPECT_EQ(decodableStandIn(p, 1), 2u);
    EXPECT_EQ(decodableStandIn(p, 3), 3u);
    // Later lines decode their leading pictures from the line before.
    EXPECT_EQ(decodableStandIn(p, 5), 5u);
    // Flags that never mark anything decodable say nothing: trust the decoder.
    const D2vProject unmarked = projectOf({{0x02, 0x02}}, 2);
    EXPECT_EQ(decodableStandIn(unmarked, 0), 0u);
}

} // namespace
} // namespace mivo::test
