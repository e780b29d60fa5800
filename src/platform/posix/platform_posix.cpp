#include "exec_report.h"
#include "platform/platform.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace mivo::platform {

Module& Module::operator=(Module&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = other.handle_;
        other.handle_ = nullptr;
    }
    return *this;
}

bool Module::open(const std::string& path, Lifetime lifetime) {
    close();
    // RTLD_LOCAL keeps two decoder libraries with the same export names apart.
    handle_ =
        ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | (lifetime == Lifetime::Resident ? RTLD_NODELETE : 0));
    if (!handle_) {
        const char* e = ::dlerror();
        error_ = e ? e : "unknown error";
    }
    return handle_ != nullptr;
}

void* Module::symbol(const char* name) const {
    return handle_ ? ::dlsym(handle_, name) : nullptr;
}

bool Module::close() {
    const bool ok = !handle_ || ::dlclose(handle_) == 0;
    handle_ = nullptr;
    return ok;
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool folderExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool folderWritable(const std::string& path) {
    return folderExists(path) && ::access(path.c_str(), W_OK | X_OK) == 0;
}

bool makeFolders(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return folderExists(path);
}

bool removeFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

bool copyFile(const std::string& from, const std::string& to) {
    std::error_code ec;
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, ec);
    return !ec;
}

std::optional<FileDate> fileDate(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    std::tm tm{};
    const time_t t = st.st_mtime;
    if (!::localtime_r(&t, &tm)) return std::nullopt;
    return FileDate{tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900};
}

char pathSeparator() {
    return '/';
}

std::optional<std::string> environment(const std::string& name) {
    const char* v = std::getenv(name.c_str());
    if (!v) return std::nullopt;
    return std::string(v);
}

bool setOwnPriority(ProcessPriority priority) {
    // Nice values: the idle class has no POSIX counterpart, the weakest nice value comes closest.
    int nice = 0;
    switch (priority) {
    case ProcessPriority::Idle:
        nice = 19;
        break;
    case ProcessPriority::Low:
        nice = 10;
        break;
    case ProcessPriority::Normal:
        nice = 0;
        break;
    case ProcessPriority::High:
        nice = -5;
        break;
    }
    return ::setpriority(PRIO_PROCESS, 0, nice) == 0;
}

int systemProcessorCount() {
    const long n = ::sysconf(_SC_NPROCESSORS_ONLN);
    return n > 0 ? static_cast<int>(n) : 1;
}

CpuFlags cpuFlags() {
    CpuFlags f;
#if defined(__x86_64__) || defined(__i386__)
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (__get_cpuid(1, &a, &b, &c, &d)) {
        f.edx = d;
        f.ecx = c;
    }
#endif
    return f;
}

std::string programFolder() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return "./";
    std::string folder = exe.parent_path().string();
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

Process::~Process() {
    closeHandles();
}

bool Process::start(const std::string& program, const std::string& workingFolder,
                    const std::string& launcher) {
    closeHandles();
    // The child reports a failed exec through this pipe; a successful exec closes it unwritten. So a
    // program that cannot run is a failed start rather than a child that ends at once.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return false;
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    if (pid == 0) {
        // A detached child shares no console with the front-end: its standard streams go nowhere, and
        // it inherits no other descriptor.
        const int devNull = ::open("/dev/null", O_RDWR);
        if (devNull >= 0) {
            ::dup2(devNull, 0);
            ::dup2(devNull, 1);
            ::dup2(devNull, 2);
        }
        const int maxFd = static_cast<int>(::sysconf(_SC_OPEN_MAX));
        for (int fd = 3; fd < maxFd && fd < 65536; ++fd)
            if (fd != report[1]) ::close(fd);
        ::setsid();
        if (::chdir(workingFolder.c_str()) == 0) {
            if (launcher.empty()) {
                char* const argv[] = {const_cast<char*>(program.c_str()), nullptr};
                ::execv(program.c_str(), argv);
            } else {
                char* const argv[] = {const_cast<char*>(launcher.c_str()), const_cast<char*>(program.c_str()),
                                      nullptr};
                ::execv(launcher.c_str(), argv);
            }
        }
        const int error = errno;
        if (::write(report[1], &error, sizeof error) < 0) {
            // Nothing more to tell; the exit code says it as well.
        }
        ::_exit(127);
    }
    ::close(report[1]);
    if (execFailure(report[0], pid) != 0) return false;
    pid_ = pid;
    ended_ = false;
    exitCode_ = -1;
    return true;
}

int Process::wait() {
    if (pid_ <= 0) return -1;
    if (ended_) return exitCode_;
    int status = 0;
    while (::waitpid(static_cast<pid_t>(pid_), &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    ended_ = true;
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return exitCode_;
}

bool Process::waitFor(int ms) {
    if (pid_ <= 0) return true;
    if (ended_) return true;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(static_cast<pid_t>(pid_), &status, WNOHANG);
        if (r == static_cast<pid_t>(pid_)) {
            ended_ = true;
            exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            return true;
        }
        if (r < 0 && errno != EINTR) return true;
        if (std::chrono::steady_clock::now() >= until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void Process::closeHandles() {
    // A child that still runs is left alone (it is detached); one that ended is reaped.
    if (pid_ > 0 && !ended_) {
        int status = 0;
        if (::waitpid(static_cast<pid_t>(pid_), &status, WNOHANG) == static_cast<pid_t>(pid_)) ended_ = true;
    }
    pid_ = -1;
}

std::string findOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    if (!path) return {};
    std::string all(path);
    std::size_t start = 0;
    while (start <= all.size()) {
        std::size_t end = all.find(':', start);
        if (end == std::string::npos) end = all.size();
        std::string dir = all.substr(start, end - start);
        if (dir.empty()) dir = ".";
        const std::string candidate = dir + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0 && fileExists(candidate)) return candidate;
        start = end + 1;
    }
    return {};
}

void sleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace mivo::platform
