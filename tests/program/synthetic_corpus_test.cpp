// Replays the fuzz corpus of the synthetic source description both source doubles read.

#include "../fuzz/corpus_replay.h"
#include "../fuzz/synthetic_description/synthetic_description_check.h"

TEST(SyntheticCorpus, EveryInputIsRefusedWithAReasonOrReadWithinItsBounds) {
    EXPECT_GE(mivo::test::replayCorpus("synthetic_description", mivo::test::checkSyntheticDescription), 9);
}
