#include "core/lists/chapter_file.h"

#include "base/whole_file.h"
#include "core/lists/chapter_times.h"
#include "support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

namespace mivo::lists {
namespace {

using test::ListRecord;

constexpr std::string_view kUnreadable = " error reading chapterfile";

struct ImportCase {
    const char* what;
    std::string text;
    std::optional<std::vector<int>> frames; // std::nullopt: a read error
    std::string status = "";                // checked when given
    int frameCount = 1000000;
    double frameRate = 25.0;
};

TEST(ChapterImport, EachFormReadsItsFramesAndRefusesMalformedFiles) {
    const ImportCase cases[] = {
        {"plain, first value of each line", "100\r\n50 99\r\n", {{50, 100}}, " 2 chapters successfully read"},
        {"plain, empty line, then no number", "100\r\n\r\n50 99\r\nx\r\n", std::nullopt,
         std::string(kUnreadable)},
        {"plain, duplicates kept", "5\n5\n", {{5, 5}}},
        {"plain, empty file", "", std::nullopt},
        {"plain, a number past the int range", "99999999999\n", std::nullopt},
        {"block, any number a line", "*CHAPTER          3\r\n10\r\n30 20\r\n", {{10, 20, 30}}},
        {"block, lower case, commas", "  *chapter 3\n1,2,3\n", {{1, 2, 3}}},
        {"block, ends early", "*CHAPTER 3\n1 2\n", std::nullopt},
        {"block, no count", "*CHAPTER\n1\n", std::nullopt},
        {"block, no number", "*CHAPTER 2\n1 x\n", std::nullopt},
        {"block, count below 1", "*CHAPTER -4\n5\n", {{}}, " 0 chapters successfully read"},
        {"xml",
         "<?xml version=\"1.0\"?>\n<framenum>1234</framenum>\n  <framenum>50</framenum>\n",
         {{50, 1234}}},
        {"xml, tab indent and BOM", "\xEF\xBB\xBF<?xml?>\n\t\t<framenum>7</framenum>\n", {{7}}},
        {"xml, blank before the value", "<?XML?>\n<framenum> 1234</framenum>\n", std::nullopt},
        {"xml, capital tag skipped", "<?xml?>\n<FRAMENUM>5</FRAMENUM>\n<chapter/>\n", {{}}},
        {"xml, 640000 skipped",
         "<?xml?>\n<framenum>640000</framenum>\n<framenum>639999</framenum>\n",
         {{639999}}},
        {"xml, no '<' in ten characters", "<?xml?>\n<framenum>12345678901</framenum>\n", std::nullopt},
        {"xml, nothing before '<'", "<?xml?>\n<framenum></framenum>\n", std::nullopt},
        {"named times, halves up",
         "CHAPTER01=00:00:00.000\nCHAPTER01NAME=Intro\nchapter02=00:01:00.500\n",
         {{0, 1513}}},
        {"named times, 29.97 exactly",
         "CHAPTER1=00:00:01.001\nCHAPTER2=00:10:00.000\n",
         {{30, 17982}},
         "",
         1000000,
         30000.0 / 1001.0},
        {"named times, bad minute", "CHAPTER01=00:61:00.000\n", std::nullopt},
        {"named times, stray line", "CHAPTER01=00:00:01.000\nhello\n", std::nullopt},
        {"times, clock and frame-numbered", "00:00:10.000 Intro\n\n00:00:20:12\n", {{250, 512}}},
        {"times, frame past the nominal rate", "00:00:01:25\n", std::nullopt},
        {"times, 23.976 counts 24 a second", "0:00:02:23\n", {{71}}, "", 1000000, 24000.0 / 1001.0},
        {"times, no source rate", "00:00:01.000\n", std::nullopt, "", 0, 0.0},
        {"times, dvdauthor's run and a title", "0:00:00.000,0:00:04.000 one\n0:00:08.000\n", {{0, 100, 200}}},
        {"times, a run with a gap", "0:00:00.000,,0:00:04.000\n", std::nullopt},
        {"out of range warning",
         "10\n2000\n3000\n",
         {{10}},
         " 3 chapters successfully read, WARNING, 2 chapters removed, out of range",
         1000},
        {"one out of range",
         "*CHAPTER 2\n5 1001\n",
         {{5}},
         " 2 chapters successfully read, WARNING, 1 chapters removed, out of range",
         1000},
    };
    for (const ImportCase& c : cases) {
        ListRecord r;
        r.setChapters({1, 2, 3}); // replaced by any import, emptied by a failed one
        const ListFileResult result = importChapterText(*r.s, c.text, {c.frameCount, c.frameRate});
        EXPECT_EQ(result.ok, c.frames.has_value()) << c.what;
        EXPECT_EQ(r.chapters(), c.frames.value_or(std::vector<int>{})) << c.what;
        const std::string status = !c.status.empty() ? c.status
                                   : result.ok       ? result.status
                                                     : std::string(kUnreadable);
        EXPECT_EQ(result.status, status) << c.what;
        EXPECT_TRUE(r.tailsAreZero()) << c.what;
    }
}

TEST(ChapterImport, MoreThan640000ChaptersKeepTheFirstAndSaySo) {
    std::string plain, block = "*CHAPTER 640003\n";
    for (int i = 0; i < kChapterCapacity + 3; ++i) {
        plain += std::to_string(i) + "\n";
        block += std::to_string(i) + " ";
    }
    for (const std::string& text : {plain, block}) {
        ListRecord r;
        const ListFileResult result = importChapterText(*r.s, text, {kChapterCapacity, 25.0});
        EXPECT_EQ(result.status, " 640000 chapters successfully read more than 640000 chapters detected, "
                                 "chapters > 640000 skipped");
        ASSERT_EQ(r.s->chapterCount, kChapterCapacity);
        EXPECT_EQ(r.s->chapterFrames[kChapterCapacity - 1], kChapterCapacity - 1);
    }
}

TEST(ChapterFile, GeneratedListsExportAndImportBackUnchanged) {
    std::mt19937 rng(11);
    for (const std::size_t n : {std::size_t{1}, std::size_t{3}, std::size_t{kChapterCapacity}}) {
        for (int round = 0; round < (n == kChapterCapacity ? 1 : 20); ++round) {
            const std::size_t size = n == 3 ? std::uniform_int_distribution<std::size_t>(1, 5000)(rng) : n;
            const std::vector<int> frames = test::randomFrames(rng, size, 639999);
            ListRecord r;
            r.setChapters(frames);
            const std::string text = chapterFileText(*r.s);
            ASSERT_TRUE(text.starts_with("*CHAPTER          " + std::to_string(size) + "\r\n"));
            ListRecord back;
            ASSERT_TRUE(importChapterText(*back.s, text, {kChapterCapacity, 25.0}).ok);
            ASSERT_EQ(back.chapters(), frames) << size;
        }
    }
}

// dvdauthor's time list: every frame comes back at every common rate, the longest lists included.
TEST(ChapterFile, GeneratedListsGoThroughChapterTimesAndBackUnchanged) {
    std::mt19937 rng(12);
    for (const double rate : {24000.0 / 1001.0, 24.0, 25.0, 30000.0 / 1001.0, 50.0, 60000.0 / 1001.0}) {
        for (const std::size_t size : {std::size_t{1}, std::size_t{700}, std::size_t{kChapterCapacity}}) {
            const std::vector<int> frames = test::randomFrames(rng, size, 639999);
            ListRecord r;
            r.setChapters(frames);
            const std::string text = chapterTimesText(*r.s, rate);
            ASSERT_EQ(std::count(text.begin(), text.end(), ','), static_cast<std::ptrdiff_t>(size - 1));
            ListRecord back;
            ASSERT_TRUE(importChapterText(*back.s, text, {kChapterCapacity, rate}).ok);
            ASSERT_EQ(back.chapters(), frames) << rate << " " << size;
        }
    }
    ListRecord r;
    r.setChapters({0, 2, 90000});
    EXPECT_EQ(chapterTimesText(*r.s, 25.0), "0:00:00.000,0:00:00.080,1:00:00.000\r\n");
    EXPECT_EQ(chapterTimesText(*r.s, 30000.0 / 1001.0), "0:00:00.000,0:00:00.067,0:50:03.000\r\n");
    EXPECT_EQ(chapterTimesText(*r.s, 0.0), "");
}

TEST(ChapterFile, ExportWritesWholeOrNothingAndNamesTheFailure) {
    const auto dir = std::filesystem::temp_directory_path() / "mivo_chapter_file_test";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "chapters.txt").string();
    ListRecord r;
    EXPECT_EQ(exportChapterFile(*r.s, path).status, " no chapters in list");
    EXPECT_FALSE(std::filesystem::exists(path));

    r.setChapters({0, 100, 640000});
    const ListFileResult written = exportChapterFile(*r.s, path);
    EXPECT_TRUE(written.ok);
    EXPECT_EQ(written.status, " chapter file written");
    std::string bytes;
    ASSERT_TRUE(readWholeFile(path, bytes));
    EXPECT_EQ(bytes, "*CHAPTER          3\r\n0\r\n100\r\n640000\r\n");

    for (const std::string& bad : {(dir / "missing" / "c.txt").string(), dir.string()}) {
        const ListFileResult failed = exportChapterFile(*r.s, bad);
        EXPECT_FALSE(failed.ok) << bad;
        EXPECT_EQ(failed.status, " error opening chapter file") << bad;
    }
    // dvdauthor's form by its extension, in any case, and only with a rate to turn frames into times.
    const std::string times = (dir / "chapters.DVDAuthor").string();
    EXPECT_EQ(exportChapterFile(*r.s, times).status,
              " chapter times need the frame rate of a source, open one first");
    EXPECT_FALSE(std::filesystem::exists(times));
    EXPECT_TRUE(exportChapterFile(*r.s, times, 25.0).ok);
    ASSERT_TRUE(readWholeFile(times, bytes));
    EXPECT_EQ(bytes, "0:00:00.000,0:00:04.000,7:06:40.000\r\n");
    // A file that cannot be read leaves the list as it was.
    EXPECT_FALSE(importChapterFile(*r.s, (dir / "none.txt").string(), {1000, 25.0}).ok);
    EXPECT_EQ(r.chapters(), std::vector<int>({0, 100, 640000}));
    std::filesystem::remove_all(dir);
}

TEST(ChapterTimes, EveryFormAndItsLimits) {
    struct Case {
        const char* time;
        double rate;
        std::optional<int> frame;
    };
    const Case cases[] = {
        {"00:00:00.020", 25.0, 1},
        {"00:00:00.019", 25.0, 0},
        {"1:00:00", 25.0, 90000},
        {"99:59:59.999999999", 25.0, 9000000},
        {"100:00:00", 25.0, std::nullopt},
        {"00:00:60", 25.0, std::nullopt},
        {"00:0:00", 25.0, std::nullopt},
        {"00:00:00,5", 25.0, std::nullopt},
        {"00:00:00.", 25.0, std::nullopt},
        {"00:00:00:1234", 25.0, std::nullopt},
        {"00:01:00.000", 60000.0 / 1001.0, 3596},
        {"00:00:01.000", 1001.0, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(frameAtTime(c.time, c.rate), c.frame) << c.time;
}

} // namespace
} // namespace mivo::lists
