#include "sources/disc_audio.h"

#include "base/d2v_header.h"
#include "platform/platform.h"

#include <filesystem>
#include <fstream>

#include <cstdint>
#include <cstring>

extern "C" {
#include <libavformat/avformat.h>
}

namespace mivo::disc {

namespace fs = std::filesystem;

AudioPlan planAudio(const AudioFacts& audio, bool pal) {
    AudioPlan plan;
    const bool at48 = audio.sampleRate == 48000;
    if (at48 && audio.codec == AudioCodec::Ac3) {
        plan.copy = true;
        plan.extension = "ac3";
        return plan;
    }
    if (at48 && pal && audio.codec == AudioCodec::Mp2) {
        plan.copy = true;
        plan.extension = "mp2";
        return plan;
    }
    plan.extension = "ac3";
    plan.channels = audio.channels > 2 ? 6 : 2;
    plan.bitrateKbps = plan.channels == 6 ? 448 : 192;
    plan.reason = audio.codec == AudioCodec::Mp2 && !pal ? "an NTSC disc carries MPEG audio only beside AC-3"
                  : !at48 && (audio.codec == AudioCodec::Ac3 || audio.codec == AudioCodec::Mp2)
                      ? "a DVD carries audio at 48 kHz"
                      : "a DVD carries AC-3, LPCM or MPEG audio";
    return plan;
}

std::string audioPlanText(const AudioFacts& audio, const AudioPlan& plan) {
    std::string text = (audio.codecName.empty() ? std::string("audio") : audio.codecName) + " " +
                       std::to_string(audio.sampleRate / 1000) +
                       (audio.sampleRate % 1000 ? "." + std::to_string(audio.sampleRate % 1000 / 100) : "") +
                       " kHz " + std::to_string(audio.channels) + " ch: ";
    if (plan.copy) return text + "copied";
    return text + "will be converted to AC-3 " + std::to_string(plan.bitrateKbps) + " kbit/s (" +
           plan.reason + ")";
}

namespace {

AudioCodec codecOf(AVCodecID id) {
    switch (id) {
    case AV_CODEC_ID_AC3:
        return AudioCodec::Ac3;
    case AV_CODEC_ID_MP2:
        return AudioCodec::Mp2;
    case AV_CODEC_ID_PCM_DVD:
        return AudioCodec::Lpcm;
    default:
        return AudioCodec::Other;
    }
}

double seconds(std::int64_t ts, AVRational base) {
    return ts == AV_NOPTS_VALUE ? 0.0 : static_cast<double>(ts) * av_q2d(base);
}

} // namespace

bool probeAudio(const std::string& url, int track, AudioProbe& p, std::string& error) {
    p = AudioProbe{};
    AVFormatContext* ctx = nullptr;
    if (avformat_open_input(&ctx, url.c_str(), nullptr, nullptr) < 0) {
        error = "cannot read the audio of " + url;
        return false;
    }
    const bool read = avformat_find_stream_info(ctx, nullptr) >= 0;
    AVStream* video = nullptr;
    AVStream* audio = nullptr;
    for (unsigned i = 0; read && i < ctx->nb_streams; ++i) {
        AVStream* st = ctx->streams[i];
        if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !video) video = st;
        if (st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && ++p.audioTracks == track) audio = st;
    }
    p.fileStart =
        ctx->start_time == AV_NOPTS_VALUE ? 0.0 : static_cast<double>(ctx->start_time) / AV_TIME_BASE;
    p.videoStart = video && video->start_time != AV_NOPTS_VALUE ? seconds(video->start_time, video->time_base)
                                                                : p.fileStart;
    if (audio) {
        p.hasAudio = true;
        p.audio.codec = codecOf(audio->codecpar->codec_id);
        p.audio.codecName = avcodec_get_name(audio->codecpar->codec_id);
        p.audio.sampleRate = audio->codecpar->sample_rate;
        p.audio.channels = audio->codecpar->ch_layout.nb_channels;
        p.audio.startSeconds =
            audio->start_time == AV_NOPTS_VALUE ? p.fileStart : seconds(audio->start_time, audio->time_base);
        const AVDictionaryEntry* lang = av_dict_get(audio->metadata, "language", nullptr, 0);
        if (lang && std::strlen(lang->value) == 2) p.language = lang->value;
    }
    avformat_close_input(&ctx);
    if (!read || (p.hasAudio && (p.audio.sampleRate <= 0 || p.audio.channels <= 0))) {
        error = "cannot read the audio of " + url;
        return false;
    }
    if (!audio && track > 1) {
        error = url + " has " + std::to_string(p.audioTracks) +
                " audio track(s); *AUDIOTRACK asks for track " + std::to_string(track);
        return false;
    }
    return true;
}

std::string audioInput(const std::vector<std::string>& sourceFiles) {
    std::string url;
    for (const std::string& f : sourceFiles)
        url += (url.empty() ? "" : "|") + f;
    return sourceFiles.size() > 1 ? "concat:" + url : url;
}

std::vector<std::string> d2vSourceFiles(const std::string& project) {
    std::ifstream in(project, std::ios::binary);
    if (!in) return {};
    const D2vHeader header = readD2vHeader(in);
    if (header.fault != D2vHeaderFault::None) return {};
    std::vector<std::string> files;
    const fs::path base = fs::path(project).parent_path();
    for (const std::string& f : header.files) {
        const fs::path p(f);
        files.push_back(p.is_absolute() || platform::fileExists(f) ? f : (base / p).string());
    }
    return files;
}

std::vector<DiscTool> discTools(bool audio) {
    std::vector<DiscTool> tools{{"mplex", "mjpegtools"}};
    if (audio) tools.push_back({"ffmpeg", "ffmpeg"});
    return tools;
}

std::optional<std::string> missingDiscTool(bool audio) {
    for (const DiscTool& tool : discTools(audio))
        if (platform::findOnPath(tool.program).empty())
            return std::string("the disc needs ") + tool.program +
                   ", which is not installed (Debian package " + tool.package + ")";
    return std::nullopt;
}

} // namespace mivo::disc
