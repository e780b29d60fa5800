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

std::string chapterTime(double seconds) {
    const long long ms = static_cast<long long>(std::ceil(seconds * 1000.0 - 1e-6));
    char text[40];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld.%03lld", ms / 3600000, ms / 60000 % 60,
                  ms / 1000 % 60, ms % 1000);
    return text;
}

namespace {

std::string xmlEscaped(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace

std::string authoringXml(const TitleFacts& t, const std::string& vobFile, const std::string& language) {
    std::string chapters = chapterTime(0.0);
    for (int frame : t.chapters)
        if (frame > t.startFrame && frame < t.startFrame + t.frameCount)
            chapters += "," + chapterTime(secondsAt(t, frame));
    const bool wide = t.aspectRatio >= 3;
    const std::string format = isPal(t) ? "pal" : "ntsc";
    // The menu domain needs a video format even without menus.
    std::string xml = "<dvdauthor>\n <vmgm>\n  <menus>\n   <video format=\"" + format +
                      "\" />\n  </menus>\n </vmgm>\n <titleset>\n  <titles>\n";
    xml += "   <video format=\"" + format + "\" aspect=\"" +
           (wide ? "16:9\" widescreen=\"nopanscan\"" : "4:3\"") + " />\n";
    if (!language.empty()) xml += "   <audio lang=\"" + xmlEscaped(language) + "\" />\n";
    xml += "   <pgc>\n    <vob file=\"" + xmlEscaped(vobFile) + "\" chapters=\"" + chapters + "\" />\n";
    xml += "   </pgc>\n  </titles>\n </titleset>\n</dvdauthor>\n";
    return xml;
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
