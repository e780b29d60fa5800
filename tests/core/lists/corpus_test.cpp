// Replays the fuzz corpora of the chapter and pan-scan file readers, so every build checks them without
// clang.

#include "../../fuzz/list_readers_check.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace mivo {
namespace {

TEST(ListsCorpus, EveryInputImportsSoundlyAndRoundTrips) {
    const std::filesystem::path corpora = std::filesystem::path(MIVO_FUZZ_DIR);
    const std::pair<const char*, std::string (*)(std::string_view)> readers[] = {
        {"chapter_reader/corpus", test::checkChapterImport},
        {"panscan_reader/corpus", test::checkPanScanImport}};
    for (const auto& [folder, check] : readers) {
        ASSERT_TRUE(std::filesystem::is_directory(corpora / folder)) << folder;
        int files = 0;
        for (const auto& entry : std::filesystem::directory_iterator(corpora / folder)) {
            std::ifstream in(entry.path(), std::ios::binary);
            std::stringstream bytes;
            bytes << in.rdbuf();
            EXPECT_EQ(check(bytes.str()), "") << folder << "/" << entry.path().filename().string();
            ++files;
        }
        EXPECT_GE(files, 2) << folder;
    }
}

} // namespace
} // namespace mivo
