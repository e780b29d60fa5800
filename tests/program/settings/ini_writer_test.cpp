#include "settings_world.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace mivo {
namespace {

using test::iniLines;
using test::SettingsWorld;
using test::valueLine;
using Lines = std::vector<std::string>;
namespace m = ids::main;
namespace s1 = ids::settings1;
namespace s2 = ids::settings2;
namespace s3 = ids::settings3;
namespace mx = ids::matrix;

std::string fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

TEST(IniWriter, DefaultsWriteFiveLines) {
    SettingsWorld two;
    two.reset();
    EXPECT_EQ(two.render(), "*BITRATE          4000\r\n"
                            "*AUTOGOP          15\r\n"
                            "*AQ               2\r\n"
                            "*INTRAVLC         2\r\n"
                            "*MATRIX           mpeg\r\n");

    SettingsWorld one;
    one.processors = 1;
    one.reset();
    EXPECT_EQ(iniLines(one.render()),
              (Lines{valueLine("*BITRATE", "4000"), "*NOSMP", valueLine("*AUTOGOP", "15"),
                     valueLine("*AQ", "2"), valueLine("*INTRAVLC", "2"), valueLine("*MATRIX", "mpeg")}));
}

TEST(IniWriter, ValuesThatWriteNothing) {
    SettingsWorld w;
    w.reset();
    auto has = [&w](const std::string& keyword) {
        for (const std::string& line : iniLines(w.render()))
            if (line.starts_with(keyword)) return line;
        return std::string();
    };
    // Time code: nothing for 0:0:0:0; each field right-aligned in 3 for anything else.
    EXPECT_EQ(has("*TIMECODE"), "");
    w.controls.setText(PageId::Settings3, s3::timecodeFrameEdit, "1");
    EXPECT_EQ(has("*TIMECODE"), valueLine("*TIMECODE", "0  0  0  1"));
    for (auto [id, text] : {std::pair{s3::timecodeHourEdit, "10"},
                            {s3::timecodeMinuteEdit, "0"},
                            {s3::timecodeSecondEdit, "5"},
                            {s3::timecodeFrameEdit, "12"}})
        w.controls.setText(PageId::Settings3, id, text);
    EXPECT_EQ(has("*TIMECODE"), valueLine("*TIMECODE", "10  0  5 12"));
    w.controls.setText(PageId::Settings3, s3::timecodeHourEdit, "30");
    EXPECT_EQ(has("*TIMECODE"), valueLine("*TIMECODE", "23  0  5 12"));
    EXPECT_EQ(w.s().timecodeHour, 23) << "the writer keeps what it wrote";

    // Wait: nothing for 5 seconds.
    EXPECT_EQ(has("*WAIT"), "");
    w.controls.setText(PageId::Settings2, s2::waitForExitEdit, "0");
    EXPECT_EQ(has("*WAIT"), valueLine("*WAIT", "0"));
    w.controls.setText(PageId::Settings2, s2::waitForExitEdit, "120");
    EXPECT_EQ(has("*WAIT"), valueLine("*WAIT", "99"));
    EXPECT_EQ(w.s().waitSeconds, 99);

    // AQ: nothing for strength 0.
    w.controls.setText(PageId::Settings1, s1::aqStrengthEdit, "0");
    EXPECT_EQ(has("*AQ"), "");

    // VBR bias: only while its field is enabled, and only above 0.
    w.controls.setText(PageId::Settings2, s2::vbrBiasEdit, "150");
    EXPECT_EQ(has("*BIAS"), valueLine("*BIAS", "100"));
    w.controls.setEnabled(PageId::Settings2, s2::vbrBiasEdit, false);
    EXPECT_EQ(has("*BIAS"), "");

    // Mask and shift: unless all three are 0.
    EXPECT_EQ(has("*MASK_SHIFT"), "");
    w.controls.setText(PageId::Settings2, s2::maskShiftEdit, "-4");
    EXPECT_EQ(has("*MASK_SHIFT"), valueLine("*MASK_SHIFT", "0 0 -4"));

    // A numeric field whose text is no number (asterisks for a value too wide to show) writes the value
    // the record holds, as the field's own check would fall back to it.
    w.s().bitrate = 1234567;
    w.controls.setText(PageId::Main, m::averageBitrateEdit, "******");
    w.controls.setText(PageId::Settings2, s2::waitForExitEdit, "soon");
    EXPECT_EQ(has("*BITRATE"), valueLine("*BITRATE", "1234567"));
    EXPECT_EQ(has("*WAIT"), valueLine("*WAIT", "99"));
    EXPECT_EQ(w.s().waitSeconds, 99);
    // ... and a text holding more than its number writes the number only.
    w.controls.setText(PageId::Main, m::averageBitrateEdit, "5000 kbit");
    EXPECT_EQ(has("*BITRATE"), valueLine("*BITRATE", "5000"));
}

TEST(IniWriter, ConstantQuantisation) {
    SettingsWorld w;
    w.reset();
    w.controls.setChecked(PageId::Settings1, s1::constantQuantCheck, true);
    w.controls.setText(PageId::Settings1, s1::quantValueEdit, "4");
    EXPECT_EQ(iniLines(w.render()),
              (Lines{valueLine("*AUTOGOP", "15"), valueLine("*CQ", "4"), valueLine("*AQ", "2"),
                     valueLine("*INTRAVLC", "2"), valueLine("*MATRIX", "mpeg")}))
        << "no *BITRATE with constant quantisation";

    w.controls.setChecked(PageId::Settings1, s1::checkVbvCheck, true);
    w.controls.setText(PageId::Settings1, s1::quantValueEdit, "4.500");
    w.controls.setText(PageId::Settings1, s1::pFactorEdit, "1.050");
    w.controls.setText(PageId::Settings1, s1::bFactorEdit, "1.00");
    ASSERT_FALSE(w.enabled(PageId::Main, m::maxBitrateEdit));
    const Lines lines = iniLines(w.render());
    EXPECT_EQ(lines[0], valueLine("*MAXBITRATE", "8000")) << "the VBV check needs its maximum, source or not";
    EXPECT_EQ(lines[2], valueLine("*CQ_MAXBITRATE", "4.500"));
    EXPECT_EQ(lines[3], valueLine("*CQ_PFACTOR", "1.05")) << "the first 4 characters of the factor";
    EXPECT_EQ(lines[4], valueLine("*AQ", "2")) << "no B factor line for 1.00";

    w.controls.setText(PageId::Settings1, s1::quantValueEdit, "abc");
    std::string partial;
    EXPECT_FALSE(renderIniText(w.s(), w.controls, partial));
    EXPECT_EQ(iniLines(partial), (Lines{valueLine("*MAXBITRATE", "8000"), valueLine("*AUTOGOP", "15")}));
}

TEST(IniWriter, AnAbortedWriteLeavesTheFileAlone) {
    const std::filesystem::path dir = std::filesystem::path(MIVO_BINARY_DIR) / "ini_writer_test";
    std::filesystem::create_directories(dir);
    const std::filesystem::path ini = dir / "Mivo.ini";
    std::ofstream(ini, std::ios::binary) << "*BITRATE 1234\r\n";

    SettingsWorld w;
    w.reset();
    w.controls.setChecked(PageId::Settings1, s1::constantQuantCheck, true);
    w.controls.setText(PageId::Settings1, s1::quantValueEdit, "abc");
    EXPECT_FALSE(writeIniFile(IniMode::Default, ini.string(), w.s(), w.controls, w.status));
    EXPECT_FALSE(w.s().writeOk);
    EXPECT_EQ(w.statusText(), " Mivo.ini write aborted, invalid CQ value, not a number");
    EXPECT_EQ(fileBytes(ini), "*BITRATE 1234\r\n");

    w.controls.setText(PageId::Settings1, s1::quantValueEdit, "6.000");
    EXPECT_TRUE(writeIniFile(IniMode::User, ini.string(), w.s(), w.controls, w.status));
    EXPECT_TRUE(w.s().writeOk);
    EXPECT_EQ(w.statusText(), " file successfully written");
    EXPECT_EQ(fileBytes(ini), w.render());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()),
              1)
        << "no temporary file left beside it";

    EXPECT_FALSE(writeIniFile(IniMode::User, (dir / "no such folder" / "x.ini").string(), w.s(), w.controls,
                              w.status));
    EXPECT_FALSE(w.s().writeOk);
    EXPECT_EQ(w.statusText(), " error writing ini file");
}

TEST(IniWriter, NamesAndFolders) {
    SettingsWorld w;
    w.reset();
    w.s().inputFile = "/v/Movie.d2v";
    w.s().outputFile = "/v/Out.m2v";
    w.s().logFile = "/v/enc.log";
    w.s().dbPath = "/db";
    w.s().llPath = "/ll";
    EXPECT_EQ(iniLines(w.render()).size(), 5u) << "names are written only while their flags say so";
    w.source.inputAccepted = true;
    w.source.outputChosen = true;
    w.source.logChosen = true;
    w.controls.setText(PageId::Settings3, s3::dbPathButton, "DB path set");
    const Lines lines = iniLines(w.render());
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0], valueLine("*INFILE", "/v/Movie.d2v"));
    EXPECT_EQ(lines[1], valueLine("*OUTFILE", "/v/Out.m2v"));
    EXPECT_EQ(lines[2], valueLine("*LOGFILE", "/v/enc.log"));
    EXPECT_EQ(lines[3], valueLine("*DBPATH", "/db")) << "the lossless folder's button does not say it is set";
}

TEST(IniWriter, ListAndMatrixColumns) {
    SettingsWorld w;
    w.reset();
    Settings& s = w.s();
    s.chapterCount = 2;
    s.chapterFrames[0] = 0;
    s.chapterFrames[1] = 1500;
    s.zoneCount = 3;
    s.zoneFrames[0] = 1500;
    s.zoneFactors[0] = 0.5f;
    s.zoneFrames[1] = 12345678;
    s.zoneFactors[1] = 5.0f;
    s.zoneFrames[2] = 1234567890;
    s.zoneFactors[2] = 12.5f; // only a file can bring such a factor; it must still read back
    s.panScanOn = true;
    s.panScanWidth = 540;
    s.panScanHeight = 576;
    s.panScanCount = 2;
    s.panScanFrames[0] = 250;
    s.panScanOffsets[0] = -1440;
    s.panScanFrames[1] = 123456789;
    s.panScanOffsets[1] = 123456;
    w.controls.setChecked(PageId::Matrix, mx::customRadio, true);
    s.customIntraMatrix[1] = 255;
    s.customNonIntraMatrix[8] = 1000;
    const Lines lines = iniLines(w.render());
    const Lines expectedTail = {
        "*CUSTOMMATRIX",
        "   8 255  19  22  26  27  29  34",
        "  16  16  22  24  27  29  34  37",
        "  19  22  26  27  29  34  34  38",
        "  22  22  26  27  29  34  37  40",
        "  22  26  27  29  32  35  40  48",
        "  26  27  29  32  35  40  48  58",
        "  26  27  29  34  38  46  56  69",
        "  27  29  35  38  46  56  69  83",
        "",
        "  16  16  16  16  16  16  16  16",
        "1000  16  16  16  16  16  16  16",
        "  16  16  16  16  16  16  16  16",
        "  16  16  16  16  16  16  16  16",
        "  16  16  16  16  16  16  16  16",
        "  16  16  16  16  16  16  16  16",
        "  16  16  16  16  16  16  16  16",
        "  16  16  16  16  16  16  16  16",
        valueLine("*CHAPTER", "2"),
        "0",
        "1500",
        valueLine("*ZONE", "3"),
        "1500       0.5",
        "12345678   5.0",
        "1234567890 12.5",
        valueLine("*PANSCAN", "540 576 2"),
        "250      -1440    0",
        "123456789 123456  0",
    };
    ASSERT_GE(lines.size(), expectedTail.size());
    EXPECT_EQ(Lines(lines.end() - static_cast<std::ptrdiff_t>(expectedTail.size()), lines.end()),
              expectedTail);
    for (const std::string& line : lines)
        EXPECT_EQ(line.find("***"), std::string::npos) << "no field of asterisks: " << line;

    // All of it reads back.
    SettingsWorld back;
    back.read(w.render());
    EXPECT_EQ(back.s().chapterCount, 2);
    EXPECT_EQ(back.s().zoneFrames[2], 1234567890);
    EXPECT_FLOAT_EQ(back.s().zoneFactors[2], 12.5f);
    EXPECT_EQ(back.s().panScanOffsets[1], 123456);
    EXPECT_EQ(back.s().customNonIntraMatrix[8], 1000);
    EXPECT_EQ(back.s().aspectRatio, 5);
}

TEST(IniWriter, PanScanInsteadOfAspect) {
    SettingsWorld w;
    w.reset();
    w.controls.setEnabled(PageId::Main, m::aspectPanScanRadio, true);
    w.controls.setChecked(PageId::Main, m::aspectPanScanRadio, true);
    w.s().panScanOn = true;
    w.s().panScanWidth = 540;
    w.s().panScanHeight = 576;
    w.s().panScanCount = 1;
    w.s().panScanFrames[0] = 100;
    w.s().panScanOffsets[0] = 32;
    const Lines lines = iniLines(w.render());
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.starts_with("*ASPECT"); }),
              0);
    EXPECT_EQ(lines[lines.size() - 2], valueLine("*PANSCAN", "540 576 1"));
    EXPECT_EQ(lines.back(), "100         32    0");
    SettingsWorld back;
    back.read(w.render());
    EXPECT_EQ(back.s().aspectRatio, 5);
    EXPECT_TRUE(back.s().panScanOn);
}

TEST(IniWriter, EveryOptionInItsPlace) {
    // One switch away from its default at a time: each option writes its own line, where the file
    // order puts it.
    struct Case {
        PageId page;
        int id;
        std::string line;
    };
    const Case cases[] = {
        {PageId::Main, m::profileFastRadio, valueLine("*PROFILE", "fast")},
        {PageId::Main, m::profileBestRadio, valueLine("*PROFILE", "best")},
        {PageId::Main, m::aspect1to1Radio, valueLine("*ASPECT", "1:1")},
        {PageId::Main, m::aspect4to3Radio, valueLine("*ASPECT", "4:3")},
        {PageId::Main, m::aspect221to1Radio, valueLine("*ASPECT", "2.21:1")},
        {PageId::Main, m::dcPrecision8Radio, valueLine("*DC_PREC", "8")},
        {PageId::Main, m::dcPrecision11Radio, valueLine("*DC_PREC", "11")},
        {PageId::Settings1, s1::progressiveRadio, "*PROGRESSIVE"},
        {PageId::Settings1, s1::bffRadio, "*BFF"},
        {PageId::Settings1, s1::chromaInterlacedRadio, valueLine("*CHROMADOWNSAMPLE", "1")},
        {PageId::Settings2, s2::allow3BFramesCheck, "*B3"},
        {PageId::Main, m::closedGopsCheck, "*CLOSEDGOPS"},
        {PageId::Main, m::onePassVbrCheck, "*1PASS"},
        {PageId::Settings2, s2::scdFileCheck, "*SCDFILE"},
        {PageId::Settings2, s2::frameLogCheck, "*FRAMELOG"},
        {PageId::Settings3, s3::useLosslessCheck, "*LOSSLESS"},
        {PageId::Matrix, mx::adaptiveMatrixCheck, "*ADAPTIVEMATRIX"},
        {PageId::Main, m::pulldownCheck, "*PULLDOWN"},
        {PageId::Settings2, s2::lastIFrameCheck, "*LASTIFRAME"},
        {PageId::Settings2, s2::previewCheck, "*PREVIEW"},
        {PageId::Settings2, s2::silentCheck, "*SILENT"},
        {PageId::Settings3, s3::cpuSsse3Radio, valueLine("*CPU", "ssse3")},
        {PageId::Settings3, s3::priorityNormalRadio, valueLine("*PRIORITY", "normal")},
        {PageId::Settings3, s3::chroma422Radio, valueLine("*CHROMAFORMAT", "422")},
        {PageId::Settings2, s2::shutdownCheck, "*SHUTDOWN"},
    };
    for (const Case& c : cases) {
        SettingsWorld w;
        w.reset();
        w.controls.setChecked(c.page, c.id, true);
        const Lines lines = iniLines(w.render());
        EXPECT_EQ(std::count(lines.begin(), lines.end(), c.line), 1) << c.line;
        EXPECT_EQ(lines.size(), 6u) << c.line;
    }
    // Switches that write when turned off.
    for (auto [page, id, line] : {std::tuple{PageId::Main, m::sceneChangeCheck, "*NOSCD"},
                                  {PageId::Settings2, s2::vbvCheck, "*NOVBV"},
                                  {PageId::Settings2, s2::seqEndcodeCheck, "*NOSEQ_ENDCODE"}}) {
        SettingsWorld w;
        w.reset();
        w.controls.setChecked(page, id, false);
        const Lines lines = iniLines(w.render());
        EXPECT_EQ(lines[3], line) << "after *AQ, before *INTRAVLC";
    }
    // The combo boxes and the record's colour.
    SettingsWorld w;
    w.reset();
    w.controls.selectText(PageId::Settings2, s2::mpegLevelCombo, "MP@H-14");
    w.controls.selectText(PageId::Settings2, s2::intraVlcCombo, "TABLE 15");
    w.s().colour = 5;
    w.s().matrixChoice = 16;
    w.controls.setText(PageId::Settings2, s2::lumGainEdit, "3");
    EXPECT_EQ(iniLines(w.render()), (Lines{valueLine("*BITRATE", "4000"), valueLine("*AUTOGOP", "15"),
                                           valueLine("*AQ", "2"), valueLine("*MPEGLEVEL", "MP@H-14"),
                                           valueLine("*INTRAVLC", "1"), valueLine("*MATRIX", "mpegstd"),
                                           valueLine("*LUMGAIN", "3"), valueLine("*COLOUR", "5")}));
}

TEST(IniWriter, InterlacingLines) {
    struct Case {
        int mode, order;
        Lines lines;
    };
    const Case cases[] = {
        {s1::autoDetectRadio, s1::tffRadio, {}},
        {s1::autoDetectRadio, s1::bffRadio, {"*BFF"}},
        {s1::progressiveRadio, s1::bffRadio, {"*PROGRESSIVE"}},
        {s1::interlacedRadio, s1::tffRadio, {"*INTERLACED"}},
        {s1::interlacedRadio, s1::bffRadio, {"*INTERLACED", "*BFF"}},
        {s1::dvSourceRadio, s1::bffRadio, {"*DVSOURCE"}},
        {s1::dvSourceRadio, s1::tffRadio, {"*DVSOURCE", "*TFF"}},
    };
    for (const Case& c : cases) {
        SettingsWorld w;
        w.reset();
        w.controls.setChecked(PageId::Settings1, c.mode, true);
        w.controls.setChecked(PageId::Settings1, c.order, true);
        Lines lines = iniLines(w.render());
        Lines expected = {valueLine("*BITRATE", "4000"), valueLine("*AUTOGOP", "15"), valueLine("*AQ", "2")};
        expected.insert(expected.end(), c.lines.begin(), c.lines.end());
        expected.insert(expected.end(), {valueLine("*INTRAVLC", "2"), valueLine("*MATRIX", "mpeg")});
        EXPECT_EQ(lines, expected) << c.mode << " " << c.order;
    }
}

TEST(IniWriter, FixedGopAndFramesAreCopiedBack) {
    SettingsWorld w;
    w.reset();
    w.controls.setChecked(PageId::Main, m::autoGopCheck, false);
    w.controls.setText(PageId::Settings1, s1::gopLengthEdit, "12");
    w.controls.setText(PageId::Settings1, s1::bFramesEdit, "3");
    w.controls.setText(PageId::Main, m::startFrameEdit, "10");
    w.controls.setText(PageId::Main, m::endFrameEdit, "2000");
    w.controls.setEnabled(PageId::Main, m::maxBitrateEdit, true);
    const Lines lines = iniLines(w.render());
    EXPECT_EQ(lines[1], valueLine("*MAXBITRATE", "8000"));
    EXPECT_EQ(lines[2], valueLine("*FRAMES", "10 2000"));
    EXPECT_EQ(lines[3], valueLine("*GOP", "12 3"));
    EXPECT_EQ(w.s().gopLength, 12);
    EXPECT_EQ(w.s().bFrames, 3);
    EXPECT_EQ(w.s().startFrame, 10);
    EXPECT_EQ(w.s().endFrame, 2000);
    w.controls.setText(PageId::Main, m::endFrameEdit, "-");
    EXPECT_EQ(iniLines(w.render())[2], valueLine("*GOP", "12 3")) << "no frame range without both numbers";
}

} // namespace
} // namespace mivo
