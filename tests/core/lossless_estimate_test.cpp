#include "core/lossless_estimate.h"

#include <gtest/gtest.h>

using mivo::LosslessScan;

TEST(LosslessEstimate, SizesByInterlacingAndText) {
    const int luma = 720 * 576, chroma = 720 * 576 / 4;
    struct Case {
        int frames, luma, chroma;
        LosslessScan scan;
        const char* text;
    };
    for (const Case& c : {
             Case{1000, luma, chroma, LosslessScan::Progressive, "0.209 GB"},
             Case{1000, luma, chroma, LosslessScan::AutoDetect, "0.232 GB"},
             Case{1000, luma, chroma, LosslessScan::Interlaced, "0.255 GB"},
             Case{1000, luma, chroma, LosslessScan::DigitalVideo, "0.324 GB"},
             // A two-hour PAL film of full HD frames needs more than a field of a few characters.
             Case{180000, 1920 * 1080, 1920 * 1080 / 4, LosslessScan::AutoDetect, "208.569 GB"},
             Case{0, luma, chroma, LosslessScan::Progressive, "0.000 GB"},
         })
        EXPECT_EQ(mivo::losslessEstimateText(mivo::losslessEstimateGb(c.frames, c.luma, c.chroma, c.scan)),
                  c.text)
            << c.text;
}
