#include "frame_features.h"

#include <algorithm>
#include <cmath>

namespace mivo::encoder {

bool isChapterFrame(const EncodeJob& job, int frame) {
    return std::binary_search(job.chapterFrames.begin(), job.chapterFrames.end(), frame);
}

ForcedType forcedPictureType(const EncodeJob& job, int frame) {
    if (std::binary_search(job.gopStarts.begin(), job.gopStarts.end(), frame)) return ForcedType::Intra;
    if (job.lastIFrame && frame == job.endFrame) return ForcedType::Intra;
    if (frame > job.startFrame && isChapterFrame(job, frame + 1)) return ForcedType::Predicted;
    return ForcedType::None;
}

float zoneFactorAt(const EncodeJob& job, int frame) {
    const auto after = std::upper_bound(job.zones.begin(), job.zones.end(), frame,
                                        [](int f, const Zone& z) { return f < z.firstFrame; });
    if (after == job.zones.begin()) return 1.0f;
    const Zone& z = *(after - 1);
    return frame <= z.lastFrame ? z.factor : 1.0f;
}

std::vector<Zone> rateControlZones(const EncodeJob& job) {
    // A two-pass title's factors are measured (zoneRateFactors). A single pass has only its own running
    // estimate: towards coarse quantisers the bits fall faster than the model's 1/quantiser (fine texture
    // and grain drop below the first step), by about the power 1.2 on grainy pictures, so a reduction is
    // asked for that much less strongly.
    constexpr double kCoarseZoneExponent = 1 / 1.2;
    std::vector<Zone> zones;
    for (std::size_t i = 0; i < job.zones.size(); ++i) {
        const Zone& z = job.zones[i];
        const float factor = i < job.zoneRateFactors.size() ? job.zoneRateFactors[i]
                             : z.factor < 1 ? static_cast<float>(std::pow(z.factor, kCoarseZoneExponent))
                                            : z.factor;
        zones.push_back(Zone{z.firstFrame - job.startFrame, z.lastFrame - job.startFrame, factor});
    }
    return zones;
}

FieldFlags pulldownFlags(const EncodeJob& job, int frame) {
    if (!job.pulldown) return {};
    switch ((frame - job.startFrame) % 4) {
    case 0:
        return {true, true};
    case 1:
        return {false, false};
    case 2:
        return {false, true};
    default:
        return {true, false};
    }
}

long long fieldsBefore(const EncodeJob& job, int frame) {
    const long long k = frame - job.startFrame;
    if (!job.pulldown) return 2 * k;
    static constexpr int kCadence[4] = {0, 3, 5, 8};
    return k / 4 * 10 + kCadence[k % 4];
}

ForcedType plannedType(const EncodeJob& job, int frame) {
    const auto after = std::upper_bound(job.gopStarts.begin(), job.gopStarts.end(), frame);
    const int gopStart = after == job.gopStarts.begin() ? job.startFrame : *(after - 1);
    const int inGop = frame - gopStart;
    if (inGop == 0) return ForcedType::Intra;
    return inGop % (job.bFrames + 1) == 0 ? ForcedType::Predicted : ForcedType::None;
}

} // namespace mivo::encoder
