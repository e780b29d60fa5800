#pragma once
// The passes of a job over its segments, side by side on as many threads as there are frame sources,
// and the segments joined into one stream.

#include "encode_job.h"
#include "frame_source.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace mivo::encoder {

// Told the pass (1 or 2; 0 for a single pass) and the frames of the job that pass has done so far.
using SegmentProgressFn = std::function<void(int pass, int framesDone)>;

// Encodes the job into `out` (the segments' streams wait in files beside the output until they are
// joined). One thread per source in `sources`; the stream does not depend on their number. Notes on what
// the run had to redo go to `notes`. False with a message.
bool encodeSegments(const EncodeJob& job, const std::vector<const FrameSource*>& sources, std::FILE* out,
                    const SegmentProgressFn& progress, std::vector<std::string>& notes, std::string& error);

} // namespace mivo::encoder
