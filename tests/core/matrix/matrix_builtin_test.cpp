// The sixteen built-in pairs against their published rows, and the names they go by.

#include "core/matrix/builtin_matrices.h"

#include <gtest/gtest.h>

#include <utility>

namespace mivo {
namespace {

// Two sums per matrix, worked out from the published rows apart from the table in the code: the plain
// sum catches one mistyped value, the weighted one (element i counted i + 1 times) two values swapped.
using Sums = std::pair<int, int>;

Sums sumsOf(const MatrixValues& m) {
    Sums s{0, 0};
    for (std::size_t i = 0; i < m.size(); ++i) {
        s.first += m[i];
        s.second += static_cast<int>(i + 1) * m[i];
    }
    return s;
}

struct Published {
    int code;
    std::string_view display;
    std::string_view ini;
    Sums intra;
    Sums nonIntra;
};

constexpr Published kPublished[] = {
    {1, "MPEG", "mpeg", {2114, 79036}, {1499, 52259}},
    {2, "QLB", "qlb", {2167, 81812}, {1524, 53573}},
    {3, "NOTCH", "notch", {2169, 83178}, {1930, 68818}},
    {4, "MIVO", "mivo", {2280, 89219}, {2164, 82957}},
    {5, "DELM1", "delm1", {2114, 79036}, {1930, 68818}},
    {6, "KORVA1CD", "korva1cd", {2335, 88339}, {2505, 98868}},
    {7, "HVSGOOD", "hvsgood", {1921, 77822}, {2418, 97809}},
    {8, "HVSBETTER", "hvsbetter", {1931, 78422}, {2296, 92859}},
    {9, "HVSBEST", "hvsbest", {1931, 78422}, {2172, 87861}},
    {10, "AVAMAT6", "avamat6", {2061, 75972}, {2774, 101198}},
    {11, "AVAMAT7", "avamat7", {2598, 101024}, {3401, 128951}},
    {12, "MIVOLOW", "mivolow", {2288, 91541}, {1749, 66090}},
    {13, "RUX1", "rux1", {1041, 38747}, {616, 20776}},
    {14, "RUX2", "rux2", {1038, 38675}, {808, 28258}},
    {15, "RUX3", "rux3", {1038, 38675}, {1024, 33280}},
    {16, "MPEG STANDARD", "mpegstd", {2114, 79036}, {1024, 33280}},
};

TEST(BuiltInMatrices, EveryPairMatchesItsPublishedRowsAndNames) {
    for (const Published& p : kPublished) {
        const BuiltInMatrix* m = builtInMatrix(p.code);
        ASSERT_NE(m, nullptr) << p.code;
        EXPECT_EQ(sumsOf(m->pair.intra), p.intra) << p.display;
        EXPECT_EQ(sumsOf(m->pair.nonIntra), p.nonIntra) << p.display;
        EXPECT_EQ(m->pair.intra[0], kIntraDcValue) << p.display;
        EXPECT_EQ(matrixDisplayName(p.code), p.display);
        EXPECT_EQ(matrixIniName(p.code), p.ini);
        EXPECT_EQ(matrixChoiceFromDisplayName(p.display), p.code);
    }
    for (int code : {-1, 0, 17, kCustomMatrixChoice}) {
        EXPECT_EQ(builtInMatrix(code), nullptr) << code;
        EXPECT_EQ(matrixIniName(code), "") << code;
        EXPECT_EQ(matrixDisplayName(code), "") << code;
    }
    // The settings' defaults are the standard's pair, from the same table.
    EXPECT_EQ(sumsOf(kDefaultIntraMatrix), kPublished[15].intra);
    EXPECT_EQ(sumsOf(kDefaultNonIntraMatrix), kPublished[15].nonIntra);
}

TEST(BuiltInMatrices, TheDropDownTextNamesAWholeName) {
    const std::string twentyWide = std::string("MIVO") + std::string(16, ' ');
    const std::pair<std::string, int> cases[] = {
        {"MIVO   ", 4}, {twentyWide + "X", 4}, // only 20 characters count
        {"MIVOL", 1},   {"MIV", 1},
        {"mivo", 1},    {" MIVO", 1},
        {"", 1},        {"MPEG STANDARDX", 1},
    };
    for (const auto& [text, code] : cases)
        EXPECT_EQ(matrixChoiceFromDisplayName(text), code) << '"' << text << '"';
}

} // namespace
} // namespace mivo
