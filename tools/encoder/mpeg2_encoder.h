#pragma once
// One pass of libavcodec's MPEG-2 video encoder over the job's frames.

#include "encode_job.h"
#include "frame_source.h"
#include "segment_plan.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace mivo::encoder {

enum class Pass {
    Single, // the only pass: one-pass VBR or constant quantisation
    First,  // analysis for the second: nothing is written, the statistics are collected in `stats`
    Second, // uses `stats` from the first
};

// One segment's share of a pass.
struct SegmentPass {
    Segment frames;
    double initialVbvBits = 0;              // the buffer level the segment starts at; 0: libavcodec's 3/4
    std::vector<std::int64_t> pictureBytes; // what a pass that writes put out, picture by picture
};

// Encodes the segment's frames into `out` (unused by the first pass). `progress` is told the number of
// the segment's frames done now and then. False with a message.
bool encodePass(Pass pass, const EncodeJob& job, SegmentPass& segment, const FrameSource& source,
                std::FILE* out, std::string& stats, const std::function<void(int)>& progress,
                std::string& error);

// Whether libavcodec takes the pass's settings (for a second pass: whether its rate control finds
// quantisers for the statistics). The encoder is opened and closed again; nothing is encoded.
bool passOpens(Pass pass, const EncodeJob& job, const SegmentPass& segment, const FrameSource& source,
               std::string& stats);

} // namespace mivo::encoder
