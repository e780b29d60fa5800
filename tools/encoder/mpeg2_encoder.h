#pragma once
// One pass of libavcodec's MPEG-2 video encoder over the job's frames.

#include "encode_job.h"
#include "frame_source.h"

#include <cstdio>
#include <functional>
#include <string>

namespace mivo::encoder {

enum class Pass {
    Single, // the only pass: one-pass VBR or constant quantisation
    First,  // analysis for the second: nothing is written, the statistics are collected in `stats`
    Second, // uses `stats` from the first
};

// Encodes the frames startFrame..endFrame into `out` (unused by the first pass). `progress` is told
// the number of frames done now and then. False with a message.
bool encodePass(Pass pass, const EncodeJob& job, const FrameSource& source, std::FILE* out,
                std::string& stats, const std::function<void(int)>& progress, std::string& error);

} // namespace mivo::encoder
