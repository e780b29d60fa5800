#pragma once
// Text of a format-16 D2V project, laid out as DGIndex lays it out: the settings lines in their order,
// CR LF line ends, the "ff" end marker and the FINISHED line.

#include "d2v_project.h"

#include <cstdint>
#include <string>

namespace mivo::mpeg2 {

struct ProjectTrailer {
    std::uint64_t lastFileSize = 0; // for the Location line (counted in 2048-byte sectors)
    double filmPercent = 0.0;       // share of coded frames that follow a 3:2 cadence
};

// The project's files, settings (streamType, PIDs, packetSize, mpegType, aspectRatio, width, height,
// fieldOperation, rate) and lines with their flags are written as they are.
std::string formatD2vProject(const D2vProject& project, const ProjectTrailer& trailer);

} // namespace mivo::mpeg2
