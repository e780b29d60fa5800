#pragma once
// A quantisation matrix pair as the front-end holds it: 64 intra and 64 non-intra values, each in raster
// order (element 8 * row + column), the order of the page's grids and of both matrix file forms. Nothing
// here reorders to zigzag.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace mivo {

using MatrixValues = std::array<int, 64>;

struct MatrixPair {
    MatrixValues intra{};
    MatrixValues nonIntra{};
    bool operator==(const MatrixPair&) const = default;
};

// matrixChoice of the custom pair; 1..16 are the built-in pairs.
inline constexpr int kCustomMatrixChoice = 99;

// What a custom pair always holds once the page has shown or read it: every value in 1..255 (clamped to
// at most 255 first, then to at least 1) and the intra DC entry 8, the only value MPEG-2 allows there.
inline constexpr int kMatrixValueMin = 1;
inline constexpr int kMatrixValueMax = 255;
inline constexpr int kIntraDcValue = 8;
void normaliseCustomPair(MatrixPair& pair);

// The pair a choice stands for: a built-in pair for 1..16, `custom` for 99, nullptr for anything else
// (the shown pair then stays as it was).
const MatrixPair* pairOfChoice(int choice, const MatrixPair& custom);

// The code for a name of the built-in list as the drop-down shows it ("MIVO", "MPEG STANDARD"). Only its
// first 20 characters count, trailing blanks do not, case does; a whole name must match, never a prefix.
// A text that matches no name gives 1.
int matrixChoiceFromDisplayName(std::string_view text);

// The 128 grid fields: index i < 64 is intra field 2001 + i, index 64 + i is non-intra field 2101 + i.
inline constexpr std::size_t kMatrixGridFields = 128;
using MatrixGridTexts = std::array<std::string, kMatrixGridFields>;

// How many characters of a grid field are read.
inline constexpr std::size_t kMatrixFieldChars = 3;

// The pair as the grid shows it: each value a left-aligned decimal of at most three characters (a wider
// value shows as "***"). The intra DC field is filled too; a page that never writes it skips index 0.
MatrixGridTexts matrixGridTexts(const MatrixPair& pair);

// The grid read back into a custom pair: the intra DC entry is 8 whatever its field holds; a field that
// is empty or blank counts as 16, others are read as a free-form integer, and one that holds no integer
// falls back to the value `before` had there; every value is then clamped to 1..255.
MatrixPair readMatrixGrid(const MatrixGridTexts& texts, const MatrixPair& before);

} // namespace mivo
