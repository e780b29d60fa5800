#include "program/pages/queue_page.h"

#include "base/whole_file.h"
#include "core/control_ids.h"
#include "platform/platform.h"
#include "program/program.h"
#include "program/settings/page_values.h"
#include "queue/job_queue.h"
#include "queue/queue_runner.h"

#include <csignal>

namespace mivo {

namespace {

namespace q = ids::queue;

// The last progress or message line of a log, without its line end.
std::string lastLine(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    const std::size_t start = text.rfind('\n');
    return start == std::string::npos ? text : text.substr(start + 1);
}

std::string jobLine(const queue::JobRecord& job) {
    std::string line =
        std::to_string(job.number) + " " + std::string(queue::stateName(job.state)) + " " + job.output;
    if (job.state == queue::JobState::Failed) line += " (" + job.reason + ")";
    return line;
}

} // namespace

std::string runnerEndText(bool signalled, int code) {
    if (signalled) return "queue runner ended by signal " + std::to_string(code);
    switch (code) {
    case queue::kAllFinished:
        return "queue finished";
    case queue::kSomeFailed:
        return "queue finished, a job FAILED";
    case queue::kStopped:
        return "queue stopped";
    default:
        return "queue runner ended with exit code " + std::to_string(code);
    }
}

QueuePage::QueuePage(Program& program) : PageHandler(program) {}

// The runner is a process of its own: it goes on with the queue when the window closes.
QueuePage::~QueuePage() = default;

std::string QueuePage::folder() const {
    return queue::queueFolderBeside(p_.paths().writableFolder, platform::pathSeparator());
}

std::string QueuePage::runnerProgram() const {
    return p_.paths().programFolder + "mivo-queue";
}

bool QueuePage::runnerRunning() const {
    return runner_ && runner_->running();
}

void QueuePage::onDefault(int id) {
    switch (id) {
    case q::startButton:
        start();
        break;
    case q::stopButton:
        stop();
        break;
    case q::upButton:
    case q::downButton:
    case q::removeButton:
    case q::retryButton:
        selectedJobAction(id);
        break;
    default:
        break;
    }
}

void QueuePage::addToQueue() {
    StatusLine& status = p_.status();
    Settings& settings = p_.settings();
    if (p_.scanRunning()) {
        status.show(" can't add to queue while scene change detection scan is running");
        return;
    }
    // Asked now, while the user is at the window, rather than found out when the job runs.
    if (platform::fileExists(settings.outputFile) &&
        p_.dialogs().message("Mivo message", "m2v output file already exists, OVERWRITE ?",
                             MessageButtons::YesNo) != MessageAnswer::Yes) {
        status.show(" please rename outputfile");
        return;
    }
    std::string text;
    if (!renderIniText(settings, p_.controls(), text)) {
        status.show(" job not added, invalid CQ value, not a number");
        return;
    }
    queue::JobQueue jobs(folder());
    std::string why;
    if (const std::optional<int> n = jobs.add(text, "settings", why))
        status.show(" job " + std::to_string(*n) + " added to the queue");
    else
        status.show(" job not added: " + why);
    refresh();
}

void QueuePage::shown() {
    refresh();
}

void QueuePage::tick() {
    if (runner_) {
        if (const std::optional<platform::ChildEnd> end = runner_->poll()) {
            runner_.reset();
            p_.controls().setText(PageId::Queue, q::runnerInfo, runnerEndText(end->signalled, end->code));
            p_.controls().setEnabled(PageId::Queue, q::startButton, true);
            p_.controls().setEnabled(PageId::Queue, q::stopButton, false);
        }
        refresh();
        return;
    }
    // Another runner (the command line, another machine) may be at work: follow it while the page shows.
    if (p_.controls().selected(PageId::Window, ids::window::tabs) + 1 == static_cast<int>(PageId::Queue))
        refresh();
}

void QueuePage::refresh() {
    ControlModel& c = p_.controls();
    queue::JobQueue jobs(folder());
    queue::QueueView view;
    std::string why;
    if (!jobs.list(view, why)) {
        c.setText(PageId::Queue, q::runnerInfo, "queue cannot be read: " + why);
        return;
    }
    const int selectedJob = [&] {
        const int line = c.selected(PageId::Queue, q::jobList);
        return line >= 0 && line < static_cast<int>(numbers_.size())
                   ? numbers_[static_cast<std::size_t>(line)]
                   : 0;
    }();
    std::vector<std::string> lines;
    numbers_.clear();
    std::string progress;
    for (const queue::JobRecord& job : view.jobs) {
        lines.push_back(jobLine(job));
        numbers_.push_back(job.number);
        if (job.state == queue::JobState::Running && progress.empty()) {
            std::string log;
            readWholeFile(jobs.fileOf(job.number, "log"), log);
            progress = "job " + std::to_string(job.number) + ": " + lastLine(log);
        }
    }
    for (const queue::QueueProblem& problem : view.problems)
        lines.push_back("? " + problem.file + ": " + problem.why);
    if (lines != c.at(PageId::Queue, q::jobList).items) {
        c.setItems(PageId::Queue, q::jobList, lines);
        for (std::size_t i = 0; i < numbers_.size(); ++i)
            if (numbers_[i] == selectedJob) c.setSelected(PageId::Queue, q::jobList, static_cast<int>(i));
    }
    c.setText(PageId::Queue, q::progressInfo, progress);
}

void QueuePage::start() {
    ControlModel& c = p_.controls();
    if (runnerRunning()) return;
    const std::string program = runnerProgram();
    if (!platform::fileExists(program)) {
        p_.status().show(" queue runner " + program + " NOT found");
        return;
    }
    platform::ChildStart how;
    how.arguments = {program, "--folder", p_.paths().writableFolder, "run"};
    if (!platform::makeFolders(folder())) {
        p_.status().show(" can't make the queue folder " + folder());
        return;
    }
    how.outputFile = folder() + "runner.out";
    // A session of its own: stopping it reaches its encoder as well, and it outlives the window.
    how.ownSession = true;
    auto runner = std::make_unique<platform::ChildProcess>();
    std::string why;
    if (!runner->start(how, why)) {
        p_.status().show(" failed to start the queue: " + why);
        return;
    }
    runner_ = std::move(runner);
    c.setEnabled(PageId::Queue, q::startButton, false);
    c.setEnabled(PageId::Queue, q::stopButton, true);
    c.setText(PageId::Queue, q::runnerInfo, "queue running");
    p_.status().show(" queue started");
}

void QueuePage::stop() {
    if (!runnerRunning()) return;
    // The runner stops its encoder; the job waits again for the next start.
    runner_->signal(SIGTERM);
    p_.controls().setText(PageId::Queue, q::runnerInfo, "stopping the queue...");
}

void QueuePage::selectedJobAction(int id) {
    ControlModel& c = p_.controls();
    const int line = c.selected(PageId::Queue, q::jobList);
    if (line < 0 || line >= static_cast<int>(numbers_.size())) {
        p_.status().show(" select a job first");
        return;
    }
    const int number = numbers_[static_cast<std::size_t>(line)];
    queue::JobQueue jobs(folder());
    std::string why;
    bool ok = false;
    if (id == q::upButton) ok = line == 0 || jobs.move(number, line, why);
    if (id == q::downButton) ok = jobs.move(number, line + 2, why);
    if (id == q::removeButton) ok = jobs.remove(number, why);
    if (id == q::retryButton) ok = jobs.retry(number, why);
    if (!ok)
        p_.status().show(" " + why);
    else
        p_.status().clear();
    refresh();
}

} // namespace mivo
