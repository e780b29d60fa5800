// Replays the committed fuzz corpus through the fuzz targets' code: the inputs that once found new
// paths through the project reader and the stream parser keep passing their invariants (a broken one
// aborts the test program).

#include "../fuzz/corpus_replay.h"
#include "../fuzz/fuzz_entries.h"

namespace mivo::test {
namespace {

template <void (*Target)(const std::uint8_t*, std::size_t)> void bytesTo(std::string_view bytes) {
    Target(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

TEST(FuzzCorpus, ProjectReaderInputsKeepTheirInvariants) {
    EXPECT_GE(replayCorpus("project_reader", bytesTo<&fuzz::projectReader>), 10);
}

TEST(FuzzCorpus, StreamParserInputsKeepTheirInvariants) {
    EXPECT_GE(replayCorpus("stream_parser", bytesTo<&fuzz::streamParser>), 5);
}

} // namespace
} // namespace mivo::test
