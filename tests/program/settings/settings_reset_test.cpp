#include "settings_world.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace mivo {
namespace {

using test::SettingsWorld;
namespace m = ids::main;
namespace s1 = ids::settings1;
namespace s2 = ids::settings2;
namespace s3 = ids::settings3;
namespace mx = ids::matrix;
constexpr PageId kMain = PageId::Main;

constexpr const char* kDefaultFile =
    "*BITRATE          4000\r\n*AUTOGOP          15\r\n*AQ               2\r\n"
    "*INTRAVLC         2\r\n*MATRIX           mpeg\r\n";

TEST(SettingsReset, PutsEveryOptionBack) {
    SettingsWorld w;
    w.reset();
    ControlModel& c = w.controls;
    // Turn every page upside down, as a user could.
    c.setChecked(kMain, m::profileBestRadio, true);
    c.setChecked(kMain, m::aspect1to1Radio, true);
    c.setChecked(kMain, m::dcPrecision11Radio, true);
    for (int id : {m::sceneChangeCheck, m::autoGopCheck, m::smpCheck})
        c.setChecked(kMain, id, false);
    for (int id : {m::closedGopsCheck, m::pulldownCheck, m::onePassVbrCheck})
        c.setChecked(kMain, id, true);
    c.setText(kMain, m::averageBitrateEdit, "9000");
    c.setText(kMain, m::autoGopLengthEdit, "18");
    c.setChecked(PageId::Settings1, s1::dvSourceRadio, true);
    c.setChecked(PageId::Settings1, s1::chromaInterlacedRadio, true);
    c.setChecked(PageId::Settings1, s1::constantQuantCheck, true);
    c.setEnabled(PageId::Settings2, s2::vbrBiasEdit, false);
    c.setText(PageId::Settings1, s1::aqStrengthEdit, "0");
    for (int id : {s2::lastIFrameCheck, s2::allow3BFramesCheck, s2::scdFileCheck, s2::frameLogCheck,
                   s2::previewCheck, s2::silentCheck, s2::shutdownCheck})
        c.setChecked(PageId::Settings2, id, true);
    for (int id : {s2::vbvCheck, s2::seqEndcodeCheck})
        c.setChecked(PageId::Settings2, id, false);
    c.setText(PageId::Settings2, s2::waitForExitEdit, "0");
    c.setText(PageId::Settings2, s2::maskTopEdit, "8");
    c.setText(PageId::Settings2, s2::lumGainEdit, "4");
    c.selectText(PageId::Settings2, s2::mpegLevelCombo, "MP@HL");
    c.selectText(PageId::Settings2, s2::intraVlcCombo, "TABLE 15");
    c.setText(PageId::Settings3, s3::timecodeHourEdit, "5");
    c.setChecked(PageId::Settings3, s3::cpuMmxRadio, true);
    c.setChecked(PageId::Settings3, s3::priorityHighRadio, true);
    c.setChecked(PageId::Settings3, s3::chroma422Radio, true);
    c.setText(PageId::Settings3, s3::avsMemoryEdit, "64");
    c.setChecked(PageId::Settings3, s3::useLosslessCheck, true);
    c.setChecked(PageId::Matrix, mx::customRadio, true);
    c.setChecked(PageId::Matrix, mx::adaptiveMatrixCheck, true);
    w.s().colour = 6;
    w.s().matrixChoice = 99;
    w.s().chromaDownsampling = 1;
    ASSERT_NE(w.render(), kDefaultFile);

    SettingsContext ctx = w.ctx();
    resetButton(ctx);
    EXPECT_EQ(w.statusText(), " all values reset to default");
    EXPECT_EQ(w.render(), kDefaultFile);
    EXPECT_TRUE(w.checked(PageId::Settings1, s1::chromaProgressiveRadio));
    EXPECT_TRUE(w.enabled(PageId::Settings2, s2::vbrBiasEdit));
    EXPECT_EQ(w.s().chromaDownsampling, 0);
    EXPECT_EQ(w.s().colour, 0);
    EXPECT_EQ(w.s().matrixChoice, 1);
    EXPECT_EQ(w.text(PageId::Matrix, mx::builtInCombo), "MPEG");
    EXPECT_EQ(w.text(PageId::Settings2, s2::colorimetryCombo), "DEFAULT");
    EXPECT_EQ(w.text(PageId::Zones, ids::zones::factorEdit), "1.0");
    EXPECT_EQ(w.pos(PageId::Settings1, s1::pFactorUpDown), 9);
    EXPECT_EQ(w.pos(PageId::Settings1, s1::bFramesUpDown), 2);
}

TEST(SettingsReset, LeavesNamesListsAndMatricesAlone) {
    SettingsWorld w;
    Settings& s = w.s();
    s.inputFile = "/in.d2v";
    s.outputFile = "/out.m2v";
    s.dbPath = "/db";
    s.chapterCount = 1;
    s.chapterFrames[0] = 77;
    s.zoneCount = 1;
    s.zoneFrames[0] = 5;
    s.panScanCount = 1;
    s.panScanOffsets[0] = 16;
    s.customIntraMatrix[5] = 99;
    s.avsReload = true;
    s.startFrame = 3;
    s.seen.set(Keyword::Aq);
    w.reset();
    EXPECT_EQ(s.inputFile, "/in.d2v");
    EXPECT_EQ(s.outputFile, "/out.m2v");
    EXPECT_EQ(s.dbPath, "/db");
    EXPECT_EQ(s.chapterFrames[0], 77);
    EXPECT_EQ(s.zoneFrames[0], 5);
    EXPECT_EQ(s.panScanOffsets[0], 16);
    EXPECT_EQ(s.customIntraMatrix[5], 99);
    EXPECT_TRUE(s.avsReload);
    EXPECT_EQ(s.startFrame, 3);
    EXPECT_TRUE(s.seen.test(Keyword::Aq));
}

TEST(SettingsReset, FollowsTheSource) {
    SettingsWorld w;
    w.reset();
    for (int id : {m::averageBitrateRadio, m::fileLengthRadio, m::fileLengthEdit, m::averageBitrateEdit,
                   m::maxBitrateEdit})
        EXPECT_FALSE(w.enabled(kMain, id)) << id;
    EXPECT_EQ(w.text(kMain, m::fileLengthEdit), "");
    EXPECT_FALSE(w.enabled(kMain, m::aspectPanScanRadio));
    EXPECT_FALSE(w.enabled(PageId::Window, ids::window::encode));
    EXPECT_FALSE(w.enabled(kMain, m::outputFileButton));

    // 720 x 576 at 25 fps, 2500 frames to encode, an output chosen.
    w.source.sourceReady = true;
    w.source.inputAccepted = true;
    w.source.outputChosen = true;
    w.source.width = 720;
    w.source.height = 576;
    w.source.frameRate = 25.0f;
    w.s().encodeFrameCount = 2500;
    w.controls.setText(kMain, m::outputFileButton, "output: /x.m2v");
    w.reset();
    EXPECT_TRUE(w.enabled(kMain, m::averageBitrateEdit));
    EXPECT_TRUE(w.enabled(kMain, m::maxBitrateEdit));
    EXPECT_FALSE(w.enabled(kMain, m::fileLengthEdit));
    EXPECT_EQ(w.text(kMain, m::fileLengthEdit), "48828");
    EXPECT_EQ(w.s().fileLengthKb, 48828);
    EXPECT_TRUE(w.enabled(kMain, m::aspectPanScanRadio));
    EXPECT_FALSE(w.checked(kMain, m::aspectPanScanRadio));
    EXPECT_TRUE(w.enabled(PageId::Window, ids::window::encode));
    EXPECT_TRUE(w.enabled(kMain, m::outputFileButton));
    EXPECT_EQ(w.text(kMain, m::outputFileButton), "output: /x.m2v") << "an accepted input keeps the labels";

    w.source.width = 1280;
    w.source.height = 720;
    w.source.frameRate = 1.0f;
    w.reset();
    EXPECT_FALSE(w.enabled(kMain, m::aspectPanScanRadio));
    EXPECT_EQ(w.text(kMain, m::fileLengthEdit), "0") << "no file length at a frame rate of 1 or below";

    SettingsWorld one;
    one.processors = 1;
    one.reset();
    EXPECT_FALSE(one.checked(kMain, m::smpCheck));
    EXPECT_FALSE(one.s().smp);
}

TEST(SettingsFlows, LoadAndSaveMivoIni) {
    const std::filesystem::path dir = std::filesystem::path(MIVO_BINARY_DIR) / "settings_flows_test";
    std::filesystem::create_directories(dir);
    const std::string ini = (dir / "Mivo.ini").string();
    std::ofstream(ini, std::ios::binary) << "*INFILE /v/movie.avs\r\n*BITRATE 6000\r\n*ZONE 1\r\n10 1.5\r\n";

    SettingsWorld w;
    w.existing = {"/v/movie.avs", ini};
    std::vector<std::string> calls;
    w.hooks.showMovieInfo = [&] { calls.push_back("movie info"); };
    w.hooks.openSource = [&] {
        calls.push_back(std::string("open ") + (w.source.isAvisynthScript ? "avs" : "none"));
        w.source.sourceReady = true;
    };
    w.hooks.refreshAfterFileChange = [&] {
        calls.push_back(std::string("refresh ") + w.text(kMain, m::averageBitrateEdit));
    };
    w.source.sourceReady = true;
    SettingsContext ctx = w.ctx();
    loadIniFile(ctx, IniMode::Default, ini);
    EXPECT_EQ(calls, (std::vector<std::string>{"movie info", "open avs", "refresh 6000"}))
        << "reset without a source, read, refresh, open the source, source refresh";
    EXPECT_EQ(w.statusText(), " Mivo.ini successfully processed");
    EXPECT_EQ(w.s().zoneCount, 1);

    ASSERT_TRUE(saveIniFile(ctx, IniMode::Default, ini));
    std::ifstream in(ini, std::ios::binary);
    std::string first;
    std::getline(in, first);
    EXPECT_EQ(first, "*INFILE           /v/movie.avs\r");
}

} // namespace
} // namespace mivo
