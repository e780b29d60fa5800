// Replays the fuzz corpora of the chapter and pan-scan file readers.

#include "../../fuzz/corpus_replay.h"
#include "../../fuzz/list_readers_check.h"

namespace mivo {
namespace {

TEST(ListsCorpus, EveryInputImportsSoundlyAndRoundTrips) {
    EXPECT_GE(test::replayCorpus("chapter_reader", test::checkChapterImport), 2);
    EXPECT_GE(test::replayCorpus("panscan_reader", test::checkPanScanImport), 2);
}

} // namespace
} // namespace mivo
