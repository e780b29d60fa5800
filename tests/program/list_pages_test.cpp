// The list pages over the whole program: a list exported through its page's button imports back through
// the other button to the same list; the offset field and the picture's window follow the frame the
// preview steps to; "add" holds an offset to +-1440 whatever the width; a tab change refills the boxes.
#include "program/preview/frame_preview.h"
#include "program_world.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

namespace mivo::test {
namespace {

class ListPages : public ProgramWorld {
  protected:
    // A project of 2500 flat frames `width` wide (bright, so the window's dimmed sides and black edges
    // show), "4:3 PanScan" chosen and the PanScan page up.
    void open(int width) {
        start();
        placeDecoder("16");
        const fs::path video = prog / "video";
        writeFile(video / "movie.syn", "synthetic-source\nsize " + std::to_string(width) +
                                           " 576\nframes 2500\nflat 200 128 128\n");
        writeFile(video / "movie.d2v", "DGIndexProjectFile16\r\n1\r\n" + (video / "movie.syn").string() +
                                           "\r\n\r\nStream_Type=1\r\n");
        dialogs.files.push_back((video / "movie.d2v").string());
        controls().userClick(PageId::Main, ids::main::inputFileButton);
        ASSERT_TRUE(program->source().sourceReady) << status();
        controls().userClick(PageId::Main, ids::main::aspectPanScanRadio);
        showTab(PageId::PanScan);
    }
    void showTab(PageId page) {
        controls().userSelect(PageId::Window, ids::window::tabs, static_cast<int>(page) - 1);
    }
    void press(PageId page, int id, const std::string& file = {}) {
        if (!file.empty()) dialogs.files.push_back(file);
        ASSERT_TRUE(controls().userClick(page, id)) << id;
    }
    std::string text(PageId page, int id) const { return program->controls().text(page, id); }
    // Adds a pan-scan position as the user would: the frame and the offset typed, then "add".
    void addPosition(int frame, int offset) {
        controls().userType(PageId::PanScan, ids::panscan::currentFrameEdit, std::to_string(frame));
        controls().userType(PageId::PanScan, ids::panscan::horizontalEdit, std::to_string(offset));
        press(PageId::PanScan, ids::panscan::addButton);
    }
    // The first black column of the picture: the left edge of the 4:3 window.
    int leftEdge() const {
        const picture::PictureBuffer& pic = program->preview().picture();
        for (int x = 0; x < pic.width(); ++x)
            if (pic.pixels()[3 * x] == 0) return x;
        return -1;
    }
};

std::string rightAligned(int value, int width) {
    char text[32];
    std::snprintf(text, sizeof text, "%*d", width, value);
    return text;
}

TEST_F(ListPages, ExportedListsImportBackUnchanged) {
    open(720);
    namespace ch = ids::chapters;
    namespace ps = ids::panscan;
    Settings& s = program->settings();
    const int frameCount = program->source().frameCount;
    std::mt19937 rng(11);
    const auto any = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int size : {1, 3, 500, kPanScanCapacity, kChapterCapacity}) {
        SCOPED_TRACE(size);
        // Chapters: any frames of the source, repeats and all, in the order the pages keep them.
        std::vector<int> chapters(static_cast<std::size_t>(size));
        std::generate(chapters.begin(), chapters.end(), [&] { return any(0, frameCount); });
        std::sort(chapters.begin(), chapters.end());
        std::copy(chapters.begin(), chapters.end(), s.chapterFrames.begin());
        s.chapterCount = size;
        showTab(PageId::Chapters);
        const std::string chapterFile = (prog / "chapters.txt").string();
        press(PageId::Chapters, ch::exportButton, chapterFile);
        EXPECT_EQ(status(), " chapter file written");
        press(PageId::Chapters, ch::clearListButton);
        press(PageId::Chapters, ch::importButton, chapterFile);
        EXPECT_EQ(status(), " " + std::to_string(size) + " chapters successfully read");
        ASSERT_EQ(s.chapterCount, size);
        EXPECT_TRUE(std::equal(chapters.begin(), chapters.end(), s.chapterFrames.begin()));
        const Control& box = controls().at(PageId::Chapters, ch::chapterList);
        EXPECT_EQ(box.itemCount(), size);
        EXPECT_EQ(box.item(size - 1), rightAligned(chapters.back(), 8));
        if (size > kPanScanCapacity) continue;

        // Positions: frames in order (repeats keep theirs), offsets anywhere within the width's limits.
        std::vector<std::pair<int, int>> positions(static_cast<std::size_t>(size));
        for (auto& [frame, offset] : positions)
            frame = any(0, frameCount), offset = any(-1440, 1440);
        std::stable_sort(positions.begin(), positions.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (std::size_t i = 0; i < positions.size(); ++i)
            std::tie(s.panScanFrames[i], s.panScanOffsets[i]) = positions[i];
        s.panScanCount = size;
        showTab(PageId::PanScan);
        const std::string panScanFile = (prog / "positions.txt").string();
        press(PageId::PanScan, ps::exportButton, panScanFile);
        EXPECT_EQ(status(), " panscan file written");
        press(PageId::PanScan, ps::clearListButton);
        press(PageId::PanScan, ps::importButton, panScanFile);
        EXPECT_EQ(status(), " panscan file read");
        ASSERT_EQ(s.panScanCount, size);
        for (std::size_t i = 0; i < positions.size(); ++i)
            ASSERT_EQ(std::make_pair(s.panScanFrames[i], s.panScanOffsets[i]), positions[i]) << i;
        EXPECT_EQ(controls().at(PageId::PanScan, ps::positionList).item(0),
                  rightAligned(positions[0].first, 8) + " | " + rightAligned(positions[0].second, 5));
    }
}

TEST_F(ListPages, OffsetFieldAndWindowFollowTheFrameShown) {
    open(720);
    namespace ps = ids::panscan;
    addPosition(10, 160);
    addPosition(20, -320);
    // The window's left edge: 90 pixels in, moved by the offset's whole pixels.
    const auto expectFrame = [&](int frame, int offset) {
        EXPECT_EQ(program->source().currentFrame, frame);
        EXPECT_EQ(text(PageId::PanScan, ps::horizontalEdit), std::to_string(offset)) << frame;
        EXPECT_EQ(leftEdge(), 89 + offset / 16) << frame;
    };
    FramePreview& preview = program->preview();
    preview.key(PageId::PanScan, PreviewKey::First);
    expectFrame(0, 0);
    controls().userType(PageId::PanScan, ps::currentFrameEdit, "9");
    preview.key(PageId::PanScan, PreviewKey::StepForward);
    expectFrame(10, 160);
    // ">" moves frame 10's window alone.
    press(PageId::PanScan, ps::horizontalRightButton);
    expectFrame(10, 176);
    press(PageId::PanScan, ids::preview::stepForwardButton);
    expectFrame(11, 160);
    controls().userSlide(PageId::PanScan, ids::preview::slider, 1000);
    expectFrame(2499, -320);
    preview.key(PageId::PanScan, PreviewKey::LargeBack);
    expectFrame(2399, -320);
}

TEST_F(ListPages, AddHoldsTheOffsetTo1440OnEveryWidth) {
    open(704);
    namespace ps = ids::panscan;
    // Written by the program, so no lose-focus check holds it to the 704 limit of 1312 first.
    controls().setText(PageId::PanScan, ps::horizontalEdit, "2000");
    controls().notify(PageId::PanScan, ps::addButton, Notify::Default);
    EXPECT_EQ(status(), " panscan position added to list");
    ASSERT_EQ(program->settings().panScanCount, 1);
    EXPECT_EQ(program->settings().panScanOffsets[0], 1440);
    controls().setText(PageId::PanScan, ps::horizontalEdit, "-2000");
    controls().notify(PageId::PanScan, ps::addButton, Notify::Default);
    EXPECT_EQ(program->settings().panScanOffsets[0], -1440);
}

// The scene-change scan fills the chapter list behind the page; the next tab change shows it.
TEST_F(ListPages, TabChangeRefillsTheBoxesFromTheLists) {
    open(720);
    Settings& s = program->settings();
    s.chapterCount = 2, s.chapterFrames[0] = 5, s.chapterFrames[1] = 70;
    s.zoneCount = 1, s.zoneFrames[0] = 9, s.zoneFactors[0] = 0.5f;
    s.panScanCount = 1, s.panScanFrames[0] = 12, s.panScanOffsets[0] = -48;
    const struct {
        PageId page;
        int box;
        std::string last;
    } boxes[] = {{PageId::Chapters, ids::chapters::chapterList, "      70"},
                 {PageId::Zones, ids::zones::zoneList, "       9 | 0.5"},
                 {PageId::PanScan, ids::panscan::positionList, "      12 |   -48"}};
    for (const auto& b : boxes) {
        showTab(PageId::Main);
        showTab(b.page);
        const Control& box = controls().at(b.page, b.box);
        ASSERT_GT(box.itemCount(), 0) << pageName(b.page);
        EXPECT_EQ(box.item(box.itemCount() - 1), b.last);
    }
}

} // namespace
} // namespace mivo::test
