#pragma once
// One pass of libavcodec's MPEG-2 video encoder over the job's frames.

#include "encode_job.h"
#include "frame_source.h"
#include "segment_plan.h"

#include <array>
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

// One segment's share of a pass.
struct SegmentPass {
    Segment frames;
    // The frames the rate control's picture numbers 0, 1, ... stand for (runs of absolute frames): the
    // segment alone, or in a second pass the whole title from the segment on.
    std::vector<Segment> numbering;
    double initialVbvBits = 0; // the buffer level the segment starts at; 0: libavcodec's 3/4
    // A first pass at these qualities (libavcodec's Lagrange units) for I-, P- and B-frames as the job
    // plans them (indices 1, 2, 3); all 0: at the rate.
    std::array<int, 4> analysisLambda{};
    std::vector<std::int64_t> pictureBytes; // what a pass that writes put out, picture by picture
    // The first pass's measure of how much each frame's picture differs from the one before (0 for the
    // segment's first): where a scene cut lies among the B-frames before the I-frame libavcodec opened
    // at it.
    std::vector<double> frameChange;
};

// The rate control's quantiser compression: the profiles', or with *BIAS 0.5 lowered towards constant
// bitrate.
double rateCompression(const EncodeJob& job);

// The second pass's running-correction tolerance in bits (libavcodec's bit_rate_tolerance).
int secondPassToleranceBits(const EncodeJob& job);

// The second pass's rate control as the job's profile sets it up, for a title whose texture bits fall
// as the quantiser to `power`, with `titleBits` to spend.
SecondPassModel secondPassModel(const EncodeJob& job, double power, double titleBits);

// Encodes the segment's frames into `out` (unused by the first pass). `progress` counts the segment's
// frames. False with a message, also when `progress` asked to stop.
bool encodePass(Pass pass, const EncodeJob& job, SegmentPass& segment, const FrameSource& source,
                std::FILE* out, std::string& stats, const ProgressFn& progress, std::string& error);

// Whether libavcodec takes the pass's settings (for a second pass: whether its rate control finds
// quantisers for the statistics). The encoder is opened and closed again; nothing is encoded.
bool passOpens(Pass pass, const EncodeJob& job, const SegmentPass& segment, const FrameSource& source,
               std::string& stats);

// The message of a pass that was stopped by its progress function.
inline constexpr const char* kCancelledMessage = "encoding cancelled by the user";

} // namespace mivo::encoder
