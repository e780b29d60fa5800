// The custom pair's rules: what a choice shows, the clamping and the intra DC entry, and the 128 grid
// fields read and written.

#include "matrix_pairs.h"

#include "core/matrix/builtin_matrices.h"
#include "core/matrix/custom_matrix.h"

#include <gtest/gtest.h>

namespace mivo {
namespace {

TEST(MatrixGrid, FieldsReadAsTypedThenClamped) {
    MatrixPair before;
    before.intra.fill(40);
    before.nonIntra.fill(50);
    struct Case {
        std::size_t field; // 0..63 intra, 64..127 non-intra
        std::string text;
        int value;
    };
    const Case cases[] = {
        {1, "", 16},   {1, "   ", 16},    {70, "", 16},  {1, "0", 1},      {1, "300", 255}, {1, "-5", 1},
        {1, "7", 7},   {1, " 42", 42},    {1, "4 2", 4}, {1, "1234", 123}, // three characters are read
        {1, "x1", 40}, {70, "?", 50},     {0, "99", 8},  {0, "", 8},       // the DC field is never read
        {63, "9", 9},  {127, "255", 255},
    };
    for (const Case& c : cases) {
        MatrixGridTexts texts = matrixGridTexts(before);
        texts[c.field] = c.text;
        const MatrixPair read = readMatrixGrid(texts, before);
        const int got = c.field < 64 ? read.intra[c.field] : read.nonIntra[c.field - 64];
        EXPECT_EQ(got, c.value) << "field " << c.field << " text '" << c.text << "'";
        EXPECT_EQ(read.intra[0], kIntraDcValue);
    }
}

TEST(MatrixGrid, AnyPairShownAndReadBackIsThatPairNormalised) {
    std::mt19937 rng(41);
    for (int i = 0; i < 300; ++i) {
        const MatrixPair pair = test::randomPair(rng, -1200, 1200);
        const MatrixGridTexts texts = matrixGridTexts(pair);
        for (const std::string& t : texts)
            ASSERT_LE(t.size(), kMatrixFieldChars) << t;
        MatrixPair expected = pair;
        normaliseCustomPair(expected);
        // Values too wide for a field show as "***" and keep what the pair held before.
        ASSERT_EQ(readMatrixGrid(texts, pair), expected) << "case " << i;
    }
    MatrixPair wide{};
    wide.intra[3] = 1000;
    wide.intra[4] = -42;
    const MatrixGridTexts texts = matrixGridTexts(wide);
    EXPECT_EQ(texts[3], "***");
    EXPECT_EQ(texts[4], "-42");
}

TEST(MatrixChoice, ShowingAChoiceNormalisesTheCustomPairThenFillsTheShownPair) {
    SourceState source;
    Settings s(source);
    s.setStartUpValues();
    MatrixPair loaded{};
    loaded.intra.fill(300);
    loaded.intra[0] = 3;
    loaded.nonIntra.fill(0);
    MatrixPair normalised = loaded;
    normaliseCustomPair(normalised);
    EXPECT_EQ(normalised.intra[0], kIntraDcValue);
    EXPECT_EQ(normalised.intra[1], 255);
    EXPECT_EQ(normalised.nonIntra[0], 1);

    const MatrixPair untouched = [] {
        MatrixPair p;
        p.intra.fill(77);
        return p;
    }();
    const std::pair<int, const MatrixPair*> choices[] = {
        {kCustomMatrixChoice, &normalised}, // the grid shows what the encoder will get, never a raw value
        {5, &builtInMatrix(5)->pair},
        {16, &builtInMatrix(16)->pair},
        {0, &untouched}, // a code that stands for no pair leaves the grid as it was
        {17, &untouched},
    };
    for (const auto& [choice, expected] : choices) {
        setCustomMatrixPair(s, loaded);
        s.matrixChoice = choice;
        MatrixPair shown = untouched;
        updateShownMatrix(s, shown);
        EXPECT_EQ(shown, *expected) << "choice " << choice;
        EXPECT_EQ(customMatrixPair(s), normalised) << "choice " << choice;
    }
}

} // namespace
} // namespace mivo
