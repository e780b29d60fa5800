// Reading D2V project text: format 16 as DGIndex writes it, the older formats, nonsense, listed paths.

#include "d2v_project.h"

#include "base/paths.h"
#include "stream_maker.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace mivo::test {
namespace {

using namespace mivo::mpeg2;

const char* const kFormat16 = "DGIndexProjectFile16\r\n"
                              "1\r\n"
                              "D:\\caps\\movie.mpg\r\n"
                              "\r\n"
                              "Stream_Type=1\r\n"
                              "MPEG_Type=2\r\n"
                              "iDCT_Algorithm=5\r\n"
                              "YUVRGB_Scale=1\r\n"
                              "Luminance_Filter=0,0\r\n"
                              "Clipping=0,0,0,0\r\n"
                              "Aspect_Ratio=16:9\r\n"
                              "Picture_Size=720x480\r\n"
                              "Field_Operation=0\r\n"
                              "Frame_Rate=29970 (30000/1001)\r\n"
                              "Location=0,0,0,2f3a1\r\n"
                              "\r\n"
                              "900 5 0 0 0 0 0 32 32 92 b2 b2 a2 b2 b2 a2\r\n"
                              "b00 1 0 405504 2 3 7 33 30 93 b0 b1 a2 ff\r\n"
                              "\r\n"
                              "FINISHED  97.50% FILM\r\n";

std::string withoutCr(std::string s) {
    std::erase(s, '\r');
    return s;
}

TEST(ProjectReader, ReadsFormat16AsDGIndexWritesIt) {
    for (const std::string& text : {std::string(kFormat16), withoutCr(kFormat16)}) {
        const ProjectParse r = parseD2vProject(text);
        ASSERT_TRUE(r.ok) << r.error;
        const D2vProject& p = r.project;
        EXPECT_EQ(p.version, 16);
        EXPECT_EQ(p.files, std::vector<std::string>{"D:\\caps\\movie.mpg"});
        EXPECT_EQ(p.streamType, StreamType::program);
        EXPECT_EQ(p.mpegType, 2);
        EXPECT_EQ(p.aspectRatio, "16:9");
        EXPECT_EQ(p.width, 720);
        EXPECT_EQ(p.height, 480);
        EXPECT_EQ(p.fieldOperation, 0);
        EXPECT_EQ(p.rateNum, 30000);
        EXPECT_EQ(p.rateDen, 1001);
        ASSERT_EQ(p.lines.size(), 2u);
        EXPECT_EQ(p.lines[0].info, 0x900u);
        EXPECT_EQ(p.lines[0].frameCount, 9u);
        const D2vLine& l = p.lines[1];
        EXPECT_EQ(l.info, 0xb00u);
        EXPECT_EQ(l.matrix, 1);
        EXPECT_EQ(l.position, 405504u);
        EXPECT_EQ(l.skip, 2);
        EXPECT_EQ(l.vob, 3);
        EXPECT_EQ(l.cell, 7);
        EXPECT_EQ(l.firstFrame, 9u);
        EXPECT_EQ(l.frameCount, 6u); // the ff is no frame
        ASSERT_EQ(p.flags.size(), 15u);
        EXPECT_EQ(p.flags[0], 0x32);
        EXPECT_EQ(p.flags[2], 0x92);
        EXPECT_EQ(p.flags[14], 0xa2);
    }
}

TEST(ProjectReader, ReadsTransportSettingsAndStopsAtTheEndMarker) {
    const ProjectParse r = parseD2vProject("DGIndexProjectFile16\n2\n/a.ts\n/b.ts\n\n"
                                           "Stream_Type=2\nMPEG2_Transport_PID=1e0,1e1,1fff\n"
                                           "Transport_Packet_Size=192\nMPEG_Type=2\nUnknown_Key=whatever\n"
                                           "Field_Operation=2\nFrame_Rate=25000 (25/1)\n\n"
                                           "d00 5 0 0 0 0 0 d2 e0\n"
                                           "d00 5 1 188 0 0 0 d2 ff\n"
                                           "d00 5 1 376 0 0 0 d2 e0\n");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.project.streamType, StreamType::transport);
    EXPECT_EQ(r.project.videoPid, 0x1e0);
    EXPECT_EQ(r.project.audioPid, 0x1e1);
    EXPECT_EQ(r.project.pcrPid, 0x1fff);
    EXPECT_EQ(r.project.packetSize, 192);
    EXPECT_EQ(r.project.fieldOperation, 2);
    ASSERT_EQ(r.project.lines.size(), 2u) << "nothing after ff is read";
    EXPECT_EQ(r.project.lines[1].file, 1);
    EXPECT_EQ(r.project.flags.size(), 3u);
}

TEST(ProjectReader, ReadsOlderFormats) {
    {
        // Format 6: length-prefixed paths, notes after values, integer rate, "7 file position vob cell"
        // lines with TFF<<1|RFF plus 0x10 for decodable frames, and 9 at the end.
        const ProjectParse r =
            parseD2vProject("DGIndexProjectFile06\r\n1\r\n14 C:\\video\\a.vob\r\n\r\nStream_Type=1\r\n"
                            "iDCT_Algorithm=2 (1:MMX 2:SSEMMX 3:FPU 4:REF 5:SSE2MMX)\r\n"
                            "Field_Operation=1 (0:None 1:ForcedFILM "
                            "2:RawFrames)\r\nFrame_Rate=29970\r\nLocation=0,0,0,1A2B\r\n\r\n"
                            "7 0 2048 1 2 12 10 2 3\r\n7 0 77824 1 3 2 13 9\r\n");
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.project.files, std::vector<std::string>{"C:\\video\\a.vob"});
        EXPECT_EQ(r.project.fieldOperation, 1);
        EXPECT_EQ(r.project.rateNum, 30000);
        EXPECT_EQ(r.project.rateDen, 1001);
        ASSERT_EQ(r.project.lines.size(), 2u);
        EXPECT_EQ(r.project.lines[0].position, 2048u);
        EXPECT_EQ(r.project.lines[0].vob, 1);
        EXPECT_EQ(r.project.lines[0].cell, 2);
        EXPECT_EQ(r.project.flags, (std::vector<std::uint8_t>{0x82, 0x80, 0x02, 0x03, 0x02, 0x83}));
    }
    {
        // Format 10: six fixed fields, length-prefixed paths.
        const ProjectParse r = parseD2vProject("DGIndexProjectFile10\n1\n5 x.m2v\n\nStream_Type=0\n"
                                               "Frame_Rate=23976\n\nc00 5 0 100 0 0 d2 f2 ff\n");
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.project.files[0], "x.m2v");
        EXPECT_EQ(r.project.lines[0].info, 0xc00u);
        EXPECT_EQ(r.project.lines[0].position, 100u);
        EXPECT_EQ(r.project.rateNum, 24000);
        EXPECT_EQ(r.project.rateDen, 1001);
    }
    {
        // Format 11: plain paths, still six fixed fields.
        const ProjectParse r = parseD2vProject(
            "DGIndexProjectFile11\n1\n5 x.m2v\n\nStream_Type=0\nFrame_Rate=25000\n\n900 5 0 7 1 2 d2\n");
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.project.files[0], "5 x.m2v");
        EXPECT_EQ(r.project.lines[0].position, 7u);
        EXPECT_EQ(r.project.lines[0].cell, 2);
        EXPECT_EQ(r.project.rateNum, 25);
        EXPECT_EQ(r.project.rateDen, 1);
    }
    {
        // Formats 12 and 15 take a length prefix only where it matches the rest of the line.
        const ProjectParse a =
            parseD2vProject("DGIndexProjectFile12\n1\n5 x.m2v\n\nStream_Type=0\n\n900 5 0 0 0 0 d2\n");
        const ProjectParse b =
            parseD2vProject("DGIndexProjectFile15\n1\n9 x.m2v\n\nStream_Type=0\n\n900 5 0 0 0 0 d2\n");
        ASSERT_TRUE(a.ok && b.ok);
        EXPECT_EQ(a.project.files[0], "x.m2v");
        EXPECT_EQ(b.project.files[0], "9 x.m2v");
    }
}

TEST(ProjectReader, RefusesNonsenseWithAReason) {
    const std::string settings = "\n\nStream_Type=1\n\n";
    const char* const cases[] = {
        "",
        "hello\n",
        "DGIndexProjectFile14\n1\nx\n\nStream_Type=1\n\n900 5 0 0 0 0 0 d2\n", // no such format
        "DGIndexProjectFile1x\n1\nx\n",
        "DGIndexProjectFile16\n0\n\nStream_Type=1\n\n900 5 0 0 0 0 0 d2\n",     // no files
        "DGIndexProjectFile16\n3\na\nb\n",                                      // ends in the file list
        "DGIndexProjectFile16\n1\nx\n\nStream_Type=3\n\n900 5 0 0 0 0 0 d2\n",  // PVA
        "DGIndexProjectFile16\n1\nx\n\nMPEG_Type=2\n\n900 5 0 0 0 0 0 d2\n",    // no stream type
        "DGIndexProjectFile16\n1\nx\n\nStream_Type=1\n\n",                      // no frames
        "DGIndexProjectFile16\n1\nx\n\nStream_Type=1\n\n900 5 1 0 0 0 0 d2\n",  // file 1 of 1
        "DGIndexProjectFile16\n1\nx\n\nStream_Type=1\n\n900 5 0 0 -1 0 0 d2\n", // negative skip
        "DGIndexProjectFile16\n1\nx\n\nStream_Type=1\n\n900 5 0 0 0 0 0 d2 zz\n",
        "DGIndexProjectFile16\n1\nx\n\nStream_Type=1\n\n900 5 0 0 0 0 0 d2 100\n",
        "DGIndexProjectFile16\n1\nx\n\nStream_Type=1\n\n900 5 0 0 0 0\n", // too few fields
        "DGIndexProjectFile16\n1\nx\n\nStream_Type=1\nField_Operation=7\n\n900 5 0 0 0 0 0 d2\n",
        "DGIndexProjectFile16\n1\nx\n\nStream_Type=2\nTransport_Packet_Size=100\n\n900 5 0 0 0 0 0 d2\n",
        "DGIndexProjectFile16\n1\nx\n\nStream_Type=1\nno equals sign\n\n900 5 0 0 0 0 0 d2\n",
        "DGIndexProjectFile06\n1\nx.vob\n\nStream_Type=1\n\n7 0 0 0 0 12\n",      // no length prefix
        "DGIndexProjectFile06\n1\n5 x.vob\n\nStream_Type=1\n\n7 0 0 0 0 12 44\n", // not a format-6 flag
    };
    for (const char* text : cases) {
        const ProjectParse r = parseD2vProject(text);
        EXPECT_FALSE(r.ok) << text;
        EXPECT_FALSE(r.error.empty()) << text;
    }
    EXPECT_NE(parseD2vProject("DGIndexProjectFile14\n").error.find("14"), std::string::npos);
    EXPECT_NE(parseD2vProject("DGIndexProjectFile16\n1\nx\n\nStream_Type=3\n\n").error.find("PVA"),
              std::string::npos);
}

TEST(ProjectReader, ResolvesListedPathsLikeTheFrontEnd) {
    namespace fs = std::filesystem;
    const std::string folder = scratchFolder("paths");
    fs::create_directories(folder + "/sub");
    writeText(folder + "/sub/a.m2v", "x");
    writeText(folder + "/b.m2v", "x");
    const std::string project = folder + "/p.d2v";
    const auto resolveListedPath = [&project](const std::string& listed, const std::string&) {
        return mivo::resolveListedPath(listed, project, [](const std::string& p) {
            std::error_code ec;
            return fs::is_regular_file(p, ec);
        });
    };
    EXPECT_EQ(resolveListedPath(folder + "/sub/a.m2v", project), folder + "/sub/a.m2v");
    EXPECT_EQ(resolveListedPath("sub/a.m2v", project), folder + "/sub/a.m2v");
    EXPECT_EQ(resolveListedPath("sub\\a.m2v", project), folder + "/sub/a.m2v");
    // Made on Windows: the drive path is not there, the same name beside the project is.
    EXPECT_EQ(resolveListedPath("D:\\caps\\b.m2v", project), folder + "/b.m2v");
    EXPECT_EQ(resolveListedPath("/elsewhere/b.m2v", project), folder + "/b.m2v");
    EXPECT_EQ(resolveListedPath("C:b.m2v", project), folder + "/b.m2v");
    EXPECT_EQ(resolveListedPath("D:\\caps\\missing.m2v", project), "");
    EXPECT_EQ(resolveListedPath("sub", project), "") << "a folder is no video file";
}

} // namespace
} // namespace mivo::test
