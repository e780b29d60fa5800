#include "core/source/movie_info.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace mivo {

namespace {

bool near(float rate, double value) {
    return std::fabs(static_cast<double>(rate) - value) < 0.01;
}

} // namespace

std::string formatHms(double seconds) {
    if (!(seconds > 0.0)) seconds = 0.0; // also catches NaN
    const long long s = std::llround(std::min(seconds, 1e15));
    const long long hours = s / 3600;
    const long long minutes = s / 60 - 60 * hours;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%2lld:%02lld:%02lld", hours, minutes, s % 60);
    return buf;
}

long long estimateFileLengthKb(int frames, float frameRate, int bitrate) {
    if (frameRate <= 1.0f) return 0;
    const double kbits = static_cast<double>(frames) / static_cast<double>(frameRate) * bitrate / 1.024;
    return std::llround(kbits) / 8;
}

bool isFilmRate(float frameRate) {
    return near(frameRate, 23.976);
}
bool isPalRate(float frameRate) {
    return near(frameRate, 25.0);
}
bool isNtscRate(float frameRate) {
    return near(frameRate, 29.97);
}

bool resolutionSuitsRate(int width, int height, float frameRate) {
    const bool sixtyHz = isFilmRate(frameRate) || isNtscRate(frameRate);
    const bool pal = isPalRate(frameRate);
    if (width == 720 || width == 704) return (sixtyHz && height == 480) || (pal && height == 576);
    if (width == 352)
        return (sixtyHz && (height == 240 || height == 480)) || (pal && (height == 288 || height == 576));
    return false;
}

int dvdMaxGopLength(float frameRate) {
    if (isFilmRate(frameRate)) return 12;
    if (isPalRate(frameRate)) return 15;
    if (isNtscRate(frameRate)) return 18;
    return 0;
}

bool dvdFrameSizeFits(int width, int height, float frameRate) {
    const bool sixtyHz = isFilmRate(frameRate) || isNtscRate(frameRate);
    return width <= 720 && height <= (sixtyHz ? 480 : 576);
}

bool panScanPossible(int width, int height) {
    return (width == 720 || width == 704) && (height == 576 || height == 480);
}

bool pulldownPossible(float frameRate) {
    return !(std::fabs(frameRate - 23.976025f) > 0.01f);
}

std::string audioTrackText(const AudioTrackFacts& track) {
    std::string text = track.codec.empty() ? std::string("unknown") : track.codec;
    if (track.channels > 0) text += " " + std::to_string(track.channels) + " ch";
    if (track.sampleRate > 0) text += " " + std::to_string(track.sampleRate) + " Hz";
    if (!track.language.empty() && track.language != "und") text += " " + track.language;
    return text;
}

std::string videoFileOpenedText(const VideoFileFacts& facts, int width, int height, float servedRate) {
    std::string text = " video file opened: " + facts.codec + " in " + facts.container;
    if (facts.converted) text += ", " + facts.pixelFormat + " converted to YV12";
    if (facts.scaled)
        text += ", " + std::to_string(facts.fileWidth) + "x" + std::to_string(facts.fileHeight) +
                " scaled down to " + std::to_string(width) + "x" + std::to_string(height);
    if (facts.variableRate) {
        char rate[32];
        std::snprintf(rate, sizeof rate, "%.3f", static_cast<double>(servedRate));
        text += std::string(", WARNING, variable frame rate, frames repeated or dropped to ") + rate + " fps";
    }
    return text;
}

std::string audioTracksText(const std::vector<AudioTrackFacts>& tracks) {
    if (tracks.empty()) return ", no audio";
    std::string text = ", audio:";
    for (std::size_t i = 0; i < tracks.size(); ++i)
        text += (i == 0 ? " " : "; ") + audioTrackText(tracks[i]);
    return text;
}

} // namespace mivo
