// Replays the fuzz corpus of the ini reader, and the disc and frame-size keywords through a load and a
// save.

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

// The output size survives a load and a save through its two fields, and a file without it saves none.
TEST(IniCorpus, TheFrameSizeIsKeptBySavedSettings) {
    namespace s3 = ids::settings3;
    for (const std::string line : {"*FRAMESIZE        720 576\r\n", "*FRAMESIZE        1920 1080\r\n", ""}) {
        test::RoundTripWorld& w = test::firstWorld();
        w.restart();
        w.load("*INFILE           /v/movie.d2v\r\n*SHUTDOWN\r\n" + line + "*CHAPTER         1\r\n50\r\n");
        EXPECT_EQ(w.controls.text(PageId::Settings3, s3::frameWidthEdit).empty(), line.empty()) << line;
        const std::string saved = w.save();
        EXPECT_NE(saved.find("*SHUTDOWN\r\n" + line + "*CHAPTER"), std::string::npos) << saved;
        EXPECT_EQ(test::checkSavedText(saved), "") << line;
    }
}

} // namespace
} // namespace mivo
