// The Matrix page over the whole program: the grid shows every choice field for field, and a grid that
// shows a built-in pair never overwrites the custom one.

#include "../core/matrix/matrix_pairs.h"
#include "core/matrix/builtin_matrices.h"
#include "core/matrix/custom_matrix.h"
#include "program_world.h"

#include <array>

namespace mivo::test {
namespace {

namespace mx = ids::matrix;

class MatrixPage : public ProgramWorld {
  protected:
    MatrixGridTexts grid() {
        MatrixGridTexts texts;
        for (int row = 0; row < mx::gridSize; ++row)
            for (int col = 0; col < mx::gridSize; ++col) {
                const auto i = static_cast<std::size_t>(mx::gridSize * row + col);
                texts[i] = controls().text(PageId::Matrix, mx::intraCell(row, col));
                texts[64 + i] = controls().text(PageId::Matrix, mx::nonIntraCell(row, col));
            }
        return texts;
    }
};

TEST_F(MatrixPage, TheGridShowsEveryChoiceFieldForField) {
    start();
    const std::vector<std::string> names = controls().at(PageId::Matrix, mx::builtInCombo).items;
    ASSERT_EQ(names.size(), static_cast<std::size_t>(kBuiltInMatrixCount));
    for (std::size_t i = 0; i < names.size(); ++i) {
        controls().userSelect(PageId::Matrix, mx::builtInCombo, static_cast<int>(i));
        const int code = program->settings().matrixChoice;
        EXPECT_EQ(matrixDisplayName(code), names[i]);
        EXPECT_EQ(grid(), matrixGridTexts(builtInMatrix(code)->pair)) << names[i];
    }
    std::mt19937 rng(5);
    const MatrixPair custom = randomCustomPair(rng);
    setCustomMatrixPair(program->settings(), custom);
    controls().userClick(PageId::Matrix, mx::customRadio);
    EXPECT_EQ(grid(), matrixGridTexts(custom));
}

TEST_F(MatrixPage, AfterAnEditEveryFieldShowsTheCustomPairCorrected) {
    start();
    controls().userClick(PageId::Matrix, mx::customRadio);
    // Texts that never stand as typed: each field must be rewritten.
    const std::array<std::string, 5> typed = {"", "0", "300", "999", "007"};
    std::size_t n = 0;
    for (int first : {mx::intraFirst + 1, mx::nonIntraFirst})
        for (int id = first; id <= (first == mx::nonIntraFirst ? mx::nonIntraLast : mx::intraLast); ++id)
            controls().userType(PageId::Matrix, id, typed[n++ % typed.size()]);
    controls().userLeave();
    const MatrixPair custom = customMatrixPair(program->settings());
    EXPECT_EQ(grid(), matrixGridTexts(custom));
    for (const MatrixValues* m : {&custom.intra, &custom.nonIntra})
        for (int v : *m)
            EXPECT_TRUE(v >= kMatrixValueMin && v <= kMatrixValueMax) << v;
    EXPECT_EQ(custom.intra[0], kIntraDcValue);
}

TEST_F(MatrixPage, AGridShowingABuiltInPairIsNeverReadIntoTheCustomOne) {
    start();
    controls().userClick(PageId::Matrix, mx::customRadio);
    controls().userType(PageId::Matrix, mx::intraCell(0, 1), "99");
    const MatrixPair custom = customMatrixPair(program->settings());
    // The built-in list is chosen while the field keeps the focus (no click moved it first), so the
    // field's lose-focus comes after the grid shows the built-in pair.
    controls().notify(PageId::Matrix, mx::builtInRadio, Notify::Default);
    controls().userLeave();
    EXPECT_EQ(customMatrixPair(program->settings()), custom);
}

} // namespace
} // namespace mivo::test
