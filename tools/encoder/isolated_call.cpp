#include "isolated_call.h"

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace mivo::encoder {

bool succeedsInIsolation(const std::function<bool()>& call) {
#ifdef _WIN32
    return call();
#else
    const pid_t child = fork();
    if (child < 0) return call();
    if (child == 0) _exit(call() ? 0 : 1);
    int status = 0;
    while (waitpid(child, &status, 0) < 0)
        ;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
#endif
}

} // namespace mivo::encoder
