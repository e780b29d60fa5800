#include "dvdauthor_reference.h"

#include <cmath>
#include <cstdio>

namespace mivo::encoder::disc {

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

} // namespace mivo::encoder::disc
