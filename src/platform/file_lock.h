#pragma once
// An exclusive lock on a file that the system drops when its holder dies, however it dies (a crash, a
// kill, a power cut leaves no lock behind). The lock belongs to the open file, so a child started while
// it is held keeps holding it until the child ends too.

#include <string>

namespace mivo::platform {

class FileLock {
  public:
    FileLock() = default;
    ~FileLock() { release(); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    FileLock(FileLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    FileLock& operator=(FileLock&& other) noexcept;

    // Creates the file when missing. lock() waits for the holder; tryLock() gives up at once. False, with
    // the reason in why (when given), when the file cannot be had or (tryLock) another holds it.
    bool lock(const std::string& path, std::string* why = nullptr);
    bool tryLock(const std::string& path, std::string* why = nullptr);
    void release();
    bool held() const { return fd_ >= 0; }
    // The open file behind the lock, for a child that is to go on holding it.
    int descriptor() const { return fd_; }

  private:
    bool take(const std::string& path, bool wait, std::string* why);
    int fd_ = -1;
};

} // namespace mivo::platform
