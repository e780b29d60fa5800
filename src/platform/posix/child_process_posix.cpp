#include "exec_report.h"
#include "platform/child_process.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace mivo::platform {

namespace {

ChildEnd endOf(int status) {
    if (WIFSIGNALED(status)) return {true, WTERMSIG(status)};
    return {false, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

// The child's environment: the starter's own, with the given names replaced.
std::vector<std::string> environmentFor(const ChildStart& how) {
    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e) {
        const std::string entry(*e);
        bool replaced = false;
        for (const auto& [name, value] : how.environment)
            replaced = replaced || entry.starts_with(name + "=");
        if (!replaced) env.push_back(entry);
    }
    for (const auto& [name, value] : how.environment)
        env.push_back(name + "=" + value);
    return env;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (std::string& s : strings)
        out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

} // namespace

ChildProcess::~ChildProcess() {
    // A child still running goes on; one that ended is reaped so it leaves no zombie.
    if (running()) poll();
}

bool ChildProcess::start(const ChildStart& how, std::string& why) {
    if (how.arguments.empty()) {
        why = "no program to start";
        return false;
    }
    // Everything the child needs is built before the fork: a threaded starter must not allocate after it.
    std::vector<std::string> args = how.arguments, env = environmentFor(how);
    std::vector<char*> argv = pointers(args), envp = pointers(env);
    const std::string output = how.outputFile.empty() ? "/dev/null" : how.outputFile;
    const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0) {
        why = output + ": " + std::strerror(errno);
        return false;
    }
    const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    int report[2];
    if (in < 0 || ::pipe2(report, O_CLOEXEC) != 0) {
        why = std::string("cannot start a process: ") + std::strerror(errno);
        ::close(out);
        if (in >= 0) ::close(in);
        return false;
    }
    const long maxFd = ::sysconf(_SC_OPEN_MAX);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(out, 2);
        for (int fd = 3; fd < maxFd && fd < 65536; ++fd)
            if (fd != report[1] && fd != how.keepDescriptor) ::close(fd);
        if (how.keepDescriptor >= 0) ::fcntl(how.keepDescriptor, F_SETFD, 0);
        if (how.ownSession) ::setsid();
        ::execve(argv[0], argv.data(), envp.data());
        const int error = errno;
        if (::write(report[1], &error, sizeof error) < 0) {
            // The exit code tells it as well.
        }
        ::_exit(127);
    }
    ::close(out);
    ::close(in);
    ::close(report[1]);
    if (pid < 0) {
        why = std::string("cannot start a process: ") + std::strerror(errno);
        ::close(report[0]);
        return false;
    }
    if (const int error = execFailure(report[0], pid); error != 0) {
        why = "cannot run " + how.arguments.front() + ": " + std::strerror(error);
        return false;
    }
    pid_ = pid;
    ownSession_ = how.ownSession;
    end_.reset();
    return true;
}

std::optional<ChildEnd> ChildProcess::poll() {
    if (pid_ <= 0 || end_) return end_;
    int status = 0;
    pid_t r;
    do {
        r = ::waitpid(static_cast<pid_t>(pid_), &status, WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r == static_cast<pid_t>(pid_))
        end_ = endOf(status);
    else if (r < 0)
        end_ = ChildEnd{false, -1}; // not ours to wait for any more
    return end_;
}

ChildEnd ChildProcess::wait() {
    if (pid_ <= 0) return {false, -1};
    if (end_) return *end_;
    int status = 0;
    pid_t r;
    do {
        r = ::waitpid(static_cast<pid_t>(pid_), &status, 0);
    } while (r < 0 && errno == EINTR);
    end_ = r == static_cast<pid_t>(pid_) ? endOf(status) : ChildEnd{false, -1};
    return *end_;
}

void ChildProcess::signal(int number) const {
    if (pid_ <= 0 || end_) return;
    ::kill(ownSession_ ? -static_cast<pid_t>(pid_) : static_cast<pid_t>(pid_), number);
}

} // namespace mivo::platform
