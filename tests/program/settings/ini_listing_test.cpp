// The "current Mivo.ini" listing against the writer: the same lines in the listing's own order, names
// cut to 127 characters, the folders whenever they are set.

#include "settings_generator.h"
#include "settings_world.h"

#include "listing_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace mivo {
namespace {

using Blocks = std::vector<std::vector<std::string>>;

// A keyword line with the item lines that follow it.
Blocks blocks(const std::vector<std::string>& lines) {
    Blocks out;
    for (const std::string& line : lines) {
        if (line.starts_with("*") || out.empty()) out.emplace_back();
        out.back().push_back(line);
    }
    return out;
}

std::string keywordOf(const std::vector<std::string>& block) {
    const std::string& first = block.front();
    return first.substr(0, first.find(' '));
}

// The two orders, keyword by keyword, as the file format and the listing define them. Keywords in one
// group share a place.
using Order = test::KeywordOrder;
const Order kFileOrder = test::parseKeywordOrder(
    "*INFILE *OUTFILE *LOGFILE *DBPATH *LLPATH *BITRATE *MAXBITRATE *FRAMES *NOSMP *PROFILE *ASPECT "
    "*GOP|*AUTOGOP *B3 *CQ|*CQ_MAXBITRATE *CQ_PFACTOR *CQ_BFACTOR *AQ *DC_PREC "
    "*BFF|*PROGRESSIVE|*INTERLACED|*DVSOURCE|*TFF *CHROMADOWNSAMPLE *NOSCD *NOVBV *CLOSEDGOPS *1PASS "
    "*NOSEQ_ENDCODE *SCDFILE *FRAMELOG *BIAS *MASK_SHIFT *AVSMEMORY *LOSSLESS *ADAPTIVEMATRIX *PULLDOWN "
    "*LASTIFRAME *PREVIEW *SILENT *TIMECODE *MPEGLEVEL *INTRAVLC *MATRIX|*CUSTOMMATRIX *LUMGAIN *COLOUR "
    "*CPU *PRIORITY *CHROMAFORMAT *WAIT *SHUTDOWN *FRAMESIZE *CHAPTER *ZONE *PANSCAN");
const Order& kListingOrder = test::listingOrder();

int rank(const Order& order, const std::string& keyword) {
    for (std::size_t i = 0; i < order.size(); ++i)
        if (std::find(order[i].begin(), order[i].end(), keyword) != order[i].end())
            return static_cast<int>(i);
    return -1;
}

::testing::AssertionResult inOrder(const Blocks& b, const Order& order) {
    int last = -1;
    for (const auto& block : b) {
        const int r = rank(order, keywordOf(block));
        if (r < 0) return ::testing::AssertionFailure() << "unknown line " << block.front();
        if (r < last) return ::testing::AssertionFailure() << block.front() << " out of order";
        last = r;
    }
    return ::testing::AssertionSuccess();
}

bool isName(const std::string& keyword) {
    return keyword == "*INFILE" || keyword == "*OUTFILE" || keyword == "*LOGFILE" || keyword == "*DBPATH" ||
           keyword == "*LLPATH";
}

TEST(IniListing, SameLinesAsTheWriterInTheListingsOrder) {
    test::SettingsGenerator gen(99);
    test::RoundTripWorld& w = test::firstWorld();
    int charWidth = 6;
    w.hooks.listingCharWidth = [&charWidth] { return charWidth; };
    int cut = 0, folderOnlyInListing = 0;
    for (int i = 0; i < 300; ++i) {
        gen.fill(w);
        std::string written;
        ASSERT_TRUE(renderIniText(*w.settings, w.controls, written));
        showIniListing(*w.settings, w.controls, w.status, w.hooks);
        const std::vector<std::string> listed =
            w.controls.at(PageId::Settings1, ids::settings1::iniListing).lines();
        for (PageId page : {PageId::Settings2, PageId::Settings3})
            EXPECT_EQ(w.controls.at(page, ids::settings1::iniListing).lines(), listed);

        // The writer's blocks, made into what the listing shows.
        Blocks expected;
        std::size_t longestName = 0;
        for (auto block : blocks(test::iniLines(written))) {
            const std::string keyword = keywordOf(block);
            if (keyword == "*DBPATH" || keyword == "*LLPATH") continue;
            if (isName(keyword)) {
                cut += block.front().size() > 18 + 127 ? 1 : 0;
                block.front().resize(std::min<std::size_t>(block.front().size(), 18 + 127));
            }
            expected.push_back(block);
        }
        for (auto [keyword, path] :
             {std::pair{"*DBPATH", w.settings->dbPath}, {"*LLPATH", w.settings->llPath}}) {
            if (path.empty()) continue;
            expected.push_back({test::valueLine(keyword, path.substr(0, 127))});
            folderOnlyInListing += written.find(keyword) == std::string::npos ? 1 : 0;
        }
        const Blocks shown = blocks(listed);
        for (const auto& block : shown)
            if (isName(keywordOf(block))) longestName = std::max(longestName, block.front().size());

        EXPECT_TRUE(inOrder(blocks(test::iniLines(written)), kFileOrder)) << "case " << i;
        EXPECT_TRUE(inOrder(shown, kListingOrder)) << "case " << i;
        Blocks sortedShown = shown, sortedExpected = expected;
        std::sort(sortedShown.begin(), sortedShown.end());
        std::sort(sortedExpected.begin(), sortedExpected.end());
        EXPECT_EQ(sortedShown, sortedExpected) << "case " << i;
        const int extent = w.controls.at(PageId::Settings3, ids::settings1::iniListing).horizontalExtent;
        EXPECT_EQ(extent, longestName ? static_cast<int>(longestName + 2) * charWidth : 0) << "case " << i;
        if (HasFailure()) break;
        charWidth = 5 + i % 4;
    }
    EXPECT_GT(cut, 10);
    EXPECT_GT(folderOnlyInListing, 10);
}

TEST(IniListing, StopsAtAnInvalidQuantiserValue) {
    test::RoundTripWorld& w = test::firstWorld();
    w.restart();
    w.controls.setChecked(PageId::Settings1, ids::settings1::constantQuantCheck, true);
    w.controls.setText(PageId::Settings1, ids::settings1::quantValueEdit, "4.x");
    w.controls.setChecked(PageId::Settings2, ids::settings2::allow3BFramesCheck, true);
    w.status.show(" before");
    showIniListing(*w.settings, w.controls, w.status, w.hooks);
    EXPECT_EQ(w.controls.at(PageId::Settings2, ids::settings2::iniListing).lines(),
              (std::vector<std::string>{test::valueLine("*AUTOGOP", "15")}))
        << "*B3 comes after the quantiser lines in the listing, so it is not reached";
    EXPECT_EQ(w.statusText(), " show Mivo.ini aborted, invalid CQ value, not a number");

    w.controls.setText(PageId::Settings1, ids::settings1::quantValueEdit, "4.000");
    w.status.show(" before");
    showIniListing(*w.settings, w.controls, w.status, w.hooks);
    EXPECT_EQ(w.statusText(), " before") << "a complete listing shows no message";
    EXPECT_EQ(w.controls.at(PageId::Settings2, ids::settings2::iniListing).itemCount(), 6);
}

} // namespace
} // namespace mivo
