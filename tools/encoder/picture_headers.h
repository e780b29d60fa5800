#pragma once
// Header fields that libavcodec's MPEG-2 encoder cannot set, written into each coded picture after it is
// encoded: the GOP time code counted from *TIMECODE in display order, the closed-GOP flag of a GOP that a
// chapter opens, and for 3:2 pulldown the 29.97 frame rate, an interlaced sequence and each picture's
// field flags. Every field rewritten has a fixed width, so the stream keeps its size and its buffer model.

#include "encode_job.h"

#include <array>
#include <cstdint>
#include <span>

namespace mivo::encoder {

// Rewrites the headers in `picture`, the coded picture of absolute frame `frame` with whatever sequence
// and GOP headers precede it. timecodeRate is timecodeRate() of the job.
void rewritePictureHeaders(std::span<std::uint8_t> picture, const EncodeJob& job, int frame,
                           int timecodeRate);

// The 25 time-code bits of a GOP header (drop-frame flag 0) for a count of frames at `rate` a second
// after the start time code; hours wrap at 24.
std::uint32_t gopTimecodeBits(const std::array<int, 4>& start, long long framesAfter, int rate);

} // namespace mivo::encoder
