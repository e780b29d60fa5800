#include "d2v_writer.h"

#include <cstdio>

namespace mivo::mpeg2 {

namespace {

constexpr const char* kEol = "\r\n";

template <typename... Args> void append(std::string& out, const char* format, Args... args) {
    char buffer[256];
    const int n = std::snprintf(buffer, sizeof buffer, format, args...);
    if (n > 0)
        out.append(buffer, static_cast<std::size_t>(n) < sizeof buffer ? static_cast<std::size_t>(n)
                                                                       : sizeof buffer - 1);
}

} // namespace

std::string formatD2vProject(const D2vProject& p, const ProjectTrailer& trailer) {
    std::string out;
    out.reserve(1024 + p.flags.size() * 3 + p.lines.size() * 40);
    out += "DGIndexProjectFile16";
    out += kEol;
    out += std::to_string(p.files.size()) + kEol;
    for (const std::string& f : p.files)
        out += f + kEol;
    out += kEol;

    append(out, "Stream_Type=%d\r\n", static_cast<int>(p.streamType));
    if (p.streamType == StreamType::transport) {
        append(out, "MPEG2_Transport_PID=%x,%x,%x\r\n", p.videoPid < 0 ? 0 : p.videoPid,
               p.audioPid < 0 ? 0 : p.audioPid, p.pcrPid < 0 ? 0 : p.pcrPid);
        append(out, "Transport_Packet_Size=%d\r\n", p.packetSize > 0 ? p.packetSize : 188);
    }
    append(out, "MPEG_Type=%d\r\n", p.mpegType);
    out += "iDCT_Algorithm=5\r\n"; // the reference IDCT: what libavcodec's default matches best
    out += "YUVRGB_Scale=1\r\n";
    out += "Luminance_Filter=0,0\r\n";
    out += "Clipping=0,0,0,0\r\n";
    out += "Aspect_Ratio=" + p.aspectRatio + kEol;
    append(out, "Picture_Size=%dx%d\r\n", p.width, p.height);
    append(out, "Field_Operation=%d\r\n", p.fieldOperation);
    const long long thousandths = p.rateDen > 0 ? 1000LL * p.rateNum / p.rateDen : 0;
    append(out, "Frame_Rate=%lld (%d/%d)\r\n", thousandths, p.rateNum, p.rateDen);
    append(out, "Location=0,0,%x,%llx\r\n", static_cast<unsigned>(p.files.empty() ? 0 : p.files.size() - 1),
           static_cast<unsigned long long>(trailer.lastFileSize / 2048));
    out += kEol;

    for (std::size_t i = 0; i < p.lines.size(); ++i) {
        const D2vLine& l = p.lines[i];
        append(out, "%03x %d %d %llu %d %d %d", l.info, l.matrix, l.file,
               static_cast<unsigned long long>(l.position), l.skip, l.vob, l.cell);
        for (std::uint32_t f = l.firstFrame; f < l.firstFrame + l.frameCount; ++f)
            append(out, " %02x", p.flags[f]);
        if (i + 1 == p.lines.size()) out += " ff";
        out += kEol;
    }
    out += kEol;
    if (trailer.filmPercent >= 50.0)
        append(out, "FINISHED  %.2f%% FILM\r\n", trailer.filmPercent);
    else
        append(out, "FINISHED  %.2f%% VIDEO\r\n", 100.0 - trailer.filmPercent);
    return out;
}

} // namespace mivo::mpeg2
