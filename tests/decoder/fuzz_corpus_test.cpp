// Replays the committed fuzz corpus through the fuzz targets' code: the inputs that once found new
// paths through the project reader and the stream parser keep passing their invariants.

#include "../fuzz/fuzz_entries.h"
#include "stream_maker.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace mivo::test {
namespace {

namespace fs = std::filesystem;

int replay(const std::string& folder, void (*target)(const std::uint8_t*, std::size_t)) {
    int count = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        SCOPED_TRACE(entry.path().string());
        const std::vector<std::uint8_t> data = readFile(entry.path().string());
        target(data.data(), data.size()); // a broken invariant aborts the test program
        ++count;
    }
    return count;
}

TEST(FuzzCorpus, ProjectReaderInputsKeepTheirInvariants) {
    EXPECT_GE(replay(std::string(MIVO_FUZZ_DIR) + "/project_reader/corpus", &fuzz::projectReader), 10);
}

TEST(FuzzCorpus, StreamParserInputsKeepTheirInvariants) {
    EXPECT_GE(replay(std::string(MIVO_FUZZ_DIR) + "/stream_parser/corpus", &fuzz::streamParser), 5);
}

} // namespace
} // namespace mivo::test
