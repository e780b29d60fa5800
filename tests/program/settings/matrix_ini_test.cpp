// The custom pair through an ini file: saved under *CUSTOMMATRIX, it loads back unchanged, and its block
// is the matrix text form.

#include "../../core/matrix/matrix_pairs.h"

#include "../../fuzz/ini_reader/ini_round_trip.h"
#include "core/matrix/custom_matrix.h"
#include "core/matrix/matrix_file.h"

#include <gtest/gtest.h>

namespace mivo {
namespace {

TEST(MatrixIni, ACustomPairSavedLoadsBackUnchanged) {
    test::RoundTripWorld& first = test::firstWorld();
    test::RoundTripWorld& second = test::secondWorld();
    std::mt19937 rng(3);
    for (int i = 0; i < 60; ++i) {
        const MatrixPair pair = test::randomCustomPair(rng);
        first.restart();
        first.controls.setChecked(PageId::Matrix, ids::matrix::customRadio, true);
        first.settings->matrixChoice = kCustomMatrixChoice;
        setCustomMatrixPair(*first.settings, pair);
        const std::string written = first.save();
        const std::size_t block = written.find("*CUSTOMMATRIX\r\n");
        ASSERT_NE(block, std::string::npos) << written;

        second.restart();
        second.load(written);
        ASSERT_EQ(customMatrixPair(*second.settings), pair) << "case " << i << ":\n" << written;
        MatrixPair fromBlock;
        ASSERT_EQ(parseMtxText(std::string_view(written).substr(block + 15), fromBlock),
                  MatrixFileResult::Ok);
        ASSERT_EQ(fromBlock, pair) << "case " << i;
    }
}

} // namespace
} // namespace mivo
