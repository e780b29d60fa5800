#pragma once
// A child program started with arguments, its standard output and error going to one file, in the
// starter's process group, so that stopping the group stops both. Unlike the detached encoder the
// front-end starts, this one is watched: its end (exit code or signal) is what the caller records.

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace mivo::platform {

struct ChildStart {
    std::vector<std::string> arguments; // the program file first
    std::string outputFile;             // standard output and error, truncated; empty: /dev/null
    std::vector<std::pair<std::string, std::string>> environment; // set (or replaced) for the child
    int keepDescriptor = -1; // a descriptor the child inherits, besides the standard ones
    bool ownSession = false; // start a session of its own (a runner the window starts and may outlive)
};

struct ChildEnd {
    bool signalled = false;
    int code = 0; // the exit code, or the signal's number
};

class ChildProcess {
  public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // False with the reason when the program could not be started (a missing file is said here, not
    // reported as an early exit).
    bool start(const ChildStart& how, std::string& why);
    // The end, once the child has ended; nothing while it runs. Reaps the child.
    std::optional<ChildEnd> poll();
    ChildEnd wait();
    // Sends the signal to the child (to its whole session when it has one of its own).
    void signal(int number) const;
    long pid() const { return pid_; }
    bool running() const { return pid_ > 0 && !end_; }

  private:
    long pid_ = -1;
    bool ownSession_ = false;
    std::optional<ChildEnd> end_;
};

} // namespace mivo::platform
