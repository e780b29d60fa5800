#include "core/lossless_estimate.h"

#include <cstdio>

namespace mivo {

float losslessEstimateGb(int encodeFrameCount, int lumaBytes, int chromaPlaneBytes, LosslessScan scan) {
    // Each step rounds to single precision, as the displayed figure always has.
    float size = static_cast<float>(encodeFrameCount) * 0.4f;
    size *= static_cast<float>(lumaBytes + 2 * chromaPlaneBytes);
    size *= 1.0f / 1073741824.0f;
    switch (scan) {
    case LosslessScan::Progressive:
        size *= 0.9f;
        break;
    case LosslessScan::Interlaced:
        size *= 1.1f;
        break;
    case LosslessScan::DigitalVideo:
        size *= 1.4f;
        break;
    case LosslessScan::AutoDetect:
        break;
    }
    return size;
}

std::string losslessEstimateText(float gigabytes) {
    char field[64];
    std::snprintf(field, sizeof field, "%14.3f", static_cast<double>(gigabytes));
    std::string text(field);
    text.erase(0, text.find_first_not_of(' '));
    return text + " GB";
}

} // namespace mivo
