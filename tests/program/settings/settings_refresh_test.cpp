#include "settings_world.h"

#include "core/source/d2v_check.h"

#include <gtest/gtest.h>

namespace mivo {
namespace {

using test::SettingsWorld;
namespace m = ids::main;
namespace s1 = ids::settings1;
namespace s2 = ids::settings2;
namespace s3 = ids::settings3;
namespace mx = ids::matrix;
constexpr PageId kMain = PageId::Main, kS1 = PageId::Settings1, kS2 = PageId::Settings2,
                 kS3 = PageId::Settings3;

SettingsWorld& loaded(SettingsWorld& w, std::string_view text) {
    w.reset();
    w.load(text);
    return w;
}

TEST(SettingsRefresh, FactorsSnapToTheTable) {
    struct Case {
        const char* value;
        const char* shown;
        int position;
    };
    for (const Case& c : {Case{"1.07", "1.050", 10}, Case{"9", "4.000", 32}, Case{"1.125", "1.100", 11},
                          Case{"0.1", "0.500", 1}, Case{"0.775", "0.750", 4}, Case{"2.3", "2.200", 23},
                          Case{"2.31", "2.400", 24}}) {
        SettingsWorld w;
        loaded(w, std::string("*CQ_PFACTOR ") + c.value + "\n*CQ_BFACTOR " + c.value + "\n");
        EXPECT_EQ(w.text(kS1, s1::pFactorEdit), c.shown) << c.value;
        EXPECT_EQ(w.pos(kS1, s1::pFactorUpDown), c.position) << c.value;
        EXPECT_EQ(w.text(kS1, s1::bFactorEdit), c.shown) << c.value;
        EXPECT_EQ(w.pos(kS1, s1::bFactorUpDown), c.position) << c.value;
        EXPECT_FLOAT_EQ(w.s().cqPFactor, kQuantFactors[static_cast<std::size_t>(c.position - 1)]);
    }
}

TEST(SettingsRefresh, GopAndThreeBFrames) {
    SettingsWorld w;
    loaded(w, "*GOP 50 3\n");
    EXPECT_FALSE(w.checked(kMain, m::autoGopCheck));
    EXPECT_EQ(w.text(kS1, s1::gopLengthEdit), "36");
    EXPECT_EQ(w.text(kS1, s1::bFramesEdit), "2");
    EXPECT_EQ(w.pos(kS1, s1::gopLengthUpDown), 36);
    EXPECT_EQ(w.pos(kS1, s1::bFramesUpDown), 2);
    for (int id : {s1::gopLengthEdit, s1::gopLengthUpDown, s1::bFramesEdit, s1::bFramesUpDown})
        EXPECT_TRUE(w.enabled(kS1, id)) << id;
    EXPECT_FALSE(w.checked(kS2, s2::allow3BFramesCheck));

    loaded(w, "*GOP 0 3\n*B3\n");
    EXPECT_EQ(w.text(kS1, s1::gopLengthEdit), "1");
    EXPECT_EQ(w.text(kS1, s1::bFramesEdit), "3");
    EXPECT_EQ(w.pos(kS1, s1::bFramesUpDown), 3);
    EXPECT_EQ(w.s().maxConsecutiveB, 3);
    EXPECT_TRUE(w.checked(kS2, s2::allow3BFramesCheck));

    // *B3 alone shows 3 B-frames; autogop stays on.
    loaded(w, "*B3\n*AUTOGOP 14\n");
    EXPECT_TRUE(w.checked(kMain, m::autoGopCheck));
    EXPECT_EQ(w.text(kS1, s1::bFramesEdit), "3");
    EXPECT_EQ(w.text(kMain, m::autoGopLengthEdit), "14");
    EXPECT_EQ(w.pos(kMain, m::autoGopLengthUpDown), 14);
    EXPECT_FALSE(w.enabled(kS1, s1::bFramesEdit));
}

TEST(SettingsRefresh, Bitrates) {
    SettingsWorld w;
    loaded(w, "*MAXBITRATE 3000\n*BITRATE 4000\n");
    EXPECT_EQ(w.text(kMain, m::maxBitrateEdit), "4000");
    EXPECT_EQ(w.text(kMain, m::averageBitrateEdit), "4000");
    loaded(w, "*BITRATE 9500\n");
    EXPECT_EQ(w.text(kMain, m::maxBitrateEdit), "9500") << "the default maximum rises with the average";
    loaded(w, "*MAXBITRATE 3000\n");
    EXPECT_EQ(w.text(kMain, m::maxBitrateEdit), "4000") << "... and with the default average";
    loaded(w, "*CQ_MAXBITRATE 4\n*MAXBITRATE 3000\n");
    EXPECT_EQ(w.text(kMain, m::maxBitrateEdit), "3000") << "constant quantisation has no average to rise to";
    loaded(w, "*BITRATE 1234567\n");
    EXPECT_EQ(w.text(kMain, m::averageBitrateEdit), "******");
    // Whatever the file says, the bitrate group and the encode button wait for a source.
    for (int id : {m::averageBitrateRadio, m::fileLengthRadio, m::fileLengthEdit, m::averageBitrateEdit,
                   m::maxBitrateEdit})
        EXPECT_FALSE(w.enabled(kMain, id)) << id;
    EXPECT_FALSE(w.enabled(PageId::Window, ids::window::encode));
}

TEST(SettingsRefresh, ConstantQuantisation) {
    SettingsWorld w;
    loaded(w, "*CQ 4.5\n");
    EXPECT_TRUE(w.checked(kS1, s1::constantQuantCheck));
    EXPECT_EQ(w.text(kS1, s1::quantValueEdit), "4.500");
    for (int id : {s1::quantValueEdit, s1::checkVbvCheck, s1::pFactorEdit, s1::pFactorUpDown, s1::bFactorEdit,
                   s1::bFactorUpDown})
        EXPECT_TRUE(w.enabled(kS1, id)) << id;
    EXPECT_FALSE(w.checked(kS1, s1::checkVbvCheck));
    EXPECT_FALSE(w.enabled(kS2, s2::vbrBiasEdit)) << "as the page's own switch does";

    loaded(w, "*CQ_MAXBITRATE 12\n");
    EXPECT_TRUE(w.checked(kS1, s1::constantQuantCheck));
    EXPECT_TRUE(w.checked(kS1, s1::checkVbvCheck));
    EXPECT_EQ(w.text(kS1, s1::quantValueEdit), "12.000");

    loaded(w, "*BITRATE 5000\n");
    EXPECT_FALSE(w.checked(kS1, s1::constantQuantCheck));
    EXPECT_TRUE(w.enabled(kS2, s2::vbrBiasEdit)) << "the reset gives the field back";
}

TEST(SettingsRefresh, SwitchesThatRuleOthersOut) {
    SettingsWorld w;
    loaded(w, "*PREVIEW\n*SILENT\n");
    EXPECT_TRUE(w.checked(kS2, s2::silentCheck));
    EXPECT_FALSE(w.checked(kS2, s2::previewCheck));
    EXPECT_FALSE(w.enabled(kS2, s2::previewCheck));
    loaded(w, "*PREVIEW\n");
    EXPECT_TRUE(w.checked(kS2, s2::previewCheck));
    EXPECT_TRUE(w.enabled(kS2, s2::previewCheck));

    loaded(w, "*ADAPTIVEMATRIX\n*LUMGAIN 2\n");
    EXPECT_FALSE(w.checked(PageId::Matrix, mx::adaptiveMatrixCheck));
    EXPECT_FALSE(w.enabled(PageId::Matrix, mx::adaptiveMatrixCheck));
    EXPECT_EQ(w.text(kS2, s2::lumGainEdit), "2");
    EXPECT_EQ(w.pos(kS2, s2::lumGainTrackbar), 2);
    loaded(w, "*LUMGAIN 0\n*ADAPTIVEMATRIX\n");
    EXPECT_TRUE(w.checked(PageId::Matrix, mx::adaptiveMatrixCheck)) << "a gain of 0 leaves the matrix alone";

    loaded(w, "*PULLDOWN\n*INTERLACED\n*TFF\n");
    EXPECT_TRUE(w.checked(kMain, m::pulldownCheck));
    EXPECT_TRUE(w.checked(kS1, s1::progressiveRadio));
    EXPECT_TRUE(w.checked(kS1, s1::bffRadio));
    for (int id : {s1::autoDetectRadio, s1::progressiveRadio, s1::interlacedRadio, s1::dvSourceRadio,
                   s1::tffRadio, s1::bffRadio})
        EXPECT_FALSE(w.enabled(kS1, id)) << id;
}

TEST(SettingsRefresh, InterlacingAndFieldOrder) {
    struct Case {
        const char* text;
        int mode, order;
        bool orderEnabled;
    };
    for (const Case& c : {Case{"", s1::autoDetectRadio, s1::tffRadio, true},
                          Case{"*BFF\n", s1::autoDetectRadio, s1::bffRadio, true},
                          Case{"*PROGRESSIVE\n", s1::progressiveRadio, s1::bffRadio, false},
                          Case{"*PROGRESSIVE\n*TFF\n", s1::progressiveRadio, s1::bffRadio, false},
                          Case{"*INTERLACED\n", s1::interlacedRadio, s1::tffRadio, true},
                          Case{"*INTERLACED\n*BFF\n", s1::interlacedRadio, s1::bffRadio, true},
                          Case{"*DVSOURCE\n", s1::dvSourceRadio, s1::bffRadio, true},
                          Case{"*DVSOURCE\n*TFF\n", s1::dvSourceRadio, s1::tffRadio, true}}) {
        SettingsWorld w;
        loaded(w, c.text);
        EXPECT_TRUE(w.checked(kS1, c.mode)) << c.text;
        EXPECT_TRUE(w.checked(kS1, c.order)) << c.text;
        EXPECT_EQ(w.enabled(kS1, s1::tffRadio), c.orderEnabled) << c.text;
        EXPECT_EQ(w.enabled(kS1, s1::bffRadio), c.orderEnabled) << c.text;
    }
}

TEST(SettingsRefresh, NamesAndFolders) {
    SettingsWorld w;
    w.existing = {"/v/movie.d2v"};
    const std::string longName = "/very/long/folder/name/for/the/output/file/movie.m2v";
    loaded(w, "*INFILE /v/movie.d2v\n*OUTFILE " + longName +
                  "\n*LOGFILE /v/x.log\n*DBPATH /db\n*FRAMES 10 109\n");
    EXPECT_EQ(w.text(kMain, m::inputFileButton), "input: /v/movie.d2v");
    EXPECT_EQ(w.text(kMain, m::outputFileButton), "output: /very...me/for/the/output/file/movie.m2v");
    EXPECT_EQ(w.text(kMain, m::outputFileButton).size(), 8u + 40u);
    EXPECT_EQ(w.text(kMain, m::logFileButton), "log: /v/x.log");
    EXPECT_TRUE(w.enabled(kMain, m::outputFileButton));
    EXPECT_TRUE(w.enabled(kMain, m::logFileButton));
    EXPECT_EQ(w.text(kS3, s3::dbPathButton), "DB path set");
    EXPECT_EQ(w.text(kS3, s3::losslessPathButton), "lossless path (not set)");
    EXPECT_EQ(w.text(kMain, m::startFrameEdit), "10");
    EXPECT_EQ(w.text(kMain, m::endFrameEdit), "109");
    EXPECT_EQ(w.s().encodeFrameCount, 100);

    // A name held with trailing blanks keeps them on its button, where the display form of the input
    // check drops them.
    w.s().logFile = std::string(38, 'a') + "   ";
    w.refresh();
    EXPECT_EQ(w.text(kMain, m::logFileButton), "log: aaaaa..." + std::string(29, 'a') + "   ");
    EXPECT_EQ(displayForm(w.s().logFile), std::string(38, 'a'));

    // A file without them shows the labels of nothing chosen.
    loaded(w, "*BITRATE 4000\n");
    EXPECT_EQ(w.text(kMain, m::inputFileButton), "input file name (*.d2v, *.avs)");
    EXPECT_EQ(w.text(kMain, m::outputFileButton), "output file name (not set)");
    EXPECT_FALSE(w.enabled(kMain, m::outputFileButton));
}

TEST(SettingsRefresh, PagesFollowTheFile) {
    SettingsWorld w;
    int showMatrix = 0;
    std::vector<bool> grid;
    w.hooks.showMatrix = [&] { ++showMatrix; };
    w.hooks.enableMatrixGrid = [&](bool on) { grid.push_back(on); };
    loaded(w,
           "*MATRIX mivolow\n*COLOUR 5\n*MPEGLEVEL MP@HL\n*INTRAVLC 0\n*AVSMEMORY 512\n*LOSSLESS\n"
           "*TIMECODE 1 2 3 4\n*WAIT 0\n*BIAS 40\n*MASK_SHIFT 8 4 -6\n*NOSCD\n*NOVBV\n*CLOSEDGOPS\n*1PASS\n"
           "*NOSEQ_ENDCODE\n*SCDFILE\n*FRAMELOG\n*SHUTDOWN\n*LASTIFRAME\n*AQ 3\n*CPU sse2\n*PRIORITY high\n"
           "*CHROMAFORMAT 422\n*DC_PREC 10\n*PROFILE best\n*ASPECT 4:3\n*CHROMADOWNSAMPLE 1\n*NOSMP\n");
    EXPECT_TRUE(w.checked(PageId::Matrix, mx::builtInRadio));
    EXPECT_EQ(w.text(PageId::Matrix, mx::builtInCombo), "MIVOLOW");
    EXPECT_EQ(showMatrix, 3) << "reset, reader's reset and refresh";
    EXPECT_EQ(grid, (std::vector<bool>{false, false, false}));
    EXPECT_EQ(w.text(kS2, s2::colorimetryCombo), "BT.470-2BG");
    EXPECT_EQ(w.text(kS2, s2::mpegLevelCombo), "MP@HL");
    EXPECT_EQ(w.text(kS2, s2::intraVlcCombo), "TABLE 14");
    EXPECT_EQ(w.text(kS3, s3::avsMemoryEdit), "512");
    EXPECT_TRUE(w.checked(kS3, s3::useLosslessCheck));
    EXPECT_EQ(w.text(kS3, s3::timecodeFrameEdit), "4");
    EXPECT_EQ(w.text(kS2, s2::waitForExitEdit), "0");
    EXPECT_EQ(w.text(kS2, s2::vbrBiasEdit), "40");
    EXPECT_EQ(w.text(kS2, s2::maskShiftEdit), "-6");
    EXPECT_FALSE(w.checked(kMain, m::sceneChangeCheck));
    EXPECT_FALSE(w.checked(kS2, s2::vbvCheck));
    EXPECT_TRUE(w.checked(kMain, m::closedGopsCheck));
    EXPECT_TRUE(w.checked(kMain, m::onePassVbrCheck));
    EXPECT_FALSE(w.checked(kS2, s2::seqEndcodeCheck));
    EXPECT_TRUE(w.checked(kS2, s2::scdFileCheck));
    EXPECT_TRUE(w.checked(kS2, s2::frameLogCheck));
    EXPECT_TRUE(w.checked(kS2, s2::shutdownCheck));
    EXPECT_TRUE(w.checked(kS2, s2::lastIFrameCheck));
    EXPECT_EQ(w.text(kS1, s1::aqStrengthEdit), "3");
    EXPECT_EQ(w.pos(kS1, s1::aqStrengthTrackbar), 3);
    EXPECT_TRUE(w.checked(kS3, s3::cpuSse2Radio));
    EXPECT_TRUE(w.checked(kS3, s3::priorityHighRadio));
    EXPECT_TRUE(w.checked(kS3, s3::chroma422Radio));
    EXPECT_TRUE(w.checked(kMain, m::dcPrecision10Radio));
    EXPECT_TRUE(w.checked(kMain, m::profileBestRadio));
    EXPECT_TRUE(w.checked(kMain, m::aspect4to3Radio));
    EXPECT_TRUE(w.checked(kS1, s1::chromaInterlacedRadio));
    EXPECT_FALSE(w.checked(kMain, m::smpCheck));

    loaded(w, "*CUSTOMMATRIX\n" + std::string(64, '1') + "\n");
    EXPECT_NE(w.statusText().find("error"), std::string::npos) << "one token of 64 digits is no matrix";
    std::string custom = "*CUSTOMMATRIX\n";
    for (int i = 0; i < 128; ++i)
        custom += i == 64 ? "\n16 " : "16 ";
    grid.clear();
    loaded(w, custom);
    EXPECT_TRUE(w.checked(PageId::Matrix, mx::customRadio));
    EXPECT_FALSE(w.enabled(PageId::Matrix, mx::builtInCombo));
    EXPECT_TRUE(w.enabled(PageId::Matrix, mx::saveCqmButton));
    EXPECT_EQ(w.s().matrixChoice, 99);
    EXPECT_EQ(grid.back(), true);

    // A second load without those keywords shows the defaults again, chroma downsampling included.
    loaded(w, "*BITRATE 4000\n");
    EXPECT_TRUE(w.checked(kS1, s1::chromaProgressiveRadio));
    EXPECT_TRUE(w.checked(kMain, m::smpCheck));
    EXPECT_TRUE(w.checked(PageId::Matrix, mx::builtInRadio));
    EXPECT_EQ(w.text(kS2, s2::colorimetryCombo), "DEFAULT");
    EXPECT_EQ(w.text(kS2, s2::intraVlcCombo), "AUTO");
    EXPECT_EQ(w.text(kS3, s3::avsMemoryEdit), "");
}

} // namespace
} // namespace mivo
