#include "core/free_format.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace mivo::ff {
namespace {

TEST(FreeFormat, IntegerTokens) {
    int v = 0;
    EXPECT_TRUE(parseInt("5", v));
    EXPECT_EQ(v, 5);
    EXPECT_TRUE(parseInt("+17", v));
    EXPECT_EQ(v, 17);
    EXPECT_TRUE(parseInt("-007", v));
    EXPECT_EQ(v, -7);
    EXPECT_TRUE(parseInt("2147483647", v));
    EXPECT_EQ(v, 2147483647);
    EXPECT_TRUE(parseInt("-2147483648", v));
    EXPECT_EQ(v, -2147483647 - 1);
    v = 99;
    for (const char* bad : {"", "-", "+", "+-5", "--5", "5.0", "5e2", "six", "5six", "2147483648",
                            "-2147483649", "99999999999999999999999", "0x10", " 5"}) {
        EXPECT_FALSE(parseInt(bad, v)) << bad;
        EXPECT_EQ(v, 99) << "a failed read leaves the value alone: " << bad;
    }
}

TEST(FreeFormat, RealTokens) {
    struct Case {
        const char* text;
        float value;
    };
    for (const Case& c :
         {Case{"5", 5.0f}, Case{"4.500", 4.5f}, Case{".5", 0.5f}, Case{"5.", 5.0f}, Case{"-1.25", -1.25f},
          Case{"+3", 3.0f}, Case{"1e3", 1000.0f}, Case{"1E+3", 1000.0f}, Case{"2.5D-1", 0.25f},
          Case{"1d2", 100.0f}, Case{"0007.50", 7.5f}}) {
        float v = 0.0f;
        EXPECT_TRUE(parseReal(c.text, v)) << c.text;
        EXPECT_FLOAT_EQ(v, c.value) << c.text;
    }
    float v = 42.0f;
    for (const char* bad : {"", ".", "-", "e5", "1e", "1e+", "1.2.3", "inf", "nan", "INF", "0x1p3", "1f",
                            "5six", "1e99", "--1", "1 "}) {
        EXPECT_FALSE(parseReal(bad, v)) << bad;
        EXPECT_EQ(v, 42.0f) << bad;
    }
}

TEST(FreeFormat, SeparatorsOnOneLine) {
    std::array<int, 3> v{};
    EXPECT_EQ(readInts("1 2 3", v), ReadStatus::Ok);
    EXPECT_EQ(v, (std::array<int, 3>{1, 2, 3}));
    EXPECT_EQ(readInts("  4,5 ,  6  extra words", v), ReadStatus::Ok);
    EXPECT_EQ(v, (std::array<int, 3>{4, 5, 6}));
    EXPECT_EQ(readInts("7\t8,\t9,", v), ReadStatus::Ok);
    EXPECT_EQ(v, (std::array<int, 3>{7, 8, 9}));
    // Too few values, a value that is no integer, and the uncommon list forms this reader leaves out.
    EXPECT_EQ(readInts("1 2", v), ReadStatus::Missing);
    EXPECT_EQ(readInts("", v), ReadStatus::Missing);
    EXPECT_EQ(readInts("1 two 3", v), ReadStatus::Invalid);
    EXPECT_EQ(readInts("1,,3", v), ReadStatus::Invalid);
    EXPECT_EQ(readInts(",1,2,3", v), ReadStatus::Invalid);
    EXPECT_EQ(readInts("3*0", v), ReadStatus::Invalid);
    EXPECT_EQ(readInts("1 2/", v), ReadStatus::Invalid);

    float r = 0.0f;
    EXPECT_EQ(readReal(" 4 ", r), ReadStatus::Ok);
    EXPECT_EQ(r, 4.0f);
    EXPECT_EQ(readReal("   ", r), ReadStatus::Missing);
    EXPECT_EQ(readReal("abc", r), ReadStatus::Invalid);
    int one = 0;
    EXPECT_EQ(readInt("6000six", one), ReadStatus::Invalid);
    EXPECT_EQ(readInt("6000 six", one), ReadStatus::Ok);
    EXPECT_EQ(one, 6000);
}

TEST(FreeFormat, TokenScannerMarksEmptyValues) {
    TokenScanner t(" a , b,,c ,");
    std::vector<std::string> tokens;
    while (auto tok = t.next())
        tokens.emplace_back(*tok);
    EXPECT_EQ(tokens, (std::vector<std::string>{"a", "b", "", "c"}));
}

std::vector<std::string> allLines(std::string_view text, std::size_t max = 512) {
    TextLines lines(text, max);
    std::vector<std::string> out;
    while (auto l = lines.next())
        out.emplace_back(*l);
    return out;
}

TEST(FreeFormat, LineEnds) {
    using V = std::vector<std::string>;
    EXPECT_EQ(allLines("a\r\nb\r\n"), (V{"a", "b"}));
    EXPECT_EQ(allLines("a\nb\n"), (V{"a", "b"}));
    EXPECT_EQ(allLines("a\r\nb"), (V{"a", "b"})) << "the last line needs no line end";
    EXPECT_EQ(allLines("a\nb\r"), (V{"a", "b"})) << "a CR at the very end is a line end too";
    EXPECT_EQ(allLines("a\r\r\nb"), (V{"a\r", "b"})) << "only the CR right before the LF goes";
    EXPECT_EQ(allLines("\n\nx"), (V{"", "", "x"}));
    EXPECT_EQ(allLines(""), V{});
    EXPECT_EQ(allLines(std::string("a\0b\nc", 5)), (V{std::string("a\0b", 3), "c"}));
    const std::string longLine = std::string(600, 'x') + "\nnext";
    EXPECT_EQ(allLines(longLine), (V{std::string(512, 'x'), "next"})) << "long lines are cut, not split";
    EXPECT_EQ(allLines(longLine, 20), (V{std::string(20, 'x'), "next"}));
}

TEST(FreeFormat, ListReadSpansLinesAndDropsTheRest) {
    TextLines lines("head\n100 200\n\n  300 400\nafter\n");
    EXPECT_EQ(lines.next(), "head");
    {
        ListRead list(lines);
        int a = 0, b = 0, c = 0;
        EXPECT_EQ(list.nextInt(a), ReadStatus::Ok);
        EXPECT_EQ(list.nextInt(b), ReadStatus::Ok);
        EXPECT_EQ(list.nextInt(c), ReadStatus::Ok);
        EXPECT_EQ((std::array<int, 3>{a, b, c}), (std::array<int, 3>{100, 200, 300}));
    }
    EXPECT_EQ(lines.next(), "after") << "400 is dropped with the rest of its line";

    // Every read starts on a fresh line, also when the previous one left values unread.
    TextLines two("1 2 3\n4 5\n");
    float x = 0.0f, y = 0.0f;
    ListRead first(two);
    EXPECT_EQ(first.nextReal(x), ReadStatus::Ok);
    ListRead second(two);
    EXPECT_EQ(second.nextReal(y), ReadStatus::Ok);
    EXPECT_EQ(x, 1.0f);
    EXPECT_EQ(y, 4.0f);

    TextLines shortList("1\n2\n");
    ListRead list(shortList);
    int v = 0;
    EXPECT_EQ(list.nextInt(v), ReadStatus::Ok);
    EXPECT_EQ(list.nextInt(v), ReadStatus::Ok);
    EXPECT_EQ(list.nextInt(v), ReadStatus::Missing);

    TextLines bad("1 *BITRATE 5000\n");
    ListRead badList(bad);
    EXPECT_EQ(badList.nextInt(v), ReadStatus::Ok);
    EXPECT_EQ(badList.nextInt(v), ReadStatus::Invalid);
}

// A line of digits alone is read without the token scanner; every value, status and the place where the
// next read starts must be what the scanner gives, whatever the lines around it hold.
TEST(FreeFormat, DigitLinesReadAsTheScannerReadsThem) {
    const std::vector<std::string> pieces = {"7", "123456789", "1234567890", "0042",  " 5", "5 ",  "5,6",
                                             "",  "-3",        "+4",         "12\rX", "\r", "9 9", "x"};
    const std::vector<std::string> ends = {"\n", "\r\n", "\r"};
    std::mt19937 rng(5);
    const auto pick = [&rng](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng);
    };
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        for (std::size_t n = pick(6) + 1; n > 0; --n)
            text += pieces[pick(pieces.size())] + ends[pick(ends.size())];
        if (pick(2) == 0) text.pop_back();
        const std::size_t lineMax = std::array<std::size_t, 3>{4, 9, 512}[pick(3)];
        const std::size_t readMax = std::array<std::size_t, 3>{3, 9, std::string_view::npos}[pick(3)];
        TextLines fast(text, lineMax), slow(text, lineMax);
        ListRead fastList(fast, readMax), slowList(slow, readMax);
        for (int i = 0; i < 12; ++i) {
            int a = -1, b = -1;
            const ReadStatus got = fastList.nextInt(a);
            std::optional<std::string_view> token = slowList.next();
            const ReadStatus want = !token                ? ReadStatus::Missing
                                    : parseInt(*token, b) ? ReadStatus::Ok
                                                          : ReadStatus::Invalid;
            ASSERT_EQ(got, want) << testing::PrintToString(text) << " value " << i;
            ASSERT_EQ(a, want == ReadStatus::Ok ? b : -1) << testing::PrintToString(text);
            ASSERT_EQ(fast.offset(), slow.offset()) << testing::PrintToString(text);
        }
    }
}

} // namespace
} // namespace mivo::ff
