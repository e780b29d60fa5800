// The Queue page through the whole program (the scenario runner, the real encoder and mivo-queue in the
// program folder): three jobs added with different settings, the queue started from its page, the
// states as they change, the window in use meanwhile; then retry, move, stop and remove.

#include "stream_maker.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

extern "C" {
#include <libavutil/frame.h>
}

namespace {

namespace fs = std::filesystem;
using mivo::test::readText;
using mivo::test::writeText;

int framesOf(const std::string& path) {
    int frames = 0;
    mivo::test::decodeWithFfmpeg(path, [&](const AVFrame&) { ++frames; });
    return frames;
}

TEST(QueuePage, JobsAddedFromTheWindowRunFromThePageWhileTheWindowStaysInUse) {
    const std::string dir = mivo::test::scratchFolder("queue-page"), prog = dir + "/prog";
    fs::create_directories(prog);
    mivo::test::StreamSpec spec;
    spec.frames = 300;
    const std::string longSource = dir + "/long.d2v", shortSource = dir + "/short.d2v";
    mivo::test::indexProject({mivo::test::makeStream(spec)}, longSource);
    spec.frames = 48;
    mivo::test::indexProject({mivo::test::makeStream(spec)}, shortSource);
    const auto ini = [&](const std::string& name, const std::string& source, const std::string& extra) {
        writeText(dir + "/" + name + ".ini",
                  "*INFILE " + source + "\n*OUTFILE " + dir + "/" + name + ".m2v\n*SILENT\n" + extra);
    };
    ini("one", longSource, "*BITRATE 6000\n");
    // Long enough that the page, refreshed four times a second, sees it running.
    ini("two", longSource, "*FRAMES 10 269\n*GOP 12 2\n");
    ini("three", shortSource, "*CQ 4\n*ASPECT 4:3\n");

    writeText(dir + "/queue.scn", R"(env NUMBER_OF_PROCESSORS 1
decoder 16 mpeg2
encoder real
queue-runner real
start
answer-file ${QDIR}/one.ini
click main 1113
click window 1006
print status
answer-file ${QDIR}/two.ini
click main 1113
click main 1157
click window 1006
print status
answer-file ${QDIR}/three.ini
click main 1113
click window 1006
print status
tab 9
print list queue 1901
click queue 1902
print status
print queue 1902
wait-for queue 1901 1 running
print list queue 1901
wait-for queue 1908 of 2: frame
print queue 1908
tab 1
click main 1150
print status
print state queueRunning
tab 9
wait-for queue 1901 2 running
print list queue 1901
print state queueRunning
wait-for queue 1909 queue finished
print list queue 1901
print queue 1909
print queue 1902
select queue 1901 #0
click queue 1907
click queue 1905
print list queue 1901
click queue 1902
wait-for queue 1901 1 running
click queue 1903
wait-for queue 1909 queue stopped
print queue 1909
print list queue 1901
select queue 1901 #1
click queue 1906
print status
print list queue 1901
close
)");
    const std::string command =
        "QDIR='" + dir + "' QT_QPA_PLATFORM=offscreen '" MIVO_SCENARIO_RUNNER "' --program-folder '" + prog +
        "' '" + dir + "/queue.scn' > '" + dir + "/printed.txt' 2> '" + dir + "/errors.txt'";
    ASSERT_EQ(std::system(command.c_str()), 0) << readText(dir + "/printed.txt");
    std::string printed = readText(dir + "/printed.txt");
    for (std::size_t at = printed.find(dir); at != std::string::npos; at = printed.find(dir, at))
        printed.replace(at, dir.size(), "D");

    // Added with the settings of the moment; the second with a switch set in the window, not in its file.
    EXPECT_NE(printed.find("status: \" job 1 added to the queue\"\n"), std::string::npos) << printed;
    EXPECT_NE(printed.find("status: \" job 3 added to the queue\"\n"), std::string::npos) << printed;
    EXPECT_NE(readText(prog + "/queue/0002.ini").find("*1PASS"), std::string::npos);
    EXPECT_EQ(readText(prog + "/queue/0003.ini").find("*1PASS"), std::string::npos);
    EXPECT_NE(readText(prog + "/queue/0003.ini").find("*CQ"), std::string::npos);

    // Every list printed, in order.
    const std::vector<std::string> lists = [&] {
        std::vector<std::string> out;
        for (std::size_t pos = 0; (pos = printed.find("\n  \"", pos)) != std::string::npos;) {
            const std::size_t start = pos + 1;
            std::size_t end = start;
            while (printed.compare(end, 3, "  \"") == 0)
                end = printed.find('\n', end) + 1;
            out.push_back(printed.substr(start, end - start));
            pos = end - 1;
        }
        return out;
    }();
    ASSERT_EQ(lists.size(), 7u) << printed;
    const auto jobs = [](const std::string& a, const std::string& b, const std::string& c) {
        return "  \"" + a + "\"\n  \"" + b + "\"\n  \"" + c + "\"\n";
    };
    EXPECT_EQ(lists[0], jobs("1 waiting D/one.m2v", "2 waiting D/two.m2v", "3 waiting D/three.m2v"));
    EXPECT_EQ(lists[1], jobs("1 running D/one.m2v", "2 waiting D/two.m2v", "3 waiting D/three.m2v"));
    EXPECT_EQ(lists[2], jobs("1 done D/one.m2v", "2 running D/two.m2v", "3 waiting D/three.m2v"));
    EXPECT_EQ(lists[3], jobs("1 done D/one.m2v", "2 done D/two.m2v", "3 done D/three.m2v"));
    // Retried and moved down; stopped while it ran, it waits again, its earlier output untouched and
    // nothing of the stopped run left; then removed.
    EXPECT_EQ(lists[4], jobs("2 done D/two.m2v", "1 waiting D/one.m2v", "3 done D/three.m2v"));
    EXPECT_EQ(lists[5], jobs("2 done D/two.m2v", "1 waiting D/one.m2v", "3 done D/three.m2v"));
    EXPECT_EQ(lists[6], "  \"2 done D/two.m2v\"\n  \"3 done D/three.m2v\"\n");
    EXPECT_FALSE(fs::exists(dir + "/one.m2v.writing"));

    // Started from the page; the progress of the running job; the window answers meanwhile.
    EXPECT_NE(
        printed.find("status: \" queue started\"\nqueue 1902 kind=button text=\"start queue\" enabled=0"),
        std::string::npos)
        << printed;
    EXPECT_TRUE(
        std::regex_search(printed, std::regex("queue 1908 kind=static text=\"job 1: pass [12] of 2: frame "
                                              "[0-9]+ of 300")))
        << printed;
    EXPECT_TRUE(std::regex_search(
        printed, std::regex("status: \" SMP \\(Symmetric MultiProcessing\\) turned o[nf]+[^\"]*\"\n"
                            "queueRunning = 1\n")))
        << printed;
    EXPECT_NE(printed.find("queue 1909 kind=static text=\"queue finished\""), std::string::npos) << printed;
    EXPECT_NE(printed.find("queue 1909 kind=static text=\"queue stopped\""), std::string::npos) << printed;
    EXPECT_NE(printed.find("queue 1902 kind=button text=\"start queue\" enabled=1"), std::string::npos)
        << printed;

    EXPECT_EQ(framesOf(dir + "/one.m2v"), 300);
    EXPECT_EQ(framesOf(dir + "/two.m2v"), 260);
    EXPECT_EQ(framesOf(dir + "/three.m2v"), 48);
}

} // namespace
