#pragma once
// What the queue knows of one job besides its settings: its state, where it reads and writes, how its
// run ended. Kept as a small text file of its own (NNNN.job) beside the job's settings (NNNN.ini),
// which the encoder reads as it is. The record ends with an "end" line, so a file cut short is told
// from a complete one.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mivo::queue {

enum class JobState { Waiting, Running, Done, Failed };

std::string_view stateName(JobState state);
std::optional<JobState> stateNamed(std::string_view name);

struct JobRecord {
    int number = 0;
    JobState state = JobState::Waiting;
    std::string input, output; // as the settings name them, for the listing
    // The settings file's size and hash when the job was added: a copy cut short or changed is found.
    std::uint64_t settingsBytes = 0;
    std::uint64_t settingsHash = 0;
    long runner = 0;                  // the process that runs it (while running)
    std::optional<int> exit;          // the encoder's exit code
    std::optional<int> signal;        // or the signal that ended it
    std::string reason;               // why it failed
    std::vector<std::string> logTail; // the last lines of its run's log
};

std::string formatJobRecord(const JobRecord& record);
// False with the reason when the text is not a complete record of that job number.
bool parseJobRecord(std::string_view text, int number, JobRecord& record, std::string& why);

// The hash kept for the settings text (64-bit FNV-1a).
std::uint64_t settingsHash(std::string_view text);

} // namespace mivo::queue
