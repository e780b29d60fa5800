// The indexer: project text laid out as DGIndex lays it out, flags in display order, positions that
// point where DGIndex points, several files as one stream, and clear refusals.

#include "d2v_project.h"
#include "indexer.h"
#include "stream_maker.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace mivo::test {
namespace {

using namespace mivo::mpeg2;

d2vindex::IndexResult index(const std::vector<std::string>& inputs, int fo = 0,
                            const std::string& project = {}) {
    d2vindex::IndexOptions options;
    options.fieldOperation = fo;
    options.projectPath = project;
    return d2vindex::indexStreams(inputs, options);
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find("\r\n", at);
        EXPECT_NE(end, std::string::npos) << "every line ends in CR LF";
        if (end == std::string::npos) break;
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

std::string flagsOf(const D2vProject& p, const D2vLine& l) {
    std::string s;
    char b[4];
    for (std::uint32_t i = l.firstFrame; i < l.firstFrame + l.frameCount; ++i) {
        std::snprintf(b, sizeof b, "%02x", p.flags[i]);
        s += (s.empty() ? "" : " ") + std::string(b);
    }
    return s;
}

TEST(Indexer, WritesTheProjectAsDGIndexDoes) {
    StreamSpec s; // 720x576 25 fps progressive, GOPs of 12 with 2 B pictures; the first GOP closed
    const std::string path = makeStream(s);
    const d2vindex::IndexResult r = index({path});
    ASSERT_TRUE(r.ok) << r.error;
    const std::vector<std::string> lines = linesOf(r.text);
    const std::uint64_t size = std::filesystem::file_size(path);
    char location[64];
    std::snprintf(location, sizeof location, "Location=0,0,0,%llx",
                  static_cast<unsigned long long>(size / 2048));
    const std::vector<std::string> head = {"DGIndexProjectFile16",
                                           "1",
                                           std::filesystem::absolute(path).lexically_normal().string(),
                                           "",
                                           "Stream_Type=0",
                                           "MPEG_Type=2",
                                           "iDCT_Algorithm=5",
                                           "YUVRGB_Scale=1",
                                           "Luminance_Filter=0,0",
                                           "Clipping=0,0,0,0",
                                           "Aspect_Ratio=1:1",
                                           "Picture_Size=720x576",
                                           "Field_Operation=0",
                                           "Frame_Rate=25000 (25/1)",
                                           location,
                                           ""};
    ASSERT_GT(lines.size(), head.size() + 3);
    for (std::size_t i = 0; i < head.size(); ++i)
        EXPECT_EQ(lines[i], head[i]);
    // A closed first GOP displays I B B P ...; later open GOPs begin with two B pictures that need the GOP
    // before (no 0x80). Progressive frames (0x40), progressive sequence (0x200), GOP headers (0x100).
    EXPECT_EQ(lines[16], "f00 5 0 0 0 0 0 d0 f0 f0 e0 f0 f0 e0 f0 f0 e0");
    EXPECT_EQ(lines[17].substr(0, 8), "b00 5 0 ");
    EXPECT_EQ(lines[17].substr(lines[17].find(' ', 8)), " 0 0 0 70 70 d0 f0 f0 e0 f0 f0 e0 f0 f0 e0");
    EXPECT_EQ(lines[lines.size() - 3].substr(lines[lines.size() - 3].size() - 3), " ff");
    EXPECT_EQ(lines[lines.size() - 2], "");
    EXPECT_EQ(lines.back(), "FINISHED  100.00% VIDEO");
    // Positions of an elementary stream are the sequence header start codes themselves.
    const std::vector<std::uint8_t> bytes = readFile(path);
    for (const D2vLine& l : r.project.lines) {
        ASSERT_LT(l.position + 4, bytes.size());
        EXPECT_EQ(bytes[l.position + 3], 0xB3) << l.position;
    }
    // And the text reads back as the project it describes.
    const ProjectParse again = parseD2vProject(r.text);
    ASSERT_TRUE(again.ok) << again.error;
    EXPECT_EQ(again.project.flags, r.project.flags);
}

TEST(Indexer, FlagsFollowPulldownAndFieldOrder) {
    {
        // Soft 3:2 pulldown in a transport stream: TFF+RFF, BFF, BFF+RFF, TFF in display order, progressive
        // frames, an interlaced sequence, and a FILM verdict.
        StreamSpec s = ntscFilm(Container::transport);
        const d2vindex::IndexResult r = index({makeStream(s)});
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_NE(r.text.find("Stream_Type=2\r\nMPEG2_Transport_PID=100,101,100\r\nTransport_Packet_Size="
                              "188\r\nMPEG_Type=2"),
                  std::string::npos);
        EXPECT_NE(r.text.find("Frame_Rate=29970 (30000/1001)\r\n"), std::string::npos);
        EXPECT_EQ(flagsOf(r.project, r.project.lines[0]), "d3 f0 f1 e2 f3 f0 e1 f2 f3 e0");
        EXPECT_EQ(r.project.lines[0].info & kInfoProgressiveSequence, 0u);
        EXPECT_NE(r.text.find("FINISHED  97.22% FILM"), std::string::npos)
            << r.text.substr(r.text.size() - 40);
    }
    {
        // Interlaced bottom field first, 4:2:2, closed GOPs: no frame needs the line before.
        StreamSpec s{.frames = 24,
                     .closedGop = true,
                     .interlaced = true,
                     .bottomFirst = true,
                     .yuv422 = true,
                     .container = Container::program};
        const d2vindex::IndexResult r = index({makeStream(s)});
        ASSERT_TRUE(r.ok) << r.error;
        for (const D2vLine& l : r.project.lines) {
            EXPECT_EQ(l.info, kInfoBase | kInfoClosedGop | kInfoGopHeader);
            for (std::uint32_t i = l.firstFrame; i < l.firstFrame + l.frameCount; ++i)
                EXPECT_EQ(r.project.flags[i] & (kFlagDecodable | kFlagTff | kFlagRff | kFlagProgressive),
                          kFlagDecodable);
        }
    }
    {
        // MPEG-1: top field first, progressive, no repeats.
        StreamSpec s{.width = 352, .height = 288, .mpeg1 = true};
        const d2vindex::IndexResult r = index({makeStream(s)});
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.project.mpegType, 1);
        EXPECT_EQ(r.project.flags[0], 0xd2);
        EXPECT_NE(r.text.find("MPEG_Type=1\r\n"), std::string::npos);
    }
}

TEST(Indexer, PositionsPointWhereDGIndexPoints) {
    {
        // Program stream: the pack in which the sequence header's start code begins.
        StreamSpec s{.container = Container::program};
        const std::string path = makeStream(s);
        const d2vindex::IndexResult r = index({path});
        ASSERT_TRUE(r.ok) << r.error;
        const std::vector<std::uint8_t> b = readFile(path);
        for (const D2vLine& l : r.project.lines) {
            ASSERT_EQ(l.position % 2048, 0u);
            EXPECT_EQ(b[l.position + 3], 0xBA);
            const auto pack = b.begin() + static_cast<std::ptrdiff_t>(l.position);
            const std::uint8_t seq[4] = {0, 0, 1, 0xB3};
            const auto found = std::search(pack, pack + 2048, seq, seq + 4);
            EXPECT_NE(found, pack + 2048) << "no sequence header begins in the pack at " << l.position;
        }
    }
    {
        // Transport stream: the TS packet that holds the start code.
        StreamSpec s{.container = Container::transport};
        const std::string path = makeStream(s);
        const d2vindex::IndexResult r = index({path});
        ASSERT_TRUE(r.ok) << r.error;
        const std::vector<std::uint8_t> b = readFile(path);
        for (const D2vLine& l : r.project.lines) {
            ASSERT_EQ(l.position % 188, 0u);
            EXPECT_EQ(b[l.position], 0x47);
            const auto packet = b.begin() + static_cast<std::ptrdiff_t>(l.position);
            const std::uint8_t seq[4] = {0, 0, 1, 0xB3};
            EXPECT_NE(std::search(packet, packet + 188, seq, seq + 4), packet + 188);
        }
    }
}

TEST(Indexer, CountsIPicturesThatStartInTheSamePack) {
    const StreamSpec s = tinyPictures();
    const d2vindex::IndexResult r = index({makeStream(s)});
    ASSERT_TRUE(r.ok) << r.error;
    int maxSkip = 0;
    for (std::size_t i = 0; i < r.project.lines.size(); ++i) {
        const D2vLine& l = r.project.lines[i];
        const int expected =
            i > 0 && r.project.lines[i - 1].position == l.position ? r.project.lines[i - 1].skip + 1 : 0;
        EXPECT_EQ(l.skip, expected) << "line " << i;
        maxSkip = std::max(maxSkip, l.skip);
    }
    EXPECT_GE(maxSkip, 3);
    EXPECT_EQ(r.project.lines.size(), 30u);
    EXPECT_TRUE(r.warnings.empty());
}

TEST(Indexer, ReadsVobAndCellIdsFromNavigationPacks) {
    StreamSpec s;
    s.container = Container::program; // navigation packs numbered VOB 1, cells 1, 2, 3, ...
    const std::string path = makeStream(s);
    const d2vindex::IndexResult r = index({path});
    ASSERT_TRUE(r.ok) << r.error;
    const std::vector<std::uint8_t> b = readFile(path);
    bool sawSecondCell = false;
    for (const D2vLine& l : r.project.lines) {
        // The ids of the last navigation pack before the line's pack.
        int vob = 0, cell = 0;
        for (std::size_t at = 0; at <= l.position; at += 2048)
            for (std::size_t i = at; i + 40 < at + 2048 && i + 40 < b.size(); ++i)
                if (b[i] == 0 && b[i + 1] == 0 && b[i + 2] == 1 && b[i + 3] == 0xBF && b[i + 6] == 1) {
                    vob = (b[i + 31] << 8) | b[i + 32];
                    cell = b[i + 34];
                    break;
                }
        EXPECT_EQ(l.vob, vob);
        EXPECT_EQ(l.cell, cell);
        EXPECT_EQ(l.vob, 1);
        sawSecondCell = sawSecondCell || l.cell == 2;
    }
    EXPECT_TRUE(sawSecondCell);
}

TEST(Indexer, JoinsSeveralFilesIntoOneStream) {
    StreamSpec s{.frames = 40, .container = Container::program};
    const std::string path = makeStream(s);
    const std::string folder = scratchFolder("join");
    const d2vindex::IndexResult whole = index({path});
    ASSERT_TRUE(whole.ok) << whole.error;
    ASSERT_GE(whole.project.lines.size(), 4u);
    // One cut at a pack boundary, one inside the pack before a line's pack.
    const std::vector<std::string> parts =
        splitFile(path, {whole.project.lines[1].position - 2048, whole.project.lines[3].position - 1000},
                  folder, "VTS_01");
    const d2vindex::IndexResult joined = index(parts);
    ASSERT_TRUE(whole.ok && joined.ok) << whole.error << joined.error;
    ASSERT_EQ(whole.project.lines.size(), joined.project.lines.size());
    EXPECT_EQ(whole.project.flags, joined.project.flags);
    std::vector<std::uint64_t> starts = {0};
    for (const std::string& p : parts)
        starts.push_back(starts.back() + std::filesystem::file_size(p));
    std::set<int> files;
    for (std::size_t i = 0; i < whole.project.lines.size(); ++i) {
        const D2vLine& a = whole.project.lines[i];
        const D2vLine& b = joined.project.lines[i];
        EXPECT_EQ(starts[static_cast<std::size_t>(b.file)] + b.position, a.position);
        EXPECT_LT(b.position,
                  starts[static_cast<std::size_t>(b.file) + 1] - starts[static_cast<std::size_t>(b.file)]);
        files.insert(b.file);
    }
    EXPECT_EQ(files.size(), 3u);
    char location[64];
    std::snprintf(location, sizeof location, "Location=0,0,2,%llx\r\n",
                  static_cast<unsigned long long>(std::filesystem::file_size(parts[2]) / 2048));
    EXPECT_NE(joined.text.find(location), std::string::npos);
}

TEST(Indexer, WritesTheRateAndPathsAskedFor) {
    const std::string folder = scratchFolder("rates");
    {
        StreamSpec s = ntscFilm();
        const d2vindex::IndexResult r = index({makeStream(s)}, 1);
        ASSERT_TRUE(r.ok);
        EXPECT_NE(r.text.find("Field_Operation=1\r\nFrame_Rate=23976 (24000/1001)\r\n"), std::string::npos);
    }
    {
        StreamSpec s{.interlaced = true};
        const d2vindex::IndexResult r = index({makeStream(s)}, 1);
        ASSERT_TRUE(r.ok);
        EXPECT_NE(r.text.find("Frame_Rate=20000 (20000/1000)\r\n"), std::string::npos);
    }
    {
        StreamSpec s;
        const std::string stream = makeStream(s);
        std::filesystem::copy_file(stream, folder + "/movie.m2v");
        d2vindex::IndexOptions options;
        options.relativePaths = true;
        options.projectPath = folder + "/projects/movie.d2v";
        const d2vindex::IndexResult r = d2vindex::indexStreams({folder + "/movie.m2v"}, options);
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(r.project.files[0], "../movie.m2v");
    }
}

TEST(Indexer, SaysWhatIsWrongWithInputItCannotIndex) {
    const std::string folder = scratchFolder("refusals");
    writeText(folder + "/empty.m2v", "");
    writeText(folder + "/text.mpg", std::string(5000, 'a'));
    std::vector<std::uint8_t> nulls;
    for (int i = 0; i < 100; ++i) { // a transport stream of null packets only
        const std::uint8_t head[4] = {0x47, 0x1F, 0xFF, 0x10};
        nulls.insert(nulls.end(), head, head + 4);
        nulls.insert(nulls.end(), 184, 0xFF);
    }
    writeFile(folder + "/nulls.ts", nulls);
    struct Refusal {
        std::string input, says;
    } refusals[] = {
        {folder + "/missing.vob", "cannot open"},
        {folder + "/empty.m2v", "too short"},
        {folder + "/text.mpg", "no MPEG-1/2 video found"},
        {folder + "/nulls.ts", "transport stream without MPEG-1/2 video"},
    };
    for (const Refusal& refusal : refusals) {
        const d2vindex::IndexResult r = index({refusal.input});
        EXPECT_FALSE(r.ok) << refusal.input;
        EXPECT_NE(r.error.find(refusal.says), std::string::npos) << r.error;
    }
    // DGIndex's limit of 500 pictures after one I picture (decoders read a line into a small buffer).
    StreamSpec endless{.width = 32, .height = 32, .frames = 510, .gop = 600, .bFrames = 0, .quality = 24};
    const d2vindex::IndexResult tooLong = index({makeStream(endless)});
    EXPECT_FALSE(tooLong.ok);
    EXPECT_NE(tooLong.error.find("more than 500 pictures"), std::string::npos) << tooLong.error;
    // Video without any I picture cannot be decoded: the first I picture and everything before it go.
    StreamSpec s;
    const std::vector<std::uint8_t> stream = readFile(makeStream(s));
    const std::uint8_t pictureStart[4] = {0, 0, 1, 0x00};
    auto first = std::search(stream.begin(), stream.end(), pictureStart, pictureStart + 4);
    auto second = std::search(first + 4, stream.end(), pictureStart, pictureStart + 4);
    std::vector<std::uint8_t> tail(second, stream.begin() + static_cast<std::ptrdiff_t>(stream.size() / 12));
    writeFile(folder + "/no_intra.m2v", tail);
    const d2vindex::IndexResult r = index({folder + "/no_intra.m2v"});
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("I picture"), std::string::npos) << r.error;
}

} // namespace
} // namespace mivo::test
