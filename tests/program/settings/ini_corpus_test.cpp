// Replays the fuzz corpus of the ini reader, so every build checks it without clang.

#include "../../fuzz/ini_reader/ini_round_trip.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace mivo {
namespace {

TEST(IniCorpus, EveryInputLoadsAndItsSaveRoundTrips) {
    const std::filesystem::path corpus = std::filesystem::path(MIVO_FUZZ_DIR) / "ini_reader" / "corpus";
    ASSERT_TRUE(std::filesystem::is_directory(corpus)) << corpus;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        EXPECT_EQ(test::checkIniRoundTrip(bytes.str()), "") << entry.path().filename();
        ++files;
    }
    EXPECT_GE(files, 6);
}

} // namespace
} // namespace mivo
