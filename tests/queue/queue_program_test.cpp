// mivo-queue as a user runs it, with the real encoder: jobs in order, a failed job among them, a run
// killed mid-job, and two runs started together.

#include "stream_maker.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <map>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern "C" {
#include <libavutil/frame.h>
}

namespace {

namespace fs = std::filesystem;
using mivo::test::readText;
using mivo::test::writeText;

struct Result {
    int code = -1;
    std::string out, err;
};

struct QueueFolder {
    std::string dir;
    explicit QueueFolder(const std::string& name) : dir(mivo::test::scratchFolder(name)) {}
    std::string path(const std::string& name) const { return dir + "/" + name; }

    Result run(const std::string& arguments, const std::string& tag = "q") const {
        const std::string command = "'" MIVO_QUEUE_PROGRAM "' --folder '" + dir + "' " + arguments + " > '" +
                                    path(tag + ".out") + "' 2> '" + path(tag + ".err") + "'";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readText(path(tag + ".out")),
                readText(path(tag + ".err"))};
    }
    // A job's settings file, written beside the queue and added to it.
    std::string job(const std::string& name, const std::string& input, const std::string& extra = {}) const {
        writeText(path(name + ".ini"), "*INFILE  " + input + "\r\n*OUTFILE " + path(name + ".m2v") +
                                           "\r\n*BITRATE 5000\r\n" + extra);
        return path(name + ".ini");
    }
};

std::string project(const QueueFolder& folder, int frames) {
    mivo::test::StreamSpec spec;
    spec.frames = frames;
    const std::string project = folder.path("source" + std::to_string(frames) + ".d2v");
    mivo::test::indexProject({mivo::test::makeStream(spec)}, project);
    return project;
}

int framesOf(const std::string& path) {
    int frames = 0;
    mivo::test::decodeWithFfmpeg(path, [&](const AVFrame&) { ++frames; });
    return frames;
}

TEST(QueueProgram, JobsRunInOrderAndAFailedJobDoesNotStopTheRest) {
    QueueFolder f("queue-order");
    const std::string source = project(f, 36);
    const Result added =
        f.run("add '" + f.job("a", source, "*FRAMES 0 29\r\n") + "' '" + f.job("b", f.path("gone.d2v")) +
              "' '" + f.job("c", source, "*1PASS\r\n") + "' '" + f.path("nowhere.ini") + "'");
    EXPECT_EQ(added.code, 1); // the missing file
    EXPECT_EQ(added.out, "1\n2\n3\n");
    EXPECT_NE(added.err.find("nowhere.ini: cannot be read"), std::string::npos) << added.err;
    ASSERT_EQ(f.run("move 3 1").code, 0);

    const Result ran = f.run("run");
    EXPECT_EQ(ran.code, 1);
    EXPECT_EQ(ran.out, "job 3: running\njob 3: done\njob 1: running\njob 1: done\njob 2: running\n"
                       "job 2: failed: input file not found: " +
                           f.path("gone.d2v") + "\n");
    EXPECT_EQ(framesOf(f.path("a.m2v")), 30);
    EXPECT_EQ(framesOf(f.path("c.m2v")), 36);
    EXPECT_FALSE(fs::exists(f.path("b.m2v")));

    const Result listed = f.run("list");
    EXPECT_EQ(listed.code, 0);
    EXPECT_EQ(listed.out, "3 done " + f.path("c.m2v") + "\n1 done " + f.path("a.m2v") + "\n2 failed " +
                              f.path("b.m2v") + " (input file not found: " + f.path("gone.d2v") + ")\n");
    // The source comes back: the retried job runs alone, the finished ones are left as they are.
    fs::copy_file(source, f.path("gone.d2v"));
    EXPECT_EQ(f.run("retry 2").code, 0);
    const Result again = f.run("run");
    EXPECT_EQ(again.code, 0) << again.out;
    EXPECT_EQ(again.out, "job 2: running\njob 2: done\n");
    EXPECT_EQ(framesOf(f.path("b.m2v")), 36);

    for (const char* refused : {"remove 9", "retry 9", "move 9 1", "move 1 0", "frobnicate", "remove x"})
        EXPECT_EQ(f.run(refused).code, 1) << refused;
}

// Starts `mivo-queue run` as the leader of a process group of its own; its process number.
pid_t startRunner(const QueueFolder& f, const std::string& tag) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setpgid(0, 0);
        const std::string command = "exec '" MIVO_QUEUE_PROGRAM "' --folder '" + f.dir + "' run > '" +
                                    f.path(tag + ".out") + "' 2>&1";
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::setpgid(pid, pid);
    return pid;
}

int endOf(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(QueueProgram, ARunKilledMidJobLeavesNoOutputAndTheNextRunFinishesTheJob) {
    QueueFolder f("queue-killed");
    const std::string source = project(f, 300);
    ASSERT_EQ(f.run("add '" + f.job("long", source) + "'").code, 0);
    const std::string output = f.path("long.m2v"), partial = output + ".writing";
    // The encoder outlives its runner here, so it is reparented: to us, not to init. Reparented to a
    // process of another session, its stopped group would be orphaned and the kernel would hang it up.
    ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    const pid_t runner = startRunner(f, "killed");
    // Mid-job: the encoder reports its progress (about once a second, so well before its end).
    const std::string log = f.dir + "/queue/0001.log";
    for (int k = 0; k < 6000 && (!fs::exists(log) || readText(log).find(": frame ") == std::string::npos);
         ++k)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    // The runner dies alone: its encoder (held still, so that it cannot finish meanwhile) still has the
    // job, which is not taken again.
    ASSERT_EQ(::kill(-runner, SIGSTOP), 0);
    ASSERT_TRUE(fs::exists(partial)) << readText(f.dir + "/queue/0001.log");
    ASSERT_EQ(::kill(runner, SIGKILL), 0);
    EXPECT_EQ(endOf(runner), 128 + SIGKILL);
    EXPECT_EQ(f.run("list").out, "1 running " + output + "\n");
    const Result meanwhile = f.run("run");
    EXPECT_EQ(meanwhile.code, 0);
    EXPECT_EQ(meanwhile.out, "");
    // Then the rest of the group, the encoder with it.
    ASSERT_EQ(::kill(-runner, SIGKILL), 0);
    // The encoder dies with its runner (the kill reaches it a moment later); it is ours to reap.
    for (int k = 0; k < 1500 && ::kill(-runner, 0) == 0; ++k) {
        while (::waitpid(-runner, nullptr, WNOHANG) > 0) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_EQ(::kill(-runner, 0), -1);
    ::prctl(PR_SET_CHILD_SUBREAPER, 0);
    EXPECT_FALSE(fs::exists(output));
    EXPECT_NE(readText(f.dir + "/queue/0001.job").find("state running"), std::string::npos);
    EXPECT_EQ(f.run("list").out, "1 waiting " + output + "\n");

    const Result finished = f.run("run");
    EXPECT_EQ(finished.code, 0) << finished.out << readText(f.dir + "/queue/0001.log");
    EXPECT_EQ(framesOf(output), 300);
    EXPECT_FALSE(fs::exists(partial));
}

TEST(QueueProgram, TwoRunsStartedTogetherNeverRunTheSameJob) {
    QueueFolder f("queue-two-runners");
    const std::string source = project(f, 36);
    std::string files;
    for (int n = 1; n <= 6; ++n)
        files += " '" + f.job("t" + std::to_string(n), source, "*1PASS\r\n") + "'";
    ASSERT_EQ(f.run("add" + files).code, 0);
    const pid_t one = startRunner(f, "one"), two = startRunner(f, "two");
    EXPECT_EQ(endOf(one), 0);
    EXPECT_EQ(endOf(two), 0);
    std::map<std::string, int> runs;
    for (const char* tag : {"one", "two"}) {
        const std::string out = readText(f.path(std::string(tag) + ".out"));
        for (std::size_t at = out.find(": running"); at != std::string::npos;
             at = out.find(": running", at + 1))
            ++runs[out.substr(out.rfind('\n', at) + 1, at - out.rfind('\n', at) - 1)];
    }
    EXPECT_EQ(runs.size(), 6u);
    for (const auto& [job, count] : runs)
        EXPECT_EQ(count, 1) << job;
    for (int n = 1; n <= 6; ++n)
        EXPECT_EQ(framesOf(f.path("t" + std::to_string(n) + ".m2v")), 36);
}

} // namespace
