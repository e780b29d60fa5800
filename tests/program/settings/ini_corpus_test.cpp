// Replays the fuzz corpus of the ini reader.

#include "../../fuzz/corpus_replay.h"
#include "../../fuzz/ini_reader/ini_round_trip.h"

namespace mivo {
namespace {

TEST(IniCorpus, EveryInputLoadsAndItsSaveRoundTrips) {
    EXPECT_GE(test::replayCorpus("ini_reader", test::checkIniRoundTrip), 6);
}

} // namespace
} // namespace mivo
