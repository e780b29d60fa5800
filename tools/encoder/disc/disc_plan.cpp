#include "disc_plan.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace mivo::encoder::disc {

bool isPal(const TitleFacts& t) {
    return t.rateNumerator == 25 * t.rateDenominator;
}

double secondsAt(const TitleFacts& t, int frame) {
    return static_cast<double>(frame - t.startFrame) * t.rateDenominator / t.rateNumerator;
}

double titleSeconds(const TitleFacts& t) {
    return secondsAt(t, t.startFrame + t.frameCount);
}

AudioCut cutAudio(const TitleFacts& t, const AudioFacts& audio, double videoStart, double fileStart) {
    AudioCut cut;
    cut.length = titleSeconds(t);
    const double first = videoStart + static_cast<double>(t.startFrame) * t.rateDenominator / t.rateNumerator;
    // Less than a millisecond late is on time: no silence for a rounding difference.
    if (audio.startSeconds > first + 0.001)
        cut.delay = audio.startSeconds - first;
    else
        cut.seek = std::max(0.0, first - fileStart);
    return cut;
}

double audioLength(double seconds, const AudioPlan& plan) {
    // Samples per frame at 48 kHz: AC-3 1536, MPEG-1 layer II 1152.
    const double frame = (plan.extension == "mp2" ? 1152.0 : 1536.0) / 48000.0;
    const double whole = std::floor(seconds / frame + 1e-9) * frame;
    return plan.copy ? whole - frame / 2 : whole;
}

std::string volumeLabel(const std::string& outputFile) {
    std::string label;
    for (char c : std::filesystem::path(outputFile).stem().string()) {
        if (label.size() == 32) break;
        const auto u = static_cast<unsigned char>(c);
        label += std::isalnum(u) && u < 128 ? static_cast<char>(std::toupper(u)) : '_';
    }
    return label.empty() ? "DVD_VIDEO" : label;
}

} // namespace mivo::encoder::disc
