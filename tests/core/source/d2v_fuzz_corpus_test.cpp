// Replays the D2V fuzzer's corpus through the same body the fuzzer runs, so every input that once
// mattered keeps being checked in the ordinary suite.
#include "../../fuzz/d2v_check/d2v_fuzz_body.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

TEST(D2vFuzzCorpus, EveryInputPassesTheCheckInvariants) {
    const std::filesystem::path corpus = std::filesystem::path(MIVO_FUZZ_DIR) / "d2v_check" / "corpus";
    ASSERT_TRUE(std::filesystem::is_directory(corpus)) << corpus;
    int replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        // The body aborts the process on a broken invariant, which fails the test run.
        mivo::fuzz::runD2vCheck(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        ++replayed;
    }
    EXPECT_GE(replayed, 8);
}
