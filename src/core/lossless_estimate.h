#pragma once
// Size of the lossless intermediate file the encoder writes for the second pass of an Avisynth input,
// shown beside " use lossless file" on the Settings 3 page.

#include <string>

namespace mivo {

// The interlacing choice of the Settings 1 page, as far as it changes the estimate.
enum class LosslessScan { AutoDetect, Progressive, Interlaced, DigitalVideo };

// encodeFrameCount x 0.4 x (lumaBytes + 2 x chromaPlaneBytes) in GiB, in single precision, scaled by
// 0.9 for progressive, 1.1 for interlaced and 1.4 for Digital Video sources.
float losslessEstimateGb(int encodeFrameCount, int lumaBytes, int chromaPlaneBytes, LosslessScan scan);

// The estimate field's text: three decimals and " GB" ("0.209 GB").
std::string losslessEstimateText(float gigabytes);

} // namespace mivo
