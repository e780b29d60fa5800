#include "core/lists/chapter_list.h"

#include "support.h"

#include <gtest/gtest.h>

#include <set>

namespace mivo::lists {
namespace {

using test::ListRecord;

TEST(ChapterList, AddKeepsOrderDropsDuplicatesAndFramesBeyondTheSource) {
    struct Case {
        int frameCount;
        std::vector<int> before, adds, after;
        AddOutcome lastOutcome;
    };
    const Case cases[] = {
        {1000, {}, {300, 100, 200}, {100, 200, 300}, AddOutcome::Added},
        {1000, {}, {100, 100}, {100}, AddOutcome::Listed},
        {1000, {}, {1000}, {1000}, AddOutcome::Added},
        {1000, {5}, {1001}, {5}, AddOutcome::Dropped},
        {0, {}, {0, 7}, {0}, AddOutcome::Dropped},                   // no source: only frame 0 stays
        {1000, {700, 2000, 3}, {4}, {3, 4, 700}, AddOutcome::Added}, // a loaded, unsorted list
    };
    for (const Case& c : cases) {
        ListRecord r;
        r.setChapters(c.before);
        AddResult last{};
        for (const int f : c.adds)
            last = addChapter(*r.s, c.frameCount, f);
        EXPECT_EQ(r.chapters(), c.after) << c.frameCount << " adding " << c.adds.back();
        EXPECT_EQ(last.outcome, c.lastOutcome) << c.adds.back();
        EXPECT_TRUE(r.tailsAreZero());
    }
}

TEST(ChapterList, RemoveMovesLaterEntriesUpAndIgnoresMissingLines) {
    struct Case {
        int index;
        bool removed;
        std::vector<int> after;
    };
    for (const Case& c : {Case{0, true, {10, 20}}, Case{2, true, {0, 10}}, Case{3, false, {0, 10, 20}},
                          Case{-1, false, {0, 10, 20}}}) {
        ListRecord r;
        r.setChapters({0, 10, 20});
        EXPECT_EQ(removeChapterAt(*r.s, 1000, c.index), c.removed) << c.index;
        EXPECT_EQ(r.chapters(), c.after) << c.index;
        EXPECT_TRUE(r.tailsAreZero());
    }
    ListRecord r; // the trim runs after a removal too
    r.setChapters({5, 50, 1500});
    removeChapterAt(*r.s, 1000, 0);
    EXPECT_EQ(r.chapters(), std::vector<int>({50}));
}

TEST(ChapterList, RandomEditsMatchASetOfFramesWithinTheSource) {
    std::mt19937 rng(7);
    for (const int frameCount : {0, 50, 5000}) {
        ListRecord r;
        std::set<int> model;
        for (int step = 0; step < 3000; ++step) {
            const int f = std::uniform_int_distribution<int>(0, frameCount + 20)(rng);
            if (!model.empty() && step % 3 == 0) {
                const int index =
                    std::uniform_int_distribution<int>(0, static_cast<int>(model.size()) - 1)(rng);
                ASSERT_TRUE(removeChapterAt(*r.s, frameCount, index));
                model.erase(std::next(model.begin(), index));
            } else {
                const AddResult result = addChapter(*r.s, frameCount, f);
                const bool fresh = f <= frameCount && model.insert(f).second;
                EXPECT_EQ(result.outcome == AddOutcome::Added, fresh);
                EXPECT_EQ(result.dropped, f > frameCount ? 1 : 0);
            }
            ASSERT_EQ(r.chapters(), std::vector<int>(model.begin(), model.end())) << "step " << step;
        }
        EXPECT_TRUE(r.tailsAreZero());
    }
}

TEST(ChapterList, FullListTakesNoNewFrame) {
    ListRecord r;
    std::vector<int> all(kChapterCapacity);
    for (int i = 0; i < kChapterCapacity; ++i)
        all[static_cast<std::size_t>(i)] = 2 * i;
    r.setChapters(all);
    EXPECT_EQ(addChapter(*r.s, 2 * kChapterCapacity, 1).outcome, AddOutcome::Full);
    EXPECT_EQ(addChapter(*r.s, 2 * kChapterCapacity, 2).outcome, AddOutcome::Listed);
    EXPECT_EQ(r.chapters(), all);
}

TEST(ChapterList, LinesAreTheFrameRightAlignedInEight) {
    ListRecord r;
    r.setChapters({100, -5, 123456789});
    EXPECT_EQ(chapterLine(*r.s, 0), "     100");
    EXPECT_EQ(chapterLine(*r.s, 1), "      -5");
    EXPECT_EQ(chapterLine(*r.s, 2), "123456789"); // wider than the column: shown whole
    EXPECT_EQ(chapterLine(*r.s, 3), "");
}

TEST(ChapterList, StartAndEndFromTheCurrentFrameKeepTheRangeInOrder) {
    struct Case {
        bool start;
        int frame, startBefore, endBefore, startAfter, endAfter;
    };
    for (const Case& c : {Case{true, 500, 0, 300, 500, 500}, Case{true, 100, 0, 300, 100, 300},
                          Case{false, 200, 300, 900, 200, 200}, Case{false, 400, 300, 900, 300, 400}}) {
        ListRecord r;
        r.s->startFrame = c.startBefore;
        r.s->endFrame = c.endBefore;
        c.start ? startRangeAt(*r.s, c.frame) : endRangeAt(*r.s, c.frame);
        EXPECT_EQ(r.s->startFrame, c.startAfter);
        EXPECT_EQ(r.s->endFrame, c.endAfter);
        EXPECT_EQ(r.s->encodeFrameCount, c.endAfter - c.startAfter + 1);
    }
}

} // namespace
} // namespace mivo::lists
