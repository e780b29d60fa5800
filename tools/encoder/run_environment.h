#pragma once
// How the encoder runs on the machine: its process priority (*PRIORITY) and the processor extensions
// libavcodec and the frame conversion may use (*CPU).

#include "encode_job.h"

#include <string>
#include <vector>

namespace mivo::encoder {

// Applies the options before the first pass; returns notes on what could not be done.
std::vector<std::string> applyRunEnvironment(const RunOptions& run);

// libavcodec's processor flags for a *CPU mode (1 MMX .. 4 SSSE3) within the detected ones; -1 for
// AUTO, which leaves libavcodec to its own detection.
int forcedCpuFlags(int cpuMode, int detected);

} // namespace mivo::encoder
