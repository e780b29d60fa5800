#include "queue/job_queue.h"

#include "base/whole_file.h"
#include "core/settings/ini_codec.h"
#include "platform/platform.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <set>

namespace mivo::queue {

namespace fs = std::filesystem;

namespace {

constexpr const char* kOrderFile = "order";
constexpr const char* kQueueLock = "lock";
constexpr std::string_view kOrderHeader = "mivo-queue order";

bool readInt(std::string_view text, int& out) {
    const char* end = text.data() + text.size();
    const auto [p, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc() && p == end && !text.empty() && out > 0;
}

// "0042.job" gives 42 and "job"; false for every other name.
bool jobFileName(const std::string& name, int& number, std::string& extension) {
    const std::size_t dot = name.find('.');
    if (dot == std::string::npos || dot < 4) return false;
    for (std::size_t i = 0; i < dot; ++i)
        if (name[i] < '0' || name[i] > '9') return false;
    extension = name.substr(dot + 1);
    return readInt(std::string_view(name).substr(0, dot), number);
}

// The order file: the header, "next N", one job number a line, "end".
bool parseOrder(std::string_view text, std::vector<int>& order, int& next, std::string& why) {
    std::vector<std::string_view> lines;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t nl = text.find('\n', pos);
        if (nl == std::string_view::npos) {
            why = "cut short (its last line is unfinished)";
            return false;
        }
        std::string_view line = text.substr(pos, nl - pos);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        pos = nl + 1;
    }
    if (lines.empty() || lines.front() != kOrderHeader) {
        why = "not the queue's order";
        return false;
    }
    if (lines.back() != "end") {
        why = "cut short (no end line)";
        return false;
    }
    if (lines.size() < 3 || !lines[1].starts_with("next ") || !readInt(lines[1].substr(5), next)) {
        why = "line 2: no next job number";
        return false;
    }
    for (std::size_t i = 2; i + 1 < lines.size(); ++i) {
        int n = 0;
        if (!readInt(lines[i], n)) {
            why = "line " + std::to_string(i + 1) + ": not a job number";
            return false;
        }
        order.push_back(n);
    }
    return true;
}

// The input and output the settings name; false with the reader's message when they do not read.
bool namesOf(const std::string& text, std::string& input, std::string& output, std::string& why) {
    SourceState source;
    auto settings = std::make_unique<Settings>(source);
    settings->setStartUpValues();
    IniInputCheck check;
    // The queue only keeps the names: whether the input is usable is the encoder's to say when it runs.
    check.classify = [](const std::string&) { return IniInputOutcome::Accepted; };
    const IniReadReport report = parseIni(text, IniMode::User, *settings, check);
    if (report.outcome != IniReadOutcome::Processed) {
        why = report.message;
        return false;
    }
    if (settings->outputFile.empty()) {
        why = "no *OUTFILE: the job would write nothing";
        return false;
    }
    input = settings->inputFile;
    output = settings->outputFile;
    return true;
}

} // namespace

struct JobQueue::Loaded {
    QueueView view;
    int next = 1;
};

std::string queueFolderBeside(const std::string& settingsFolder, char separator) {
    return settingsFolder + "queue" + separator;
}

std::string JobQueue::fileOf(int number, const char* extension) const {
    char name[32];
    std::snprintf(name, sizeof name, "%04d.%s", number, extension);
    return folder_ + name;
}

bool JobQueue::locked(std::string& why, platform::FileLock& lock) {
    if (!platform::makeFolders(folder_)) {
        why = "cannot make the queue folder " + folder_;
        return false;
    }
    return lock.lock(folder_ + kQueueLock, &why);
}

void JobQueue::load(Loaded& state) {
    state = Loaded{};
    std::vector<int> order;
    int next = 1;
    std::string text, why;
    if (platform::fileExists(folder_ + kOrderFile)) {
        if (!readWholeFile(folder_ + kOrderFile, text) || !parseOrder(text, order, next, why)) {
            state.view.problems.push_back({kOrderFile, why.empty() ? "cannot be read" : why});
            order.clear();
            next = 1;
        }
    }
    // Every job file there is, by number.
    std::map<int, std::set<std::string>> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder_, ec)) {
        int number = 0;
        std::string extension;
        if (jobFileName(entry.path().filename().string(), number, extension)) files[number].insert(extension);
    }
    std::map<int, JobRecord> good;
    for (const auto& [number, extensions] : files) {
        next = std::max(next, number + 1);
        if (!extensions.contains("job") && !extensions.contains("ini")) continue;
        const std::string recordName = fs::path(fileOf(number, "job")).filename().string();
        const std::string settingsName = fs::path(fileOf(number, "ini")).filename().string();
        JobRecord record;
        std::string settings;
        if (!extensions.contains("job")) {
            state.view.problems.push_back({settingsName, "settings without a job record"});
        } else if (!readWholeFile(fileOf(number, "job"), text)) {
            state.view.problems.push_back({recordName, "cannot be read"});
        } else if (!parseJobRecord(text, number, record, why)) {
            state.view.problems.push_back({recordName, why});
        } else if (!readWholeFile(fileOf(number, "ini"), settings)) {
            state.view.problems.push_back({settingsName, "missing or unreadable"});
        } else if (settings.size() != record.settingsBytes || settingsHash(settings) != record.settingsHash) {
            state.view.problems.push_back({settingsName, settings.size() < record.settingsBytes
                                                             ? "cut short"
                                                             : "changed since it was added"});
        } else {
            good.emplace(number, std::move(record));
        }
    }
    for (int number : order) {
        const auto it = good.find(number);
        if (it == good.end()) continue;
        state.view.jobs.push_back(std::move(it->second));
        good.erase(it);
    }
    // Jobs the order does not list (it was lost or is older than they are) follow in the order of adding.
    for (auto& [number, record] : good)
        state.view.jobs.push_back(std::move(record));
    state.next = next;
}

bool JobQueue::recover(Loaded& state, std::string& why) {
    for (JobRecord& job : state.view.jobs) {
        if (job.state != JobState::Running) continue;
        platform::FileLock probe;
        if (!probe.tryLock(fileOf(job.number, "lock"))) continue; // its runner lives
        job.state = JobState::Waiting;
        job.runner = 0;
        if (!writeRecord(job, why)) return false;
    }
    return true;
}

bool JobQueue::writeRecord(const JobRecord& record, std::string& why) const {
    if (writeWholeFile(fileOf(record.number, "job"), formatJobRecord(record))) return true;
    why = "cannot write " + fileOf(record.number, "job");
    return false;
}

bool JobQueue::writeOrder(const Loaded& state, std::string& why) const {
    std::string text = std::string(kOrderHeader) + "\nnext " + std::to_string(state.next) + "\n";
    for (const JobRecord& job : state.view.jobs)
        text += std::to_string(job.number) + "\n";
    if (writeWholeFile(folder_ + kOrderFile, text + "end\n")) return true;
    why = "cannot write " + folder_ + kOrderFile;
    return false;
}

JobRecord* JobQueue::find(Loaded& state, int number, std::string& why) {
    for (JobRecord& job : state.view.jobs)
        if (job.number == number) return &job;
    why = "no job " + std::to_string(number);
    for (const QueueProblem& p : state.view.problems) {
        int n = 0;
        std::string ext;
        if (jobFileName(p.file, n, ext) && n == number)
            why += " that can be read (" + p.file + ": " + p.why + ")";
    }
    return nullptr;
}

bool JobQueue::list(QueueView& view, std::string& why) {
    view = QueueView{};
    if (!platform::folderExists(folder_)) return true; // nothing added yet
    platform::FileLock lock;
    Loaded state;
    if (!locked(why, lock)) return false;
    load(state);
    if (!recover(state, why)) return false;
    view = std::move(state.view);
    return true;
}

std::optional<int> JobQueue::add(const std::string& settingsText, const std::string& name, std::string& why) {
    JobRecord record;
    if (!namesOf(settingsText, record.input, record.output, why)) {
        why = name + ": " + why;
        return std::nullopt;
    }
    platform::FileLock lock;
    Loaded state;
    if (!locked(why, lock)) return std::nullopt;
    load(state);
    record.number = state.next++;
    record.settingsBytes = settingsText.size();
    record.settingsHash = settingsHash(settingsText);
    // Settings first: a record is never there without them.
    if (!writeWholeFile(fileOf(record.number, "ini"), settingsText)) {
        why = "cannot write " + fileOf(record.number, "ini");
        return std::nullopt;
    }
    if (!writeRecord(record, why)) return std::nullopt;
    state.view.jobs.push_back(record);
    if (!writeOrder(state, why)) return std::nullopt;
    return record.number;
}

bool JobQueue::remove(int number, std::string& why) {
    platform::FileLock lock;
    Loaded state;
    if (!locked(why, lock)) return false;
    load(state);
    if (!recover(state, why)) return false;
    const auto it = std::find_if(state.view.jobs.begin(), state.view.jobs.end(),
                                 [&](const JobRecord& j) { return j.number == number; });
    if (it != state.view.jobs.end() && it->state == JobState::Running) {
        why = "job " + std::to_string(number) + " is running";
        return false;
    }
    // A job that cannot be read can still be removed: that is how a damaged one is cleared away.
    bool found = it != state.view.jobs.end();
    std::error_code ec;
    for (const char* ext : {"job", "ini", "log", "lock"})
        found = fs::remove(fileOf(number, ext), ec) || found;
    if (!found) {
        why = "no job " + std::to_string(number);
        return false;
    }
    if (it != state.view.jobs.end()) state.view.jobs.erase(it);
    return writeOrder(state, why);
}

bool JobQueue::retry(int number, std::string& why) {
    platform::FileLock lock;
    Loaded state;
    if (!locked(why, lock)) return false;
    load(state);
    if (!recover(state, why)) return false;
    JobRecord* job = find(state, number, why);
    if (!job) return false;
    if (job->state == JobState::Waiting || job->state == JobState::Running) {
        why = "job " + std::to_string(number) + " is " + std::string(stateName(job->state)) + " already";
        return false;
    }
    job->state = JobState::Waiting;
    job->exit.reset();
    job->signal.reset();
    job->reason.clear();
    job->logTail.clear();
    return writeRecord(*job, why);
}

bool JobQueue::move(int number, int position, std::string& why) {
    if (position < 1) {
        why = "positions count from 1";
        return false;
    }
    platform::FileLock lock;
    Loaded state;
    if (!locked(why, lock)) return false;
    load(state);
    std::vector<JobRecord>& jobs = state.view.jobs;
    const auto it =
        std::find_if(jobs.begin(), jobs.end(), [&](const JobRecord& j) { return j.number == number; });
    if (it == jobs.end()) return find(state, number, why) != nullptr;
    JobRecord moved = std::move(*it);
    jobs.erase(it);
    const std::size_t at = std::min<std::size_t>(static_cast<std::size_t>(position - 1), jobs.size());
    jobs.insert(jobs.begin() + static_cast<std::ptrdiff_t>(at), std::move(moved));
    return writeOrder(state, why);
}

std::optional<Claim> JobQueue::claimNext(long runner, QueueView& view, std::string& why) {
    platform::FileLock lock;
    Loaded state;
    view = QueueView{};
    if (!locked(why, lock)) return std::nullopt;
    load(state);
    if (!recover(state, why)) return std::nullopt;
    for (JobRecord& job : state.view.jobs) {
        if (job.state != JobState::Waiting) continue;
        Claim claim;
        // A waiting job whose lock is held is still being run by an encoder whose runner died.
        if (!claim.lock.tryLock(fileOf(job.number, "lock"))) continue;
        job.state = JobState::Running;
        job.runner = runner;
        job.exit.reset();
        job.signal.reset();
        job.reason.clear();
        job.logTail.clear();
        if (!writeRecord(job, why)) return std::nullopt;
        claim.number = job.number;
        claim.settingsPath = fileOf(job.number, "ini");
        claim.logPath = fileOf(job.number, "log");
        claim.output = job.output;
        view = std::move(state.view);
        return claim;
    }
    view = std::move(state.view);
    return std::nullopt;
}

bool JobQueue::finish(Claim& claim, const JobOutcome& outcome, std::string& why) {
    platform::FileLock lock;
    Loaded state;
    if (!locked(why, lock)) return false;
    load(state);
    JobRecord* job = find(state, claim.number, why);
    if (!job) return false;
    job->state = outcome.stopped                      ? JobState::Waiting
                 : outcome.exit && *outcome.exit == 0 ? JobState::Done
                                                      : JobState::Failed;
    job->runner = 0;
    job->exit = outcome.stopped ? std::nullopt : outcome.exit;
    job->signal = outcome.stopped ? std::nullopt : outcome.signal;
    job->reason = job->state == JobState::Failed ? outcome.reason : std::string();
    job->logTail = outcome.stopped ? std::vector<std::string>{} : outcome.logTail;
    const bool written = writeRecord(*job, why);
    claim.lock.release();
    return written;
}

} // namespace mivo::queue
