#include "settings_world.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace mivo {
namespace {

using test::SettingsWorld;
namespace m = ids::main;

constexpr const char* kOk = " Mivo.ini successfully processed";
constexpr const char* kOkNoInput = " Mivo.ini successfully processed, WARNING, input file not found";

TEST(IniReader, KeywordsAreFoundInColumnOneInAnyLetterCase) {
    SettingsWorld w;
    w.read("*bitrate 6000\n   *MAXBITRATE 9000\n*Profile Fast\nrandom text\n*UNKNOWN 5\n");
    EXPECT_EQ(w.s().bitrate, 6000);
    EXPECT_TRUE(w.s().seen.test(Keyword::Bitrate));
    EXPECT_EQ(w.s().maxBitrate, 8000) << "a keyword after leading blanks is no keyword";
    EXPECT_FALSE(w.s().seen.test(Keyword::MaxBitrate));
    EXPECT_EQ(w.s().profile, 1);
    EXPECT_EQ(w.statusText(), kOkNoInput);
    EXPECT_EQ(w.s().seen.count(), 3u)
        << "*BITRATE, *PROFILE, and *AQ for the strength a file without it means";

    // *CQ stands alone only with a blank in column 4; otherwise the line is one of its longer relatives.
    SettingsWorld cq;
    cq.read("*CQ 4.5\n*CQ_PFACTOR 1.2\n*CQ_MAXBITRATE 7\n*CQX 9\n");
    EXPECT_FLOAT_EQ(cq.s().cqValue, 4.5f);
    EXPECT_FLOAT_EQ(cq.s().cqPFactor, 1.2f);
    EXPECT_FLOAT_EQ(cq.s().cqMaxBitrateValue, 7.0f);
    EXPECT_TRUE(cq.s().seen.test(Keyword::Cq));
    EXPECT_TRUE(cq.s().seen.test(Keyword::CqMaxBitrate));
}

TEST(IniReader, ANumberThatDoesNotReadEndsTheLoad) {
    for (const char* line : {"*BITRATE\n", "*BITRATE six\n", "*BITRATE 60x0\n"}) {
        SettingsWorld w;
        w.load(std::string("*NOSMP\n*OUTFILE out.m2v\n*PROFILE best\n") + line + "*AQ 4\n");
        EXPECT_EQ(w.statusText(), " error processing ini file:: *BITRATE") << line;
        // Nothing of the file is shown, and nothing of it stays in the record either.
        EXPECT_EQ(w.s().profile, 2);
        EXPECT_TRUE(w.s().smp);
        EXPECT_EQ(w.s().outputFile, "");
        EXPECT_EQ(w.s().seen.count(), 0u);
        EXPECT_FALSE(w.source.outputChosen);
        EXPECT_TRUE(w.checked(PageId::Main, m::profileNormalRadio));
        EXPECT_TRUE(w.checked(PageId::Main, m::smpCheck)) << "the reset's SMP state stays";
        EXPECT_EQ(w.text(PageId::Main, m::outputFileButton), "output file name (not set)");
    }
    // The keyword part names every numeric keyword, lists included.
    SettingsWorld w;
    w.read("*CHROMADOWNSAMPLE x\n");
    EXPECT_EQ(w.statusText(), " error processing ini file:: *CHROMADOWNSAMPLE");
    w.read("*CHAPTER 3\n1 2\n");
    EXPECT_EQ(w.statusText(), " error processing ini file:: *CHAPTER");
    w.read("*TIMECODE 1 2 3\n");
    EXPECT_EQ(w.statusText(), " error processing ini file:: *TIMECODE");
}

TEST(IniReader, WordValues) {
    struct Case {
        const char* line;
        int Settings::*field;
        int expected;
        bool seen;
    };
    const Case cases[] = {
        {"*ASPECT 16:9", &Settings::aspectRatio, 3, true},
        {"*ASPECT 2.21:1", &Settings::aspectRatio, 4, true},
        {"*ASPECT 1:2.21", &Settings::aspectRatio, 4, true},
        {"*ASPECT 4:3", &Settings::aspectRatio, 2, true},
        {"*ASPECT wide", &Settings::aspectRatio, 3, false},
        {"*PROFILE normal", &Settings::profile, 2, true},
        {"*PROFILE good", &Settings::profile, 2, true},
        {"*PROFILE  xx best", &Settings::profile, 4, true},
        {"*MATRIX mivolow", &Settings::matrixChoice, 12, true},
        {"*MATRIX mivo", &Settings::matrixChoice, 4, true},
        {"*MATRIX mpegstd", &Settings::matrixChoice, 16, true},
        {"*MATRIX mpeg", &Settings::matrixChoice, 1, true},
        {"*MATRIX hvsbetter", &Settings::matrixChoice, 8, true},
        {"*MATRIX fancy", &Settings::matrixChoice, 1, false},
        {"*CPU ssse3", &Settings::cpuMode, 4, true},
        {"*CPU sse3", &Settings::cpuMode, 3, true},
        {"*PRIORITY normal", &Settings::priority, 2, true},
        {"*MPEGLEVEL mp@h-14", &Settings::mpegLevel, 2, true},
        {"*CHROMAFORMAT 4:2:2", &Settings::chromaFormat, 2, true},
        {"*CHROMAFORMAT 420", &Settings::chromaFormat, 1, true},
    };
    for (const Case& c : cases) {
        SettingsWorld w;
        w.read(std::string(c.line) + "\n");
        EXPECT_EQ(w.s().*c.field, c.expected) << c.line;
        EXPECT_EQ(w.statusText(), kOkNoInput) << "a word not found gives no message: " << c.line;
        EXPECT_EQ(w.s().seen.count(), c.seen ? 2u : 1u) << "the line's keyword, and *AQ: " << c.line;
    }
    // Words are looked for up to column 79 only (80 for *MPEGLEVEL, 85 for *CHROMAFORMAT).
    SettingsWorld w;
    w.read("*PROFILE" + std::string(68, ' ') + "BEST\n");
    EXPECT_EQ(w.s().profile, 2) << "BEST in columns 77 to 80 is one column too far";
    w.read("*PROFILE" + std::string(67, ' ') + "BEST\n");
    EXPECT_EQ(w.s().profile, 4);
    w.read("*MPEGLEVEL" + std::string(65, ' ') + "MP@ML\n");
    EXPECT_EQ(w.s().mpegLevel, 1);
    w.read("*CHROMAFORMAT" + std::string(67, ' ') + "4:2:2\n");
    EXPECT_EQ(w.s().chromaFormat, 2);
}

TEST(IniReader, ClampsAndEvenLines) {
    SettingsWorld w;
    w.read("*COLOUR 9\n*MASK_SHIFT 7 -1 -3\n*TIMECODE 25 61 -1 30\n*AUTOGOP 30\n*BIAS 150\n*WAIT 120\n"
           "*LUMGAIN -2\n*AVSMEMORY 2048\n*AQ 9\n*CHROMADOWNSAMPLE 5\n*INTRAVLC 7\n*DC_PREC 12\n");
    const Settings& s = w.s();
    EXPECT_EQ(s.colour, 7);
    EXPECT_EQ(s.maskTop, 6);
    EXPECT_EQ(s.maskBottom, 0);
    EXPECT_EQ(s.maskShift, -4);
    EXPECT_EQ(s.timecodeHour, 23);
    EXPECT_EQ(s.timecodeMinute, 59);
    EXPECT_EQ(s.timecodeSecond, 0);
    EXPECT_EQ(s.timecodeFrame, 30);
    EXPECT_EQ(s.autoGopLength, 18);
    EXPECT_EQ(s.vbrBias, 100);
    EXPECT_EQ(s.waitSeconds, 99);
    EXPECT_EQ(s.lumGain, 0);
    EXPECT_EQ(s.avsMemory, 1024);
    EXPECT_EQ(s.aqStrength, 4);
    EXPECT_EQ(s.chromaDownsampling, 1);
    EXPECT_EQ(s.intraVlc, 7) << "not clamped";
    EXPECT_EQ(s.dcPrecision, 12) << "not clamped";
    EXPECT_EQ(s.seen.count(), 12u);

    w.read("*AUTOGOP 5\n*COLOUR 0\n");
    EXPECT_EQ(w.s().autoGopLength, 12);
    EXPECT_EQ(w.s().colour, 1);
    // Colour codes 2 and 3 are never stored, and the keyword stays unseen.
    for (const char* line : {"*COLOUR 3\n", "*COLOUR 2\n"}) {
        w.read(line);
        EXPECT_EQ(w.s().colour, 0) << line;
        EXPECT_FALSE(w.s().seen.test(Keyword::Colour)) << line;
    }
    w.read("*COLOUR 5\n*COLOUR 3\n");
    EXPECT_EQ(w.s().colour, 0);
}

TEST(IniReader, AFileWithoutAqMeansNoAdaptiveQuantisation) {
    // The writer leaves *AQ out for strength 0; reading such a file must give 0 back, not the reset's 2.
    SettingsWorld w;
    w.reset();
    w.load("*BITRATE 5000\n");
    EXPECT_EQ(w.s().aqStrength, 0);
    EXPECT_EQ(w.text(PageId::Settings1, ids::settings1::aqStrengthEdit), "0");
    EXPECT_EQ(w.pos(PageId::Settings1, ids::settings1::aqStrengthTrackbar), 0);
    // No file, or a broken one, leaves the defaults.
    w.load("*BITRATE x\n");
    EXPECT_EQ(w.text(PageId::Settings1, ids::settings1::aqStrengthEdit), "2");
    SettingsContext c = w.ctx();
    readIniFile(c, IniMode::Default, "/nowhere/Mivo.ini");
    applySettingsToControls(c);
    EXPECT_EQ(w.statusText(), " Mivo.ini not found, using default GUI settings");
    EXPECT_EQ(w.text(PageId::Settings1, ids::settings1::aqStrengthEdit), "2");
}

TEST(IniReader, ValueColumns) {
    // Numbers are read from the value column to column 80; the writer's column 19 lies in every field.
    SettingsWorld w;
    w.read("*BITRATE" + std::string(71, ' ') + "77\n");
    EXPECT_EQ(w.s().bitrate, 7) << "77 in columns 80 and 81: column 80 is the last one read";
    w.read("*BITRATE" + std::string(72, ' ') + "77\n");
    EXPECT_EQ(w.statusText(), " error processing ini file:: *BITRATE") << "a value starting after column 80";
    w.read("*BITRATE12345\n");
    EXPECT_EQ(w.s().bitrate, 2345) << "the value column of *BITRATE is 10";
    w.read("*FRAMES 10,20\n*GOP 12, 2\n");
    EXPECT_EQ(w.s().startFrame, 10);
    EXPECT_EQ(w.s().endFrame, 20);
    EXPECT_EQ(w.s().gopLength, 12);
    EXPECT_EQ(w.s().bFrames, 2);
    EXPECT_FALSE(w.s().autoGop);
}

TEST(IniReader, NamesKeepTheirCase) {
    SettingsWorld w;
    w.read("*OUTFILE   /Video/Out File.M2V   \n*LOGFILE " + std::string(99, ' ') + "x.log\n*DBPATH " +
           std::string(98, ' ') + "/db\n*LLPATH\n");
    EXPECT_EQ(w.s().outputFile, "/Video/Out File.M2V");
    EXPECT_TRUE(w.source.outputChosen);
    EXPECT_EQ(w.s().logFile, "") << "99 leading blanks: the line is ignored";
    EXPECT_FALSE(w.source.logChosen);
    EXPECT_EQ(w.s().dbPath, "/db") << "98 leading blanks are still fine";
    EXPECT_FALSE(w.s().seen.test(Keyword::LlPath)) << "a name keyword without a name";
}

TEST(IniReader, InputFileCheck) {
    SettingsWorld w;
    // A name that does not exist stays in the record but is not an input.
    w.read("*INFILE /v/missing.d2v\n");
    EXPECT_EQ(w.s().inputFile, "/v/missing.d2v");
    EXPECT_FALSE(w.source.inputAccepted);
    EXPECT_EQ(w.statusText(), kOkNoInput);

    // Without a classification of its own, an existing file is accepted by its extension, case kept.
    w.existing = {"/v/Movie.D2V", "/v/clip.avs", "/v/notes.txt"};
    w.read("*INFILE /v/Movie.D2V\n");
    EXPECT_TRUE(w.source.inputAccepted);
    EXPECT_TRUE(w.s().seen.test(Keyword::InFile));
    EXPECT_TRUE(w.source.isD2vProject);
    EXPECT_EQ(w.s().inputFile, "/v/Movie.D2V");
    EXPECT_EQ(w.statusText(), kOk);
    w.read("*INFILE /v/notes.txt\n");
    EXPECT_FALSE(w.source.inputAccepted);
    EXPECT_EQ(w.s().inputFile, "");
    EXPECT_EQ(w.statusText(), kOk);

    // A later line that names a missing file brings the warning back but keeps the outcome.
    w.read("*INFILE /v/clip.avs\n*INFILE /v/gone.avs\n", IniMode::User);
    EXPECT_TRUE(w.source.inputAccepted);
    EXPECT_TRUE(w.source.isAvisynthScript);
    EXPECT_EQ(w.s().inputFile, "/v/clip.avs") << "the accepted input keeps its name";
    EXPECT_EQ(w.statusText(), " USER ini file successfully processed, WARNING, input file not found");

    // The sources' classification decides when it is there.
    int movieInfo = 0, fileLength = 0;
    w.hooks.showMovieInfo = [&] { ++movieInfo; };
    w.hooks.showFileLength = [&] { ++fileLength; };
    w.hooks.classifyIniInput = [](const std::string& name) {
        return name.ends_with("avs") ? IniInputOutcome::FilesMissing : IniInputOutcome::VersionMismatch;
    };
    w.source.sourceReady = true;
    w.read("*INFILE /v/clip.avs\n");
    EXPECT_EQ(w.statusText(), " Mivo.ini successfully processed, ERROR, invalid D2V project, can't find the "
                              "VOB/MPEG files");
    EXPECT_EQ(w.s().inputFile, "");
    EXPECT_FALSE(w.source.inputAccepted);
    EXPECT_FALSE(w.source.sourceReady);
    EXPECT_EQ(w.text(PageId::Main, m::inputFileButton), "input file name (*.d2v, *.avs)");
    EXPECT_EQ(movieInfo, 2) << "the reset shows the movie information, then the reader again";
    EXPECT_EQ(fileLength, 1);
    w.read("*INFILE /v/Movie.D2V\n");
    EXPECT_EQ(w.statusText(),
              " Mivo.ini successfully processed, ERROR, invalid D2V project, DGIndex/DGDecode mismatch");
}

TEST(IniReader, ChapterStorageBeyondTheCountStaysZero) {
    // Clearing touches only the used part of the 640000 entries, so every path that writes entries
    // must leave nothing behind past the count: a longer list, then a shorter one, then a broken one.
    SettingsWorld w;
    w.read("*CHAPTER 4\n10 20 30 40\n");
    ASSERT_EQ(w.s().chapterCount, 4);
    w.read("*CHAPTER 2\n7 8\n");
    ASSERT_EQ(w.s().chapterCount, 2);
    w.read("*CHAPTER 1\n5\n");
    w.read("*CHAPTER 6\n1 2 3 4\n");
    EXPECT_EQ(w.statusText(), " error processing ini file:: *CHAPTER");
    EXPECT_EQ(w.s().chapterCount, 0);
    for (std::size_t i = 0; i < 8; ++i)
        EXPECT_EQ(w.s().chapterFrames[i], 0) << i;
}

TEST(IniReader, ListsStartOnTheNextLine) {
    SettingsWorld w;
    w.read("*CHAPTER 3\n100 200\n300 400\n*BITRATE 5000\n");
    EXPECT_EQ(w.s().chapterCount, 3);
    EXPECT_EQ(w.s().chapterFrames[0], 100);
    EXPECT_EQ(w.s().chapterFrames[2], 300);
    EXPECT_EQ(w.s().chapterFrames[3], 0);
    EXPECT_EQ(w.s().bitrate, 5000) << "reading goes on after the line where the list ended";

    w.read("*ZONE 0\n*BITRATE 5000\n");
    EXPECT_EQ(w.s().bitrate, 4000) << "the empty list swallows the next line";
    EXPECT_EQ(w.s().zoneCount, 0);
    EXPECT_EQ(w.statusText(), kOkNoInput);
    w.read("*CHAPTER -4");
    EXPECT_EQ(w.statusText(), kOkNoInput) << "an empty list at the end of the file is no error";

    w.read("*ZONE 2\n100 0.5\n\n  200, 2\n");
    ASSERT_EQ(w.s().zoneCount, 2);
    EXPECT_EQ(w.s().zoneFrames[1], 200);
    EXPECT_FLOAT_EQ(w.s().zoneFactors[0], 0.5f);
    EXPECT_FLOAT_EQ(w.s().zoneFactors[1], 2.0f);

    // A file without *ZONE keeps the zones; the chapters and pan-scan positions are cleared.
    w.read("*CHAPTER 1\n5\n*PANSCAN 540 576 1\n0 16 0\n");
    w.read("*BITRATE 3000\n");
    EXPECT_EQ(w.s().zoneCount, 2);
    EXPECT_EQ(w.s().zoneFrames[0], 100);
    EXPECT_EQ(w.s().chapterCount, 0);
    EXPECT_EQ(w.s().panScanCount, 0);

    // A zone list that breaks off leaves the zones as they were, not half replaced.
    w.read("*ZONE 2\n7 1.5\n8\n");
    EXPECT_EQ(w.statusText(), " error processing ini file:: *ZONE");
    EXPECT_EQ(w.s().zoneCount, 2);
    EXPECT_EQ(w.s().zoneFrames[0], 100);
    EXPECT_FLOAT_EQ(w.s().zoneFactors[0], 0.5f);

    // The chapter count is limited to the list's capacity.
    std::string big = "*CHAPTER 700000\n";
    for (int i = 0; i < kChapterCapacity; ++i)
        big += std::to_string(i) + "\n";
    big += "1\n2\n*AQ 3\n";
    w.read(big);
    EXPECT_EQ(w.s().chapterCount, kChapterCapacity);
    EXPECT_EQ(w.s().chapterFrames[kChapterCapacity - 1], kChapterCapacity - 1);
    EXPECT_EQ(w.s().aqStrength, 3);
}

TEST(IniReader, PanScanItemsEachOnTheirOwnLine) {
    SettingsWorld w;
    w.read("*PANSCAN 540 576 2\n10 -32 0 99\n20 48 0\n*AQ 1\n");
    EXPECT_TRUE(w.s().panScanOn);
    EXPECT_EQ(w.s().aspectRatio, 5);
    EXPECT_EQ(w.s().panScanWidth, 540);
    EXPECT_EQ(w.s().panScanHeight, 576);
    ASSERT_EQ(w.s().panScanCount, 2);
    EXPECT_EQ(w.s().panScanFrames[1], 20);
    EXPECT_EQ(w.s().panScanOffsets[0], -32);
    EXPECT_EQ(w.s().aqStrength, 1);

    // More positions than the list holds: the first 6400 are kept, the rest read and dropped.
    std::string text = "*PANSCAN 528 480 6402\n";
    for (int i = 0; i < 6402; ++i)
        text += std::to_string(i) + " " + std::to_string(i % 100) + " 0\n";
    text += "*AQ 0\n";
    w.read(text);
    EXPECT_EQ(w.s().panScanCount, kPanScanCapacity);
    EXPECT_EQ(w.s().panScanFrames[6399], 6399);
    EXPECT_EQ(w.s().aqStrength, 0) << "reading went on after the last position";

    w.read("*PANSCAN 540 576 0\n*AQ 3\n");
    EXPECT_EQ(w.s().aqStrength, 3) << "no position, no line taken";
    EXPECT_TRUE(w.s().panScanOn);
}

TEST(IniReader, CustomMatrix) {
    SettingsWorld w;
    std::string text = "*CUSTOMMATRIX\n";
    for (int row = 0; row < 8; ++row) {
        for (int col = 0; col < 8; ++col)
            text += " " + std::to_string(row * 8 + col + 1);
        text += row == 7 ? " 999 999\n" : "\n"; // the values after the 64th belong to no matrix
    }
    text += "\n";
    for (int i = 0; i < 64; ++i)
        text += std::to_string(200 - i) + (i % 16 == 15 ? "\n" : ",");
    w.read(text);
    EXPECT_EQ(w.statusText(), kOkNoInput);
    EXPECT_EQ(w.s().customIntraMatrix[63], 64);
    EXPECT_EQ(w.s().customNonIntraMatrix[0], 200);
    EXPECT_EQ(w.s().customNonIntraMatrix[63], 137);

    // Too few values: an error, and the custom pair stays as it was.
    w.read("*CUSTOMMATRIX\n1 2 3\n");
    EXPECT_EQ(w.statusText(), " error processing ini file:: *CUSTOMMATRIX");
    EXPECT_EQ(w.s().customIntraMatrix[63], 64);
}

TEST(IniReader, LineEndsLongLinesAndBinaryFiles) {
    const std::string lf = "*BITRATE 5000\n*NOSMP\n*OUTFILE /out.m2v\n*CHAPTER 2\n10\n20\n*AQ 3";
    std::string crlf;
    for (char c : lf)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    SettingsWorld a, b;
    a.read(lf);
    b.read(crlf + "\r\n");
    for (SettingsWorld* w : {&a, &b}) {
        EXPECT_EQ(w->s().bitrate, 5000);
        EXPECT_FALSE(w->s().smp);
        EXPECT_EQ(w->s().outputFile, "/out.m2v") << "no CR in the name";
        EXPECT_EQ(w->s().chapterCount, 2);
        EXPECT_EQ(w->s().aqStrength, 3) << "the last line needs no line end";
        EXPECT_EQ(w->s().seen.count(), 5u);
    }

    // A line of any length is looked at over its first 512 characters only.
    SettingsWorld w;
    w.read("*BITRATE 3000" + std::string(600, ' ') + "\n" + std::string(100000, '*') +
           "\n*AQ 1\n*CHAPTER 2\n" + std::string(511, ' ') + "1 2\n3\n");
    EXPECT_EQ(w.s().bitrate, 3000);
    EXPECT_EQ(w.s().aqStrength, 1);
    EXPECT_EQ(w.s().chapterFrames[0], 1) << "list lines are cut at 512 characters too";
    EXPECT_EQ(w.s().chapterFrames[1], 3);
    // A name may run on past column 512, up to the 512 characters a name holds, as the writer puts it
    // in column 19.
    w.read("*OUTFILE " + std::string(600, 'a') + "\n*LOGFILE          " + std::string(500, 'b') + "\n");
    EXPECT_EQ(w.s().outputFile, std::string(512, 'a'));
    EXPECT_EQ(w.s().logFile, std::string(500, 'b'));

    // Bytes that are no text are skipped like any other non-keyword line.
    std::string junk;
    for (int i = 0; i < 4096; ++i)
        junk += static_cast<char>((i * 131 + 7) % 256);
    w.read(junk + "\n*AQ 4\n");
    EXPECT_EQ(w.s().aqStrength, 4);
    w.read(std::string("*BITRATE \0\xff 3\n", 14));
    EXPECT_EQ(w.statusText(), " error processing ini file:: *BITRATE");
}

TEST(IniReader, FilesOnDisk) {
    const std::filesystem::path dir = std::filesystem::path(MIVO_BINARY_DIR) / "ini_reader_test";
    std::filesystem::create_directories(dir);
    const std::string ini = (dir / "Mivo.ini").string();
    std::filesystem::remove(ini);

    SettingsWorld w;
    w.hooks.fileExists = nullptr; // the real file system
    SettingsContext c = w.ctx();
    readIniFile(c, IniMode::Default, ini);
    EXPECT_EQ(w.statusText(), " Mivo.ini not found, using default GUI settings");
    readIniFile(c, IniMode::User, ini);
    EXPECT_EQ(w.statusText(), " error openening ini file");
    readIniFile(c, IniMode::User, dir.string());
    EXPECT_EQ(w.statusText(), " error openening ini file") << "a folder is no ini file";

    std::ofstream(ini, std::ios::binary) << "*BITRATE 4500\r\n*OUTFILE /x.m2v\r\n";
    readIniFile(c, IniMode::User, ini);
    EXPECT_EQ(w.statusText(), " USER ini file successfully processed, WARNING, input file not found");
    EXPECT_EQ(w.s().bitrate, 4500);
    EXPECT_EQ(w.s().outputFile, "/x.m2v");
}

TEST(IniReader, ABrokenFileLeavesTheRecordAsTheResetMadeIt) {
    SettingsWorld w;
    std::string first = "*ZONE 1\n50 1.5\n*CUSTOMMATRIX\n";
    for (int i = 0; i < 64; ++i)
        first += "7 ";
    first += "\n";
    for (int i = 0; i < 64; ++i)
        first += "9 ";
    w.read(first);
    ASSERT_EQ(w.s().zoneCount, 1);
    ASSERT_EQ(w.s().customNonIntraMatrix[5], 9);
    const MatrixValues intra = w.s().customIntraMatrix;

    w.existing = {"/v/a.d2v"};
    std::string text =
        "*INFILE /v/a.d2v\n*COLOUR 5\n*PANSCAN 540 576 1\n8 16 0\n*CHAPTER 1\n9\n*ZONE 1\n3 2\n"
        "*FRAMES 5 10\n*AVSRELOAD\n*DBPATH /db\n*CUSTOMMATRIX\n";
    for (int i = 0; i < 128; ++i)
        text += i == 64 ? "\n3 " : "3 ";
    text += "\n*WAIT soon\n";
    w.read(text);
    EXPECT_EQ(w.statusText(), " error processing ini file:: *WAIT");
    const Settings& s = w.s();
    EXPECT_FALSE(w.source.inputAccepted);
    EXPECT_FALSE(w.source.isD2vProject) << "the source of a file that did not load is not opened";
    EXPECT_EQ(s.inputFile, "");
    EXPECT_EQ(s.colour, 0);
    EXPECT_FALSE(s.panScanOn);
    EXPECT_EQ(s.aspectRatio, 3);
    EXPECT_EQ(s.panScanCount, 0);
    EXPECT_EQ(s.chapterCount, 0);
    EXPECT_EQ(s.chapterFrames[0], 0);
    EXPECT_EQ(s.startFrame, -1);
    EXPECT_FALSE(s.avsReload);
    EXPECT_EQ(s.dbPath, "");
    ASSERT_EQ(s.zoneCount, 1) << "the zones of before the load";
    EXPECT_EQ(s.zoneFrames[0], 50);
    EXPECT_EQ(s.customIntraMatrix, intra);
}

TEST(KeywordSeen, FourSlotsAreTheSourceStateFlags) {
    SourceState source;
    KeywordSeen seen(source);
    const std::pair<Keyword, bool SourceState::*> shared[] = {
        {Keyword::InFile, &SourceState::inputAccepted},
        {Keyword::OutFile, &SourceState::outputChosen},
        {Keyword::LogFile, &SourceState::logChosen},
        {Keyword::Frames, &SourceState::frameRangeGiven}};
    for (const auto& [keyword, flag] : shared) {
        seen.set(keyword);
        EXPECT_TRUE(source.*flag);
        source.*flag = false;
        EXPECT_FALSE(seen.test(keyword)) << "one flag under two names";
        source.*flag = true;
        EXPECT_TRUE(seen.test(keyword));
    }
    seen.set(Keyword::Aq);
    EXPECT_EQ(seen.count(), 5u);
    seen.clearAll();
    EXPECT_EQ(seen.count(), 0u);
    EXPECT_FALSE(source.inputAccepted || source.outputChosen || source.logChosen || source.frameRangeGiven);
    EXPECT_FALSE(seen.test(std::size_t{500}));
}

} // namespace
} // namespace mivo
