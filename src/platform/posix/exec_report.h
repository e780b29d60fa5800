#pragma once
// A started child tells its parent through a close-on-exec pipe why its exec failed; an exec that
// succeeds closes the pipe unwritten.

#include <cerrno>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace mivo::platform {

// Reads the child's report from `readEnd` and closes it: 0 when the exec succeeded, else the errno the
// child reported, the child then reaped (it ended at once).
inline int execFailure(int readEnd, pid_t pid) {
    int error = 0;
    ssize_t got = 0;
    do {
        got = ::read(readEnd, &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    ::close(readEnd);
    if (got <= 0) return 0;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return error != 0 ? error : EIO;
}

} // namespace mivo::platform
