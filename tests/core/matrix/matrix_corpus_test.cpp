// Replays the fuzz corpus of the matrix file readers.

#include "../../fuzz/corpus_replay.h"
#include "../../fuzz/mtx_reader/matrix_round_trip.h"

namespace mivo {
namespace {

TEST(MatrixCorpus, EveryInputReadsAndWhatItReadsRoundTrips) {
    int read = 0;
    const int files = test::replayCorpus("mtx_reader", [&read](std::string_view bytes) {
        MatrixPair pair;
        read += parseMtxText(bytes, pair) == MatrixFileResult::Ok || parseMpeg2encMatrixText(bytes, pair);
        return test::checkMatrixReaders(bytes);
    });
    // The corpus reaches both the readers' failures and what they read.
    EXPECT_GE(files, 8);
    EXPECT_GE(read, 3);
}

} // namespace
} // namespace mivo
