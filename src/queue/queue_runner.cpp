#include "queue/queue_runner.h"

#include "base/whole_file.h"
#include "platform/child_process.h"
#include "platform/platform.h"

#include <csignal>
#include <filesystem>
#include <set>
#include <unistd.h>

namespace mivo::queue {

namespace {

constexpr std::size_t kTailLines = 6;
constexpr std::size_t kLineLimit = 300;
constexpr int kPollMs = 100;

std::vector<std::string> lastLines(const std::string& text, std::size_t count) {
    std::vector<std::string> lines;
    std::size_t end = text.size();
    while (lines.size() < count && end > 0) {
        const std::size_t start = text.rfind('\n', end - 1);
        const std::size_t from = start == std::string::npos ? 0 : start + 1;
        std::string line = text.substr(from, end - from);
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
            line.pop_back();
        if (!line.empty()) lines.insert(lines.begin(), line.substr(0, kLineLimit));
        if (start == std::string::npos) break;
        end = start;
    }
    return lines;
}

} // namespace

JobOutcome outcomeOf(bool signalled, int code, const std::string& logText) {
    JobOutcome out;
    if (signalled)
        out.signal = code;
    else
        out.exit = code;
    out.logTail = lastLines(logText, kTailLines);
    if (!signalled && code == 0) return out;
    constexpr std::string_view kError = "ERROR: ";
    const std::size_t at = logText.rfind(kError);
    if (at != std::string::npos) {
        const std::size_t end = logText.find('\n', at);
        out.reason =
            logText.substr(at + kError.size(), end == std::string::npos ? end : end - at - kError.size());
        while (!out.reason.empty() && out.reason.back() == '\r')
            out.reason.pop_back();
        out.reason = out.reason.substr(0, kLineLimit);
    }
    if (out.reason.empty())
        out.reason = signalled ? "the encoder was ended by signal " + std::to_string(code)
                               : "the encoder ended with exit code " + std::to_string(code);
    return out;
}

int runQueue(JobQueue& queue, const RunnerOptions& options) {
    const auto say = [&](const std::string& line) {
        if (options.say) options.say(line);
    };
    std::set<std::string> problemsSaid;
    bool failed = false;
    for (;;) {
        if (options.stopRequested && options.stopRequested()) return kStopped;
        QueueView view;
        std::string why;
        std::optional<Claim> claim = queue.claimNext(static_cast<long>(::getpid()), view, why);
        for (const QueueProblem& p : view.problems)
            if (problemsSaid.insert(p.file + p.why).second) say(queue.folder() + p.file + ": " + p.why);
        if (!claim) {
            if (!why.empty()) {
                say(why);
                return kSomeFailed;
            }
            return failed ? kSomeFailed : kAllFinished;
        }
        say("job " + std::to_string(claim->number) + ": running");

        platform::ChildStart how;
        how.arguments = {options.encoder, claim->settingsPath};
        how.outputFile = claim->logPath;
        // Unattended: the encoder shows no window and writes its progress lines into the log.
        how.environment = {{"QT_QPA_PLATFORM", "offscreen"}};
        // The encoder holds the job's lock with the runner: should the runner die alone, the job is not
        // taken again while its encoder still writes.
        how.keepDescriptor = claim->lock.descriptor();
        platform::ChildProcess child;
        JobOutcome outcome;
        if (!child.start(how, why)) {
            outcome.exit = -1;
            outcome.reason = why;
        } else {
            bool stopping = false;
            std::optional<platform::ChildEnd> end;
            while (!(end = child.poll())) {
                if (!stopping && options.stopRequested && options.stopRequested()) {
                    stopping = true;
                    child.signal(SIGTERM);
                }
                platform::sleepMs(kPollMs);
            }
            std::string log;
            readWholeFile(claim->logPath, log);
            outcome = outcomeOf(end->signalled, end->code, log);
            outcome.stopped = stopping || (options.stopRequested && options.stopRequested());
        }
        // An encoder that was stopped or broke off leaves its unfinished stream under the temporary name;
        // nobody else writes that name while the job is ours.
        if (!(outcome.exit && *outcome.exit == 0)) {
            std::error_code ec;
            std::filesystem::remove(temporaryBeside(claim->output), ec);
        }
        const int number = claim->number;
        if (!queue.finish(*claim, outcome, why)) {
            say("job " + std::to_string(number) + ": " + why);
            return kSomeFailed;
        }
        if (outcome.stopped) {
            say("job " + std::to_string(number) + ": stopped, waiting again");
            return kStopped;
        }
        const bool ok = outcome.exit && *outcome.exit == 0;
        failed = failed || !ok;
        say("job " + std::to_string(number) + (ok ? ": done" : ": failed: " + outcome.reason));
    }
}

} // namespace mivo::queue
