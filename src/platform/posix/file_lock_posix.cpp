#include "platform/file_lock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace mivo::platform {

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        release();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

bool FileLock::lock(const std::string& path, std::string* why) {
    return take(path, true, why);
}

bool FileLock::tryLock(const std::string& path, std::string* why) {
    return take(path, false, why);
}

bool FileLock::take(const std::string& path, bool wait, std::string* why) {
    release();
    // Close-on-exec: only a child that is given the descriptor on purpose holds the lock with us.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (why) *why = path + ": " + std::strerror(errno);
        return false;
    }
    // flock, not fcntl: its lock belongs to the open file, so it survives into a child and is not lost
    // when some other descriptor of the same file is closed.
    int r;
    do {
        r = ::flock(fd, LOCK_EX | (wait ? 0 : LOCK_NB));
    } while (r != 0 && errno == EINTR);
    if (r != 0) {
        if (why)
            *why = errno == EWOULDBLOCK ? path + ": held by another process"
                                        : path + ": " + std::strerror(errno);
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void FileLock::release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

} // namespace mivo::platform
