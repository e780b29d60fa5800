#pragma once
// The passes of a job over its segments, side by side on as many threads as there are frame sources,
// and the segments joined into one stream.

#include "encode_job.h"
#include "frame_source.h"
#include "mpeg2_encoder.h"
#include "pass_statistics.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace mivo::encoder {

// What a segmented run tells the one who shows its progress: each pass as it starts (1 and 2, or 1
// of 1 for a single pass), and after every frame the frames and bytes of the pass so far over all
// segments (false from it stops the run).
struct SegmentProgress {
    std::function<void(int pass, int passes)> passStarted;
    ProgressFn frameDone;
};

// Encodes the job into `out` (the segments' streams wait in files beside the output until they are
// joined). One thread per source in `sources`; the stream does not depend on their number. The first
// pass's statistics go through `statistics` (kept in a file with *DBPATH). Notes on what the run had
// to redo go to `notes`. False with a message.
bool encodeSegments(const EncodeJob& job, const std::vector<const FrameSource*>& sources, std::FILE* out,
                    FirstPassStatistics& statistics, const SegmentProgress& progress,
                    std::vector<std::string>& notes, std::string& error);

} // namespace mivo::encoder
