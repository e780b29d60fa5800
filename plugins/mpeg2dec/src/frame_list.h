#pragma once
// From coded frames to the frames a client sees. Each output frame takes its top field from one coded
// frame and its bottom field from another (usually the same one); which ones depends on Field_Operation:
// 0 honours the repeat flags (3:2 pulldown gives 5 frames for 4), 1 forces film (drops the frame that a
// 3:2 cadence would have repeated, 1 in 5 of pure video), 2 shows every coded frame once.

#include "d2v_project.h"

#include <cstdint>
#include <vector>

namespace mivo::mpeg2 {

struct OutputFrame {
    std::uint32_t top = 0;    // coded frame giving the top field (even lines)
    std::uint32_t bottom = 0; // coded frame giving the bottom field (odd lines)
    bool operator==(const OutputFrame&) const = default;
};

std::vector<OutputFrame> buildOutputFrames(const D2vProject& project);

// Index of the line that holds coded frame `frame` (which must be below the number of coded frames).
std::size_t lineOfFrame(const D2vProject& project, std::uint32_t frame);

// The leading frames of an open first line can never be decoded (their reference lies before the
// indexed range); they show the first decodable frame instead. Returns the frame to decode for `frame`.
std::uint32_t decodableStandIn(const D2vProject& project, std::uint32_t frame);

} // namespace mivo::mpeg2
