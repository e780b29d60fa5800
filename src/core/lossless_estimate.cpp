#include "core/lossless_estimate.h"

#include "base/fixed_format.h"

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
    return leftReal(gigabytes, 14, 3, Overflow::Widen) + " GB";
}

} // namespace mivo
