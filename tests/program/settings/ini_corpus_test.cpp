// Replays the fuzz corpus of the ini reader, and the disc keywords through a load and a save.

#include "../../fuzz/corpus_replay.h"
#include "../../fuzz/ini_reader/ini_round_trip.h"

namespace mivo {
namespace {

TEST(IniCorpus, EveryInputLoadsAndItsSaveRoundTrips) {
    EXPECT_GE(test::replayCorpus("ini_reader", test::checkIniRoundTrip), 6);
}

// The disc lines survive the front-end's save: names as written (blanks kept), the track clamped to
// 1..8 and left out at its default.
TEST(IniCorpus, TheDiscKeywordsAreKeptBySavedSettings) {
    struct Case {
        std::string track, written;
    };
    for (const Case& c : {Case{"2", "*AUDIOTRACK       2\r\n"}, Case{"99", "*AUDIOTRACK       8\r\n"},
                          Case{"1", ""}, Case{"0", ""}}) {
        test::RoundTripWorld& w = test::firstWorld();
        w.restart();
        w.load("*INFILE           /v/movie.d2v\r\n*OUTFILE          /v/out.m2v\r\n*DVDFOLDER        /v/my "
               "disc\r\n"
               "*DVDISO           /v/my disc.iso\r\n*AUDIOFILE        /v/a.ac3\r\n*AUDIOTRACK       " +
               c.track + "\r\n");
        const std::string saved = w.save();
        EXPECT_NE(saved.find("*DVDFOLDER        /v/my disc\r\n*DVDISO           /v/my disc.iso\r\n"
                             "*AUDIOFILE        /v/a.ac3\r\n" +
                             c.written),
                  std::string::npos)
            << saved;
        if (c.written.empty()) {
            EXPECT_EQ(saved.find("*AUDIOTRACK"), std::string::npos) << saved;
        }
        EXPECT_EQ(test::checkSavedText(saved), "") << c.track;
    }
}

} // namespace
} // namespace mivo
