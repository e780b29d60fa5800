#pragma once
// One pass of libavcodec's MPEG-2 video encoder over the job's frames.

#include "encode_job.h"
#include "frame_source.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace mivo::encoder {

enum class Pass {
    Single, // the only pass: one-pass VBR or constant quantisation
    First,  // analysis for the second: nothing is written, the statistics are collected in `stats`
    Second, // uses `stats` from the first
};

// Where a pass stands, after each frame handed to the encoder.
struct PassProgress {
    int framesDone = 0;
    long long bytesWritten = 0; // of the stream so far (0 in the first pass)
    // The frame just handed over as the encoder codes it: Y, Cb, Cr planes without padding (chroma
    // half as wide; half as high too unless the job writes 4:2:2). Null at the end of a pass.
    std::array<const std::uint8_t*, 3> planes{};
};

// Told the progress after every frame; returns false to stop the pass (a cancel).
using ProgressFn = std::function<bool(const PassProgress&)>;

// Encodes the frames startFrame..endFrame into `out` (unused by the first pass). False with a message,
// also when `progress` asked to stop.
bool encodePass(Pass pass, const EncodeJob& job, const FrameSource& source, std::FILE* out,
                std::string& stats, const ProgressFn& progress, std::string& error);

// The message of a pass that was stopped by its progress function.
inline constexpr const char* kCancelledMessage = "encoding cancelled by the user";

} // namespace mivo::encoder
