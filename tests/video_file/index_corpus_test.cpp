// Replays the committed corpus of the video index reader's fuzz target in the ordinary suite.

#include "../fuzz/corpus_replay.h"
#include "../fuzz/video_index/video_index_fuzz_body.h"

namespace mivo::test {
namespace {

TEST(VideoIndexFuzzCorpus, InputsKeepTheReadersPromises) {
    const int files = replayCorpus("video_index", [](std::string_view bytes) {
        fuzz::runVideoIndex(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    });
    EXPECT_GE(files, 5);
}

} // namespace
} // namespace mivo::test
