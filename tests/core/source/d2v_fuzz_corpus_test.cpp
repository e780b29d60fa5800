// Replays the D2V fuzzer's corpus through the same body the fuzzer runs (a broken invariant aborts the
// test program).
#include "../../fuzz/corpus_replay.h"
#include "../../fuzz/d2v_check/d2v_fuzz_body.h"

TEST(D2vFuzzCorpus, EveryInputPassesTheCheckInvariants) {
    EXPECT_GE(mivo::test::replayCorpus("d2v_check",
                                       [](std::string_view bytes) {
                                           mivo::fuzz::runD2vCheck(
                                               reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                               bytes.size());
                                       }),
              8);
}
