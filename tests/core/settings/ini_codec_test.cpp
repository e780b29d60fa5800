// The keyword table and the codec alone, without controls: the table's promises to the reader and
// writer, and reading straight into a record, as the encoder back end does.

#include "core/settings/ini_codec.h"
#include "core/settings/keyword_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>

namespace mivo {
namespace {

std::string valueLine(std::string_view keyword, std::string_view value) {
    std::string line(keyword);
    line.resize(18, ' ');
    return line + std::string(value);
}

TEST(KeywordTable, OneRowPerKeywordAndEveryLineFindsItsRow) {
    std::set<int> slots;
    std::vector<int> fileOrders, listingOrders;
    for (const KeywordRow& row : keywordTable()) {
        EXPECT_TRUE(slots.insert(static_cast<int>(row.keyword)).second) << row.name;
        EXPECT_EQ(keywordName(row.keyword), row.name);
        EXPECT_EQ(&keywordRow(row.keyword), &row);
        // The writer puts every value in column 19, which must lie in the reader's value field.
        EXPECT_LE(row.column, 19) << row.name;
        EXPECT_EQ(row.fileOrder > 0, row.listingOrder > 0) << row.name;
        // A row has the slot its kind reads and writes through, or a hook of its own.
        const ValueKind kind = row.kind;
        const bool reads = kind == ValueKind::Switch   ? row.flag.set != nullptr
                           : kind == ValueKind::Number ? row.number || row.real
                           : kind == ValueKind::Words  ? !row.words.empty()
                                                       : kind == ValueKind::Name && row.text;
        const bool writes = kind == ValueKind::Switch ? row.flag.on != nullptr
                            : kind == ValueKind::Name ? row.text != nullptr
                                                      : row.number && kind != ValueKind::List;
        EXPECT_TRUE(reads || row.read) << row.name;
        EXPECT_TRUE(row.fileOrder == 0 || writes || row.write) << row.name;
        if (row.fileOrder > 0) {
            fileOrders.push_back(row.fileOrder);
            listingOrders.push_back(row.listingOrder);
        }
        // No name begins another, except *CQ, which needs a blank, and *FRAMES, which gives way to the
        // longer *FRAMESIZE.
        for (const KeywordRow& other : keywordTable()) {
            if (&other != &row && other.name.starts_with(row.name)) {
                EXPECT_TRUE(row.keyword == Keyword::Cq || row.keyword == Keyword::Frames)
                    << row.name << " begins " << other.name;
            }
        }
    }
    for (std::vector<int>* orders : {&fileOrders, &listingOrders}) {
        std::sort(orders->begin(), orders->end());
        for (std::size_t i = 0; i < orders->size(); ++i)
            EXPECT_EQ((*orders)[i], static_cast<int>(i) + 1) << "the places are 1 to N, each once";
    }
    EXPECT_EQ(fileOrder().size(), fileOrders.size());
    EXPECT_EQ(listingOrder().size(), fileOrders.size());
}

TEST(IniCodec, EveryNumberKeywordReadsOrEndsTheLoad) {
    for (const KeywordRow& row : keywordTable()) {
        if (row.kind != ValueKind::Number) continue;
        SourceState source;
        auto s = std::make_unique<Settings>(source);
        const IniReadReport good = parseIni(valueLine(row.name, "1 1 1 1") + "\n", IniMode::Default, *s);
        EXPECT_EQ(good.outcome, IniReadOutcome::Processed) << row.name;
        EXPECT_TRUE(s->seen.test(row.keyword)) << row.name;

        const IniReadReport bad = parseIni(valueLine(row.name, "x") + "\n*NOSMP\n", IniMode::User, *s);
        std::string part = ": " + std::string(row.name);
        part.resize(20, ' ');
        EXPECT_EQ(bad.outcome, IniReadOutcome::Broken) << row.name;
        EXPECT_EQ(bad.message, " error processing ini file:" + part);
        EXPECT_EQ(s->seen.count(), 0u) << row.name;
    }
}

// *FRAMESIZE takes two positive numbers; anything else ends the load like any value that does not read.
// It and *FRAMES are told apart although one name begins the other.
TEST(IniCodec, FrameSizeLinesReadOrEndTheLoad) {
    struct Case {
        std::string_view text;
        int width, height; // 0 0: the load ends with the keyword named
    };
    const Case cases[] = {
        {"*FRAMESIZE 720 576", 720, 576}, {"*framesize        1920,1080", 1920, 1080},
        {"*FRAMESIZE 721 575", 721, 575}, // the encoder judges what it can take
        {"*FRAMESIZE 720", 0, 0},         {"*FRAMESIZE", 0, 0},
        {"*FRAMESIZE 720 x 576", 0, 0},   {"*FRAMESIZE wide", 0, 0},
        {"*FRAMESIZE 0 576", 0, 0},       {"*FRAMESIZE 720 -576", 0, 0},
    };
    for (const Case& c : cases) {
        SourceState source;
        auto s = std::make_unique<Settings>(source);
        const IniReadReport r =
            parseIni("*FRAMES 10 20\n" + std::string(c.text) + "\n*BITRATE 5000\n", IniMode::User, *s);
        if (c.width == 0) {
            EXPECT_EQ(r.outcome, IniReadOutcome::Broken) << c.text;
            EXPECT_EQ(r.message, " error processing ini file:: *FRAMESIZE        ") << c.text;
            EXPECT_EQ(s->frameWidth, 0) << c.text;
            continue;
        }
        EXPECT_EQ(r.outcome, IniReadOutcome::Processed) << c.text;
        EXPECT_TRUE(s->seen.test(Keyword::FrameSize)) << c.text;
        EXPECT_EQ(s->frameWidth, c.width) << c.text;
        EXPECT_EQ(s->frameHeight, c.height) << c.text;
        EXPECT_EQ(s->startFrame, 10) << "*FRAMES still reads beside it";
        EXPECT_EQ(s->endFrame, 20);
        EXPECT_EQ(s->bitrate, 5000);
    }
}

TEST(IniCodec, TheInputCheckIsReportedNotShown) {
    SourceState source;
    auto s = std::make_unique<Settings>(source);
    IniInputCheck check;
    check.fileExists = [](const std::string& name) { return name != "/gone.d2v"; };
    const std::pair<IniInputOutcome, std::string_view> outcomes[] = {
        {IniInputOutcome::Accepted, ""},
        {IniInputOutcome::FilesMissing, ", ERROR, invalid D2V project, can't find the VOB/MPEG files"},
        {IniInputOutcome::VersionMismatch, ", ERROR, invalid D2V project, DGIndex/DGDecode mismatch"},
        {IniInputOutcome::NotAnInput, ""},
    };
    for (const auto& [outcome, problem] : outcomes) {
        check.classify = [outcome](const std::string&) { return outcome; };
        const IniReadReport r = parseIni("*INFILE /a.d2v\n", IniMode::User, *s, check);
        EXPECT_EQ(r.message, " USER ini file successfully processed");
        EXPECT_EQ(r.inputProblem, problem);
        EXPECT_TRUE(r.inputFound);
        EXPECT_EQ(source.inputAccepted, outcome == IniInputOutcome::Accepted);
        EXPECT_EQ(s->inputFile, outcome == IniInputOutcome::Accepted ? "/a.d2v" : "");
    }
    // Without a check of its own an existing input is judged by its extension.
    const IniReadReport r =
        parseIni("*INFILE /clip.AVS\n*INFILE /gone.d2v\n", IniMode::Default, *s, {check.fileExists, nullptr});
    EXPECT_TRUE(source.inputAccepted);
    EXPECT_EQ(s->inputFile, "/clip.AVS") << "a later missing name leaves the accepted input";
    EXPECT_FALSE(r.inputFound);
}

} // namespace
} // namespace mivo
