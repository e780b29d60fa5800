#include "core/lists/panscan_file.h"
#include "core/lists/panscan_list.h"

#include "base/whole_file.h"
#include "support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace mivo::lists {
namespace {

using test::ListRecord;
using Positions = std::vector<std::pair<int, int>>;

struct PanScanRecord : ListRecord {
    FrameOffsets offsets{kFrameOffsetCount};
    std::vector<int> framesOf(int from, int to) const {
        std::vector<int> out;
        for (int f = from; f < to; ++f)
            out.push_back(frameOffsetAt(*s, offsets, f));
        return out;
    }
};

TEST(PanScanOffsets, StepsFieldAndAddHoldOffsetsToEachWidthsLimits) {
    struct Step {
        int h, width, steps;
        std::optional<int> after;
    };
    for (const Step& c :
         {Step{1430, 720, 1, 1440}, Step{1440, 720, 1, std::nullopt}, Step{-1440, 720, -1, std::nullopt},
          Step{-1430, 720, -1, -1440}, Step{0, 720, 1, 16}, Step{1300, 704, 1, 1312},
          Step{-1312, 704, -1, std::nullopt}, Step{0, 1920, 1, std::nullopt}, Step{0, 1920, -1, std::nullopt},
          Step{1500, 704, -1, 1312}})
        EXPECT_EQ(stepOffset(c.h, c.width, c.steps), c.after) << c.h << " " << c.width << " " << c.steps;

    struct Field {
        const char* text;
        int width, value;
    };
    for (const Field& c : {Field{"2000", 704, 1312}, Field{"-2000", 720, -1440}, Field{"2000", 1920, 2000},
                           Field{"abc", 720, 48}, Field{"", 704, 48}, Field{"-7", 704, -7}})
        EXPECT_EQ(offsetFieldValue(c.text, 48, c.width), c.value) << c.text;
    EXPECT_EQ(limitAddedOffset(2000), 1440);
    EXPECT_EQ(limitAddedOffset(-99999999999LL), -1440);

    EXPECT_EQ(panScanWindow(720, 576)->width, 540);
    EXPECT_EQ(panScanWindow(704, 480)->width, 528);
    EXPECT_EQ(panScanWindow(704, 480)->height, 480);
    EXPECT_FALSE(panScanWindow(720, 720));
    EXPECT_FALSE(panScanWindow(1920, 576));
}

TEST(PanScanList, EntriesHoldFromTheirFrameOnUntilTheNext) {
    PanScanRecord r;
    setPanScanEntry(*r.s, r.offsets, 1000, 100, 160);
    setPanScanEntry(*r.s, r.offsets, 1000, 50, -320);
    EXPECT_EQ(r.positions(), (Positions{{50, -320}, {100, 160}}));
    EXPECT_EQ(panScanLine(*r.s, 0), "      50 |  -320");
    EXPECT_EQ(panScanLine(*r.s, 1), "     100 |   160");
    EXPECT_EQ(r.framesOf(48, 52), (std::vector<int>{0, 0, -320, -320}));
    EXPECT_EQ(r.framesOf(98, 102), (std::vector<int>{-320, -320, 160, 160}));
    EXPECT_EQ(frameOffsetAt(*r.s, r.offsets, 999), 160);

    EXPECT_EQ(setPanScanEntry(*r.s, r.offsets, 1000, 100, 0).outcome, AddOutcome::Listed);
    EXPECT_EQ(r.framesOf(99, 101), (std::vector<int>{-320, 0}));
    // A single frame's edit lasts until the next rebuild.
    setFrameOffset(r.offsets, 500, 48);
    EXPECT_EQ(frameOffsetAt(*r.s, r.offsets, 500), 48);
    EXPECT_EQ(setPanScanEntry(*r.s, r.offsets, 1000, 1001, 16).outcome, AddOutcome::Dropped);
    EXPECT_EQ(frameOffsetAt(*r.s, r.offsets, 500), 0);

    EXPECT_TRUE(removePanScanAt(*r.s, r.offsets, 1000, 0));
    EXPECT_FALSE(removePanScanAt(*r.s, r.offsets, 1000, 1));
    EXPECT_EQ(r.framesOf(60, 61), (std::vector<int>{0}));
    EXPECT_TRUE(r.tailsAreZero());
    clearPanScan(*r.s, r.offsets);
    EXPECT_EQ(r.s->panScanCount, 0);
    EXPECT_EQ(r.framesOf(0, 1000), std::vector<int>(1000, 0));
}

TEST(PanScanList, RandomEditsMatchAMapAndTheTableMatchesTheList) {
    std::mt19937 rng(5);
    const int frameCount = 400;
    PanScanRecord r;
    std::map<int, int> model;
    for (int step = 0; step < 600; ++step) {
        if (!model.empty() && step % 4 == 0) {
            const int index = std::uniform_int_distribution<int>(0, static_cast<int>(model.size()) - 1)(rng);
            ASSERT_TRUE(removePanScanAt(*r.s, r.offsets, frameCount, index));
            model.erase(std::next(model.begin(), index));
        } else {
            const int f = std::uniform_int_distribution<int>(0, frameCount + 10)(rng);
            const int h = std::uniform_int_distribution<int>(-1440, 1440)(rng);
            setPanScanEntry(*r.s, r.offsets, frameCount, f, h);
            if (f <= frameCount) model[f] = h;
        }
        ASSERT_EQ(r.positions(), Positions(model.begin(), model.end())) << "step " << step;
        std::vector<int> expected(frameCount, 0);
        for (const auto& [frame, h] : model)
            std::fill(expected.begin() + std::min(frame, frameCount), expected.end(), h);
        ASSERT_EQ(r.framesOf(0, frameCount), expected) << "step " << step;
    }
}

TEST(PanScanList, TableEdgesAndCapacity) {
    PanScanRecord r;
    r.setPositions({{-5, 32}, {700000, -48}});
    r.offsets[kFrameOffsetCount - 1] = 7; // beyond the source: kept by the rebuild
    rebuildFrameOffsets(*r.s, r.offsets, 1000);
    EXPECT_EQ(frameOffsetAt(*r.s, r.offsets, 0), 32);
    EXPECT_EQ(frameOffsetAt(*r.s, r.offsets, 999), 32);
    EXPECT_EQ(frameOffsetAt(*r.s, r.offsets, 640000), 7);
    EXPECT_EQ(frameOffsetAt(*r.s, r.offsets, 650000), 32); // past the table: from the list
    EXPECT_EQ(frameOffsetAt(*r.s, r.offsets, 700001), -48);
    setFrameOffset(r.offsets, 3, 100000); // a width without limits: held to what an entry stores
    EXPECT_EQ(frameOffsetAt(*r.s, r.offsets, 3), 32767);
    setFrameOffset(r.offsets, -1, 5);
    setFrameOffset(r.offsets, static_cast<int>(kFrameOffsetCount), 5);

    r.s->clearPanScan();
    for (int i = 0; i < kPanScanCapacity; ++i)
        setPanScanEntry(*r.s, r.offsets, 2 * kPanScanCapacity, 2 * i, 16);
    EXPECT_EQ(setPanScanEntry(*r.s, r.offsets, 2 * kPanScanCapacity, 1, 0).outcome, AddOutcome::Full);
    EXPECT_EQ(r.s->panScanCount, kPanScanCapacity);
    EXPECT_EQ(frameOffsetAt(*r.s, r.offsets, 1), 16);
}

TEST(PanScanFile, ImportReadsEntriesInFileOrderAndRefusesMalformedOnes) {
    struct Case {
        const char* what;
        std::string text;
        int width;
        std::optional<Positions> list;
    };
    const Case cases[] = {
        {"written form", "     100     160  0\r\n      50    -320  0\r\n", 720,
         Positions{{100, 160}, {50, -320}}},
        {"free form, limits", "7,2000,0\n\n9 -2000 5 extra\n", 704, Positions{{7, 1312}, {9, -1312}}},
        {"other width unlimited", "7 2000 0\n", 1920, Positions{{7, 2000}}},
        {"values over lines", "7\n16\n0\n8 32 0\n", 720, Positions{{7, 16}, {8, 32}}},
        {"empty", "", 720, Positions{}},
        {"not a number", "7 16 0\nx 1 0\n", 720, std::nullopt},
        {"vertical not a number", "7 16 a\n", 720, std::nullopt},
        {"cut short", "7 16 0\n8 32\n", 720, std::nullopt},
    };
    for (const Case& c : cases) {
        ListRecord r;
        r.setPositions({{1, 1}});
        const ListFileResult result = importPanScanText(*r.s, c.text, c.width);
        EXPECT_EQ(result.ok, c.list.has_value()) << c.what;
        EXPECT_EQ(result.status, c.list ? " panscan file read" : " error reading panscan file") << c.what;
        EXPECT_EQ(r.positions(), c.list.value_or(Positions{})) << c.what;
        EXPECT_TRUE(r.tailsAreZero()) << c.what;
    }
    std::string many;
    for (int i = 0; i < kPanScanCapacity + 2; ++i)
        many += std::to_string(i) + " 0 0\n";
    ListRecord r;
    const ListFileResult capped = importPanScanText(*r.s, many, 720);
    EXPECT_EQ(capped.status,
              " panscan file read, more than 6400 panscan positions in file, positions > 6400 skipped");
    EXPECT_EQ(r.s->panScanCount, kPanScanCapacity);
}

TEST(PanScanFile, GeneratedListsExportAndImportBackUnchanged) {
    std::mt19937 rng(13);
    for (int round = 0; round < 40; ++round) {
        const std::size_t n =
            round == 0 ? kPanScanCapacity : std::uniform_int_distribution<std::size_t>(1, 300)(rng);
        const int width = round % 3 == 0 ? 1920 : 720;
        const int limit = width == 720 ? 1440 : 99999999;
        const std::vector<int> frames = test::randomFrames(rng, n, round % 2 ? 640000 : 999999999);
        Positions list;
        for (const int f : frames)
            list.emplace_back(f, std::uniform_int_distribution<int>(-limit, limit)(rng));
        ListRecord r;
        r.setPositions(list);
        const std::string text = panScanFileText(*r.s);
        ListRecord back;
        ASSERT_TRUE(importPanScanText(*back.s, text, width).ok);
        ASSERT_EQ(back.positions(), list) << "round " << round;
    }
}

TEST(PanScanFile, ExportWritesNineteenCharacterLinesWholeOrNothing) {
    const auto dir = std::filesystem::temp_directory_path() / "mivo_panscan_file_test";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "ps.txt").string();
    ListRecord r;
    EXPECT_EQ(exportPanScanFile(*r.s, path).status, " no panscan positions in list");
    r.setPositions({{100, 160}, {640000, -1440}});
    EXPECT_EQ(exportPanScanFile(*r.s, path).status, " panscan file written");
    std::string bytes;
    ASSERT_TRUE(readWholeFile(path, bytes));
    EXPECT_EQ(bytes, "     100     160  0\r\n  640000   -1440  0\r\n");
    const ListFileResult failed = exportPanScanFile(*r.s, (dir / "no" / "ps.txt").string());
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(failed.status, " error opening panscan file");
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace mivo::lists
