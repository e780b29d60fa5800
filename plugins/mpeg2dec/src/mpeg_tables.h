#pragma once
// Values of the MPEG-1/2 sequence header codes that a D2V project spells out.

#include <string>

namespace mivo::mpeg2 {

// Frame rate of frame_rate_code (1..8), times (ext_n+1)/(ext_d+1) for MPEG-2; false for reserved codes.
inline bool frameRateOf(int code, int extN, int extD, bool mpeg2, int& num, int& den) {
    static constexpr int kNum[9] = {0, 24000, 24, 25, 30000, 30, 50, 60000, 60};
    static constexpr int kDen[9] = {0, 1001, 1, 1, 1001, 1, 1, 1001, 1};
    if (code < 1 || code > 8) return false;
    num = kNum[code];
    den = kDen[code];
    if (mpeg2) {
        num *= extN + 1;
        den *= extD + 1;
    }
    return true;
}

// Aspect_Ratio text of aspect_ratio_information (MPEG-2) or pel_aspect_ratio (MPEG-1).
inline std::string aspectRatioText(int code, bool mpeg2) {
    static const char* const kMpeg2[] = {"1:1", "4:3", "16:9", "2.21:1"};
    static const char* const kMpeg1[] = {"1:1",      "0.6735",  "16:9,625", "0.7615", "0.8055",
                                         "16:9,525", "0.8935",  "4:3,625",  "0.9815", "1.0255",
                                         "1.0695",   "4:3,525", "1.575",    "1.2015"};
    if (mpeg2) return code >= 1 && code <= 4 ? kMpeg2[code - 1] : "1:1";
    return code >= 1 && code <= 14 ? kMpeg1[code - 1] : "1:1";
}

} // namespace mivo::mpeg2
