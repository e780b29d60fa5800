#pragma once
// Runs the waiting jobs of a queue one after the other, each as its own encoder process reading the
// job's settings file, its output into the job's log, until no job waits. A job that fails is recorded
// with its reason and the next one runs.

#include "queue/job_queue.h"

#include <functional>
#include <string>
#include <vector>

namespace mivo::queue {

struct RunnerOptions {
    std::string encoder; // the encoder program file
    // Asked while a job runs; true stops the job (it waits again) and the run.
    std::function<bool()> stopRequested;
    // What the run has to say, one line each (job started, ended, problems of the queue).
    std::function<void(const std::string&)> say;
};

// The run's exit code: 0 when every job it ran finished, 1 when any failed (or the queue could not be
// used), 2 when it was stopped.
enum RunResult { kAllFinished = 0, kSomeFailed = 1, kStopped = 2 };
int runQueue(JobQueue& queue, const RunnerOptions& options);

// How a job's run ended, from the encoder's end and its log: the log's last lines and, for a failure,
// its reason (the encoder's last error line, else how the process ended).
JobOutcome outcomeOf(bool signalled, int code, const std::string& logText);

} // namespace mivo::queue
