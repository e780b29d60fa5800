#include "run_environment.h"

#include "platform/platform.h"

extern "C" {
#include <libavutil/cpu.h>
}

namespace mivo::encoder {

int forcedCpuFlags(int cpuMode, int detected) {
    if (cpuMode <= 0) return -1;
    // Each mode adds its set to those before it, as the processor levels do.
    int allowed = AV_CPU_FLAG_MMX | AV_CPU_FLAG_MMXEXT;
    if (cpuMode >= 2) allowed |= AV_CPU_FLAG_SSE | AV_CPU_FLAG_SSE2;
    if (cpuMode >= 3) allowed |= AV_CPU_FLAG_SSE3;
    if (cpuMode >= 4) allowed |= AV_CPU_FLAG_SSSE3;
    return detected & allowed;
}

std::vector<std::string> applyRunEnvironment(const RunOptions& run) {
    std::vector<std::string> notes;
    static constexpr platform::ProcessPriority kPriorities[] = {
        platform::ProcessPriority::Idle, platform::ProcessPriority::Low, platform::ProcessPriority::Normal,
        platform::ProcessPriority::High};
    if (!platform::setOwnPriority(kPriorities[run.priority]))
        notes.push_back("the system refused the process priority of *PRIORITY, the encoder runs at its own");
    const int flags = forcedCpuFlags(run.cpuMode, av_get_cpu_flags());
    if (flags >= 0) av_force_cpu_flags(flags);
    return notes;
}

} // namespace mivo::encoder
