// The queue on disk: job records, the order, damaged files, and who may take a job.

#include "base/whole_file.h"
#include "queue/job_queue.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace mivo::queue {
namespace {

namespace fs = std::filesystem;

std::string freshFolder(const std::string& name) {
    const fs::path dir =
        fs::temp_directory_path() / ("mivo-queue-" + name + "-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir.string() + "/";
}

std::string settings(const std::string& output) {
    return "*INFILE  /v/" + output + ".d2v\r\n*OUTFILE /v/" + output + ".m2v\r\n*BITRATE 5000\r\n";
}

std::vector<int> numbers(const QueueView& view) {
    std::vector<int> out;
    for (const JobRecord& j : view.jobs)
        out.push_back(j.number);
    return out;
}

QueueView listed(JobQueue& q) {
    QueueView view;
    std::string why;
    EXPECT_TRUE(q.list(view, why)) << why;
    return view;
}

TEST(JobRecord, RoundTripsAndRefusesEveryDamagedText) {
    JobRecord r;
    r.number = 12;
    r.state = JobState::Failed;
    r.input = "/v/a b.d2v";
    r.output = "/v/a b.m2v";
    r.settingsBytes = 1234;
    r.settingsHash = 0xfedcba9876543210ull;
    r.exit = 1;
    r.signal = 9;
    r.reason = "source missing\nsecond line";
    r.logTail = {"pass 1 of 2", "ERROR: source missing"};
    const std::string text = formatJobRecord(r);
    JobRecord back;
    std::string why;
    ASSERT_TRUE(parseJobRecord(text, 12, back, why)) << why;
    EXPECT_EQ(back.state, JobState::Failed);
    EXPECT_EQ(back.input, r.input);
    EXPECT_EQ(back.output, r.output);
    EXPECT_EQ(back.settingsBytes, 1234u);
    EXPECT_EQ(back.settingsHash, r.settingsHash);
    EXPECT_EQ(back.exit, 1);
    EXPECT_EQ(back.signal, 9);
    EXPECT_EQ(back.reason, "source missing second line"); // a line feed would break the record
    EXPECT_EQ(back.logTail, r.logTail);
    std::string crlf;
    for (char c : text)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_TRUE(parseJobRecord(crlf, 12, back, why)) << why;

    const std::size_t endLine = text.rfind("end\n");
    const struct {
        std::string text;
        const char* why;
    } damaged[] = {
        {text.substr(0, endLine), "no end line"},
        {text.substr(0, text.size() - 1), "unfinished"},
        {text.substr(0, 30), "unfinished"},
        {"", "empty"},
        {"\x7f"
         "ELF\x01\x02garbage\n",
         "not a job record"},
        {text + "state done\n", "after the end"},
        {std::string(text).replace(text.find("failed"), 6, "broken"), "unknown state"},
        {std::string(text).replace(text.find("job 12"), 6, "job 13"), "job 13"},
        {std::string(text).replace(text.find("exit 1"), 6, "exit x"), "exit"},
        {std::string(text).replace(text.find("settings"), 8, "setting "), "unknown entry"},
        {std::string(text).erase(text.find("settings"),
                                 text.find('\n', text.find("settings")) + 1 - text.find("settings")),
         "no settings"},
    };
    for (const auto& d : damaged) {
        why.clear();
        EXPECT_FALSE(parseJobRecord(d.text, 12, back, why)) << d.text;
        EXPECT_NE(why.find(d.why), std::string::npos) << why;
    }
}

TEST(JobQueue, JobsAreNumberedOrderedMovedRetriedAndRemoved) {
    JobQueue q(freshFolder("order") + "queue/");
    std::string why;
    EXPECT_TRUE(listed(q).jobs.empty()); // no folder yet: an empty queue
    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(q.add(settings("t" + std::to_string(n)), "t.ini", why), n) << why;
    QueueView view = listed(q);
    EXPECT_EQ(numbers(view), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(view.jobs[2].output, "/v/t3.m2v");
    EXPECT_EQ(view.jobs[2].input, "/v/t3.d2v");
    EXPECT_TRUE(view.problems.empty());

    ASSERT_TRUE(q.move(3, 1, why)) << why;
    ASSERT_TRUE(q.move(1, 99, why)) << why; // past the end: last
    ASSERT_TRUE(q.move(4, 2, why)) << why;
    EXPECT_EQ(numbers(listed(q)), (std::vector<int>{3, 4, 2, 1}));
    EXPECT_FALSE(q.move(9, 1, why));
    EXPECT_FALSE(q.move(3, 0, why));

    // Taken in queue order; a failed run keeps its reason until retried.
    std::optional<Claim> c = q.claimNext(1, view, why);
    ASSERT_TRUE(c) << why;
    EXPECT_EQ(c->number, 3);
    EXPECT_FALSE(q.remove(3, why)); // running
    EXPECT_NE(why.find("running"), std::string::npos);
    EXPECT_FALSE(q.retry(3, why));
    JobOutcome failed;
    failed.exit = 1;
    failed.reason = "source missing";
    ASSERT_TRUE(q.finish(*c, failed, why)) << why;
    view = listed(q);
    EXPECT_EQ(view.jobs[0].state, JobState::Failed);
    EXPECT_EQ(view.jobs[0].reason, "source missing");
    EXPECT_FALSE(q.retry(4, why)); // waiting already
    ASSERT_TRUE(q.retry(3, why)) << why;
    view = listed(q);
    EXPECT_EQ(view.jobs[0].state, JobState::Waiting);
    EXPECT_TRUE(view.jobs[0].reason.empty());
    EXPECT_FALSE(view.jobs[0].exit);

    // Removing a job takes all its files; its number is not given out again.
    ASSERT_TRUE(q.remove(4, why)) << why;
    EXPECT_FALSE(fs::exists(q.fileOf(4, "ini")));
    EXPECT_FALSE(fs::exists(q.fileOf(4, "job")));
    EXPECT_FALSE(q.remove(4, why));
    ASSERT_TRUE(q.remove(1, why)) << why; // the last number
    EXPECT_EQ(q.add(settings("t5"), "t.ini", why), 5);
    EXPECT_EQ(numbers(listed(q)), (std::vector<int>{3, 2, 5}));

    // Settings that do not read, or that write nothing, are no job.
    EXPECT_FALSE(q.add("*INFILE /v/a.d2v\r\n", "a.ini", why));
    EXPECT_NE(why.find("a.ini: no *OUTFILE"), std::string::npos) << why;
    EXPECT_FALSE(q.add(settings("x") + "*BITRATE abc\r\n", "x.ini", why));
    EXPECT_EQ(numbers(listed(q)), (std::vector<int>{3, 2, 5}));
}

TEST(JobQueue, DamagedFilesAreReportedAndTheRestOfTheQueueLoads) {
    JobQueue q(freshFolder("damaged") + "queue/");
    std::string why, text;
    for (int n = 1; n <= 6; ++n)
        ASSERT_TRUE(q.add(settings("t" + std::to_string(n)), "t.ini", why)) << why;
    ASSERT_TRUE(q.move(6, 1, why));
    ASSERT_TRUE(readWholeFile(q.fileOf(2, "job"), text));
    ASSERT_TRUE(writeWholeFile(q.fileOf(2, "job"), text.substr(0, text.size() / 2)));
    ASSERT_TRUE(writeWholeFile(q.fileOf(3, "ini"), settings("t3").substr(0, 10)));
    ASSERT_TRUE(writeWholeFile(q.fileOf(4, "job"), std::string(200, '\xff')));
    std::string changed = settings("t6");
    changed[changed.find("5000")] = '9'; // as long as before, another bitrate
    ASSERT_TRUE(q.add(settings("t7"), "t.ini", why));
    ASSERT_TRUE(writeWholeFile(q.fileOf(7, "ini"), changed));
    fs::remove(q.fileOf(5, "job"));

    QueueView view = listed(q);
    EXPECT_EQ(numbers(view), (std::vector<int>{6, 1}));
    std::string problems;
    for (const QueueProblem& p : view.problems)
        problems += p.file + ": " + p.why + "\n";
    EXPECT_EQ(problems, "0002.job: cut short (its last line is unfinished)\n"
                        "0003.ini: cut short\n"
                        "0004.job: line 1: not a job record\n"
                        "0005.ini: settings without a job record\n"
                        "0007.ini: changed since it was added\n");

    // An order file with garbage loses only the order: the jobs follow by number.
    ASSERT_TRUE(writeWholeFile(q.folder() + "order", "mivo-queue order\nnext 7\n6\nsix\nend\n"));
    view = listed(q);
    EXPECT_EQ(numbers(view), (std::vector<int>{1, 6}));
    ASSERT_EQ(view.problems.size(), 6u);
    EXPECT_EQ(view.problems[0].file, "order");
    // A damaged job is never run, can be named in a message, and can be removed.
    std::optional<Claim> c = q.claimNext(1, view, why);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->number, 1);
    c.reset();
    EXPECT_FALSE(q.retry(2, why));
    EXPECT_NE(why.find("0002.job: cut short"), std::string::npos) << why;
    for (int n : {2, 3, 4, 5, 7})
        EXPECT_TRUE(q.remove(n, why)) << n << why;
    EXPECT_EQ(q.add(settings("t8"), "t.ini", why), 8); // numbers of damaged jobs are not given out again
    view = listed(q);
    EXPECT_TRUE(view.problems.empty());
    EXPECT_EQ(numbers(view), (std::vector<int>{1, 6, 8}));
}

TEST(JobQueue, AJobIsTakenOnceAndWaitsAgainWhenItsRunnerIsGone) {
    const std::string folder = freshFolder("claims") + "queue/";
    JobQueue first(folder), second(folder);
    std::string why;
    for (int n = 1; n <= 3; ++n)
        ASSERT_TRUE(first.add(settings("t" + std::to_string(n)), "t.ini", why));
    QueueView view;
    std::optional<Claim> a = first.claimNext(100, view, why);
    std::optional<Claim> b = second.claimNext(200, view, why);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->number, 1);
    EXPECT_EQ(b->number, 2);
    view = listed(second);
    EXPECT_EQ(view.jobs[0].state, JobState::Running);
    EXPECT_EQ(view.jobs[0].runner, 100);

    // The first runner dies: its lock goes with it, and its job is the next to be taken.
    a.reset();
    view = listed(second);
    EXPECT_EQ(view.jobs[0].state, JobState::Waiting);
    EXPECT_EQ(view.jobs[1].state, JobState::Running);
    std::optional<Claim> c = second.claimNext(300, view, why);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->number, 1);

    // A stopped job waits again with nothing of its run kept.
    JobOutcome stopped;
    stopped.stopped = true;
    stopped.signal = 15;
    ASSERT_TRUE(second.finish(*c, stopped, why)) << why;
    JobOutcome done;
    done.exit = 0;
    done.logTail = {"done: 36 frames"};
    ASSERT_TRUE(first.finish(*b, done, why)) << why;
    view = listed(first);
    EXPECT_EQ(view.jobs[0].state, JobState::Waiting);
    EXPECT_FALSE(view.jobs[0].signal);
    EXPECT_EQ(view.jobs[1].state, JobState::Done);
    EXPECT_EQ(view.jobs[1].logTail, done.logTail);
}

} // namespace
} // namespace mivo::queue
