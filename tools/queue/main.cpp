// mivo-queue: the job queue from the command line. Jobs are copies of ini files kept in the queue folder
// beside Mivo.ini; "run" hands them to the encoder one after the other, without the window.

#include "base/whole_file.h"
#include "core/program_paths.h"
#include "platform/platform.h"
#include "queue/job_queue.h"
#include "queue/queue_runner.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace mivo;

constexpr const char* kUsage =
    "usage: mivo-queue [--folder DIR] [--encoder PROGRAM] COMMAND\n"
    "  add FILE.ini...   add each file as a job at the end of the queue; prints each job's number\n"
    "  list              one line a job: number, state, output file (and a failed job's reason)\n"
    "  run               run the waiting jobs in order until none is left\n"
    "  remove N          remove job N (not while it runs)\n"
    "  retry N           make a failed or finished job N wait again\n"
    "  move N POS        move job N to position POS (1 is first)\n"
    "The queue is the folder \"queue\" beside Mivo.ini (DIR when given); the encoder is Dazuzer_024.exe\n"
    "in the program folder. run ends 0 when every job it ran finished, 1 when any failed, 2 when stopped.\n";

// Set from the signal handler, read by the runner between looks at the encoder: a signal handler can
// reach nothing else.
volatile std::sig_atomic_t stopSignal = 0;

void onStopSignal(int) {
    stopSignal = 1;
}

void catchStopSignals() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    for (int s : {SIGTERM, SIGINT, SIGHUP})
        sigaction(s, &action, nullptr);
}

void fail(const std::string& message) {
    std::fprintf(stderr, "mivo-queue: %s\n", message.c_str());
}

bool number(const char* text, int& out) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < 1 || v > 999999) return false;
    out = static_cast<int>(v);
    return true;
}

// Where Mivo.ini is kept: the program folder, or the user's own folder when the program folder cannot
// be written (an installed copy), as the window decides.
std::string settingsFolder(const std::string& programFolder) {
    if (platform::folderWritable(programFolder)) return programFolder;
    const std::string own = userSettingsFolder(platform::environment("XDG_CONFIG_HOME"),
                                               platform::environment("HOME"), platform::pathSeparator());
    return own.empty() ? programFolder : own;
}

void reportProblems(const queue::JobQueue& q, const queue::QueueView& view) {
    for (const queue::QueueProblem& p : view.problems)
        fail(q.folder() + p.file + ": " + p.why);
}

int list(queue::JobQueue& q) {
    queue::QueueView view;
    std::string why;
    if (!q.list(view, why)) {
        fail(why);
        return 1;
    }
    reportProblems(q, view);
    for (const queue::JobRecord& job : view.jobs) {
        std::string line =
            std::to_string(job.number) + " " + std::string(stateName(job.state)) + " " + job.output;
        if (job.state == queue::JobState::Failed) line += " (" + job.reason + ")";
        std::printf("%s\n", line.c_str());
    }
    return 0;
}

int add(queue::JobQueue& q, const std::vector<std::string>& files) {
    int result = 0;
    for (const std::string& file : files) {
        std::string text, why;
        if (!platform::fileExists(file) || !readWholeFile(file, text)) {
            fail(file + ": cannot be read");
            result = 1;
            continue;
        }
        if (const std::optional<int> n = q.add(text, file, why)) {
            std::printf("%d\n", *n);
        } else {
            fail(why);
            result = 1;
        }
    }
    return result;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const std::string programFolder = platform::programFolder();
    std::string folder, encoder = programFolder + "Dazuzer_024.exe";
    while (args.size() >= 2 && (args[0] == "--folder" || args[0] == "--encoder")) {
        (args[0] == "--folder" ? folder : encoder) = args[1];
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.empty()) {
        std::fputs(kUsage, stderr);
        return 1;
    }
    if (folder.empty()) folder = settingsFolder(programFolder);
    if (folder.back() != '/') folder += '/';
    queue::JobQueue q(queue::queueFolderBeside(folder, '/'));

    const std::string& command = args[0];
    std::string why;
    int n = 0, pos = 0;
    if (command == "list" && args.size() == 1) return list(q);
    if (command == "add" && args.size() >= 2) return add(q, {args.begin() + 1, args.end()});
    if (command == "run" && args.size() == 1) {
        catchStopSignals();
        queue::RunnerOptions options;
        options.encoder = encoder;
        options.stopRequested = [] { return stopSignal != 0; };
        options.say = [](const std::string& line) {
            std::printf("%s\n", line.c_str());
            std::fflush(stdout);
        };
        return queue::runQueue(q, options);
    }
    if ((command == "remove" || command == "retry") && args.size() == 2 && number(args[1].c_str(), n)) {
        if ((command == "remove" ? q.remove(n, why) : q.retry(n, why))) return 0;
        fail(why);
        return 1;
    }
    if (command == "move" && args.size() == 3 && number(args[1].c_str(), n) && number(args[2].c_str(), pos)) {
        if (q.move(n, pos, why)) return 0;
        fail(why);
        return 1;
    }
    std::fputs(kUsage, stderr);
    return 1;
}
