#pragma once
// The profile and level a stream declares. *MPEGLEVEL names the level; the profile follows the chroma
// format (main for 4:2:0, 4:2:2 for *CHROMAFORMAT 422). A declared level is a promise to the player, so
// a job that exceeds one of its bounds is refused rather than written with a false declaration.

#include "encode_job.h"

#include <string>

namespace mivo::encoder {

// The upper bounds of one profile-and-level (ISO/IEC 13818-2's tables for the main and 4:2:2 profiles).
struct LevelLimits {
    int profileAndLevel = 0; // the sequence extension's byte: escape bit, profile, level
    int libavProfile = 0;    // libavcodec's numbers for the same
    int libavLevel = 0;
    const char* name = "";
    int width = 0, height = 0;
    double framesPerSecond = 0;
    double lumaSamplesPerSecond = 0;
    int bitrateKbps = 0;
};

// The bounds of *MPEGLEVEL value `mpegLevel` (1 MP@ML, 2 MP@H-14, 3 MP@HL) for the chroma format.
// 4:2:2 has no High-1440 level: MP@H-14 takes the 4:2:2 high level there. Null for 0 (auto).
const LevelLimits* levelLimits(int mpegLevel, bool chroma422);

// Empty when the job's picture, frame rate and maximum bitrate lie within the level's bounds, otherwise
// which bound they pass.
std::string levelViolation(const LevelLimits& level, const StreamFacts& f, int maxBitrateKbps);

} // namespace mivo::encoder
