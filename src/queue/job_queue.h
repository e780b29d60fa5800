#pragma once
// The job queue on disk: one folder (beside Mivo.ini) holding, per job, its settings exactly as added
// (NNNN.ini, what the encoder reads), its record (NNNN.job), its run's log (NNNN.log) and its running
// lock (NNNN.lock), plus the queue's order and a lock that every change of the queue takes. Every file
// is written whole. A job whose record says running while nobody holds its lock lost its runner (a
// crash, a power cut) and is waiting again; a job is only ever taken under its lock, so two runners
// never run the same job.

#include "platform/file_lock.h"
#include "queue/job_record.h"

#include <optional>
#include <string>
#include <vector>

namespace mivo::queue {

// A file of the queue that could not be read; the rest of the queue loads without it.
struct QueueProblem {
    std::string file; // its name within the queue folder
    std::string why;
};

struct QueueView {
    std::vector<JobRecord> jobs; // in queue order
    std::vector<QueueProblem> problems;
};

// How one run of a job ended, for its record.
struct JobOutcome {
    bool stopped = false; // stopped on purpose: the job waits again
    std::optional<int> exit, signal;
    std::string reason;
    std::vector<std::string> logTail;
};

// A job taken by a runner: held under its lock until finish().
struct Claim {
    int number = 0;
    std::string settingsPath, logPath;
    std::string output; // the job's output file
    platform::FileLock lock;
};

class JobQueue {
  public:
    // folder: the queue's own folder, ending with its separator; created when first changed.
    explicit JobQueue(std::string folder) : folder_(std::move(folder)) {}

    const std::string& folder() const { return folder_; }
    std::string fileOf(int number, const char* extension) const;

    // Every operation below takes the queue lock for its duration; false with the reason on failure.
    bool list(QueueView& view, std::string& why);
    // Adds the settings text as a new last job; its number. `name` names the text in messages.
    std::optional<int> add(const std::string& settingsText, const std::string& name, std::string& why);
    bool remove(int number, std::string& why);
    bool retry(int number, std::string& why);
    // Moves the job to position (1 = first); a position past the end moves it last.
    bool move(int number, int position, std::string& why);

    // Takes the first waiting job for runner (a process number); nothing when none waits.
    std::optional<Claim> claimNext(long runner, QueueView& view, std::string& why);
    bool finish(Claim& claim, const JobOutcome& outcome, std::string& why);

  private:
    struct Loaded;
    bool locked(std::string& why, platform::FileLock& lock);
    void load(Loaded& state);
    bool recover(Loaded& state, std::string& why);
    bool writeRecord(const JobRecord& record, std::string& why) const;
    bool writeOrder(const Loaded& state, std::string& why) const;
    JobRecord* find(Loaded& state, int number, std::string& why);

    std::string folder_;
};

// The queue folder for the folder where Mivo.ini is kept (ending with its separator).
std::string queueFolderBeside(const std::string& settingsFolder, char separator);

} // namespace mivo::queue
