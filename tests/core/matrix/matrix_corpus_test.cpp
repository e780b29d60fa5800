// Replays the fuzz corpus of the matrix file readers, so every build checks it without clang.

#include "../../fuzz/mtx_reader/matrix_round_trip.h"
#include "core/whole_file.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace mivo {
namespace {

TEST(MatrixCorpus, EveryInputReadsAndWhatItReadsRoundTrips) {
    const std::filesystem::path corpus = std::filesystem::path(MIVO_FUZZ_DIR) / "mtx_reader" / "corpus";
    ASSERT_TRUE(std::filesystem::is_directory(corpus)) << corpus;
    int files = 0, read = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
        std::string bytes;
        ASSERT_TRUE(readWholeFile(entry.path().string(), bytes)) << entry.path();
        EXPECT_EQ(test::checkMatrixReaders(bytes), "") << entry.path().filename();
        MatrixPair pair;
        read += parseMtxText(bytes, pair) == MatrixFileResult::Ok || parseMpeg2encMatrixText(bytes, pair);
        ++files;
    }
    // The corpus reaches both the readers' failures and what they read.
    EXPECT_GE(files, 8);
    EXPECT_GE(read, 3);
}

} // namespace
} // namespace mivo
