#pragma once
// The operating-system services the program needs, behind one interface with a POSIX and a Windows
// implementation. Nothing here knows the program's records; it only wraps the system.

#include <cstdint>
#include <optional>
#include <string>

namespace mivo::platform {

// --- modules (shared libraries) ---------------------------------------------------------
class Module {
  public:
    Module() = default;
    ~Module() { close(); }
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;
    Module(Module&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    Module& operator=(Module&& other) noexcept;

    // Loads by full path; false when it cannot be loaded. A resident module stays in the process after
    // close (a library that brings Qt along, whose threads and exit hooks outlive any unloading).
    enum class Lifetime { Unloadable, Resident };
    bool open(const std::string& path, Lifetime lifetime = Lifetime::Unloadable);
    void* symbol(const char* name) const; // nullptr when absent
    // The export `name` as the function type of `fn`; false (and fn null) when absent.
    template <typename Fn> bool resolve(const char* name, Fn& fn) const {
        fn = reinterpret_cast<Fn>(symbol(name));
        return fn != nullptr;
    }
    bool close(); // false when the system refused to unload (the handle is forgotten all the same)
    bool isOpen() const { return handle_ != nullptr; }
    std::string lastError() const { return error_; }

  private:
    void* handle_ = nullptr;
    std::string error_;
};

// --- files --------------------------------------------------------------------------
bool fileExists(const std::string& path);
bool folderExists(const std::string& path);
// True when files can be made in the folder (a read-only mount says no even to an administrator).
bool folderWritable(const std::string& path);
bool makeFolders(const std::string& path); // with every missing parent; true when the folder exists
bool removeFile(const std::string& path);
bool copyFile(const std::string& from, const std::string& to); // overwrites
struct FileDate {
    int day, month, year;
};
std::optional<FileDate> fileDate(const std::string& path); // last modification, local time
char pathSeparator();                                      // '/' on POSIX, '\\' on Windows

// --- environment and processor -------------------------------------------------------
std::optional<std::string> environment(const std::string& name);
int systemProcessorCount();
// The processor's feature flags of leaf 1 (edx, ecx); zero on processors without cpuid.
struct CpuFlags {
    std::uint32_t edx = 0, ecx = 0;
};
CpuFlags cpuFlags();

// The scheduling priority of the running process. False when the system refused (a higher priority
// usually needs privileges).
enum class ProcessPriority { Idle, Low, Normal, High };
bool setOwnPriority(ProcessPriority priority);

// Folder of the running program file, ending with the separator.
std::string programFolder();

// --- processes ------------------------------------------------------------------------
// A detached child started with no arguments in the given working folder, with no inherited handles.
class Process {
  public:
    Process() = default;
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // argv0 is the program file; extraFront, when not empty, is a launcher run with the program as its
    // only argument (how a Windows program is started through wine elsewhere).
    bool start(const std::string& program, const std::string& workingFolder,
               const std::string& launcher = {});
    // Waits without a limit for the child to end; returns its exit code (-1 when it did not run).
    int wait();
    // Waits up to ms milliseconds; true when the child has ended.
    bool waitFor(int ms);
    bool running() const { return pid_ > 0 && !ended_; }
    void closeHandles();

  private:
    long pid_ = -1;
    bool ended_ = false;
    int exitCode_ = -1;
};

// Looks a program up along PATH; empty when not found.
std::string findOnPath(const std::string& name);

void sleepMs(int ms);

} // namespace mivo::platform
