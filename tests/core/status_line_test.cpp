#include "core/control_ids.h"
#include "core/control_model.h"
#include "core/status_line.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace mivo {
namespace {

std::string letters(std::size_t n, char c = 'x') {
    return std::string(n, c);
}

TEST(StatusBuffer, ReplaceAndAppendStayWithinTwoHundredCharacters) {
    StatusBuffer b;
    // A 250-character message (blanks every 50 so the line breaking has somewhere to act).
    std::string long250;
    for (int i = 0; i < 5; ++i)
        long250 += letters(49, static_cast<char>('a' + i)) + "-";
    ASSERT_EQ(long250.size(), 250u);
    std::string shown(b.write(long250, false));
    EXPECT_EQ(shown, long250.substr(0, 200));

    // An append after 190 characters keeps only the first 10 of the new text.
    b.write(letters(190, 'a'), false);
    shown = std::string(b.write("0123456789ABCDEF", true));
    EXPECT_EQ(shown.size(), 200u);
    EXPECT_EQ(shown.substr(190), "0123456789");

    // Trailing blanks are never part of a message, and line feeds inside it become blanks.
    shown = std::string(b.write(" first\nsecond   ", false));
    EXPECT_EQ(shown, " first second");
}

TEST(StatusBuffer, BreaksAtTheFirstBlankAfterOneHundredCharacters) {
    StatusBuffer b;
    // 150 characters with blanks at positions 90 and 120 (1-based): the break falls on 120.
    std::string text = letters(150);
    text[89] = ' ';
    text[119] = ' ';
    std::string shown(b.write(text, false));
    EXPECT_EQ(shown[89], ' ');
    EXPECT_EQ(shown[119], '\n');
    EXPECT_EQ(shown.find('\n'), 119u);

    // The example of the pulldown switch: one text of 138 characters on two lines, broken at the first
    // blank at or after position 101.
    const std::string first =
        " pulldown turned on, set flags for 23.976 --> 29.97 fps, interlaced is disabled";
    const std::string second = ", if your source is interlaced please de-interlace it first";
    const std::size_t expectedBreak = (first + second).find(' ', 100);
    b.write(first, false);
    shown = std::string(b.write(second, true));
    EXPECT_EQ(shown.size(), 138u);
    EXPECT_EQ(shown.find('\n'), expectedBreak);
    EXPECT_EQ(std::count(shown.begin(), shown.end(), '\n'), 1);

    // A later append recomputes the breaks over the whole text: the earlier break is not doubled.
    shown = std::string(b.write(" more", true));
    EXPECT_EQ(std::count(shown.begin(), shown.end(), '\n'), 1);
}

TEST(StatusLine, ClearEmptiesTheControlButNotTheBuffer) {
    ControlModel model;
    StatusLine status(model);
    status.show(" chapter file written");
    EXPECT_EQ(model.text(PageId::Window, ids::window::status), " chapter file written");
    status.clear();
    EXPECT_EQ(model.text(PageId::Window, ids::window::status), "");
    status.append(", 3 chapters");
    EXPECT_EQ(model.text(PageId::Window, ids::window::status), " chapter file written, 3 chapters");
}

} // namespace
} // namespace mivo
