#include "mpeg_level.h"

#include <cstdio>

namespace mivo::encoder {

namespace {

constexpr LevelLimits kMain[] = {
    {0x48, 4, 8, "MP@ML", 720, 576, 30, 10368000, 15000},
    {0x46, 4, 6, "MP@H-14", 1440, 1152, 60, 47001600, 60000},
    {0x44, 4, 4, "MP@HL", 1920, 1152, 60, 62668800, 80000},
};
constexpr LevelLimits k422[] = {
    {0x85, 0, 5, "422P@ML", 720, 608, 30, 11059200, 50000},
    {0x82, 0, 2, "422P@HL", 1920, 1088, 60, 62668800, 300000},
    {0x82, 0, 2, "422P@HL", 1920, 1088, 60, 62668800, 300000},
};

std::string text(double v) {
    char out[32];
    std::snprintf(out, sizeof out, "%.6g", v);
    return out;
}

} // namespace

const LevelLimits* levelLimits(int mpegLevel, bool chroma422) {
    if (mpegLevel < 1 || mpegLevel > 3) return nullptr;
    return &(chroma422 ? k422 : kMain)[mpegLevel - 1];
}

std::string levelViolation(const LevelLimits& level, const StreamFacts& f, int maxBitrateKbps) {
    const std::string at = std::string(" allowed at ") + level.name;
    if (f.width > level.width || f.height > level.height)
        return "the picture of " + std::to_string(f.width) + " x " + std::to_string(f.height) +
               " is larger than the " + std::to_string(level.width) + " x " + std::to_string(level.height) +
               at;
    const double fps = f.rateDenominator > 0 ? double(f.rateNumerator) / f.rateDenominator : 0;
    if (fps > level.framesPerSecond + 1e-9)
        return "the frame rate of " + text(fps) + " is above the " + text(level.framesPerSecond) + at;
    const double samples = double(f.width) * f.height * fps;
    if (samples > level.lumaSamplesPerSecond + 1e-6)
        return "the luminance rate of " + text(samples) + " samples a second is above the " +
               text(level.lumaSamplesPerSecond) + at;
    if (maxBitrateKbps > level.bitrateKbps)
        return "the maximum bitrate of " + std::to_string(maxBitrateKbps) + " kbit/s is above the " +
               std::to_string(level.bitrateKbps) + " kbit/s" + at;
    return {};
}

} // namespace mivo::encoder
