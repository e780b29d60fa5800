#include "disc_steps.h"

#include "base/d2v_header.h"
#include "base/whole_file.h"
#include "platform/platform.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

extern "C" {
#include <libavformat/avformat.h>
}

namespace mivo::encoder::disc {

namespace fs = std::filesystem;

namespace {

struct Tool {
    const char* program;
    const char* package;
};
constexpr Tool kFfmpeg{"ffmpeg", "ffmpeg"};
constexpr Tool kMplex{"mplex", "mjpegtools"};
constexpr Tool kDvdauthor{"dvdauthor", "dvdauthor"};
constexpr Tool kGenisoimage{"genisoimage", "genisoimage"};

bool toolFound(const Tool& tool, std::string& error) {
    if (!platform::findOnPath(tool.program).empty()) return true;
    error = std::string("the disc needs ") + tool.program + ", which is not installed (Debian package " +
            tool.package + ")";
    return false;
}

// The last lines a tool wrote, as the reason it gives.
std::string tail(const std::string& logFile) {
    std::string text;
    if (!readWholeFile(logFile, text)) return {};
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    std::size_t from = text.size();
    for (int lines = 0; lines < 3 && from != std::string::npos && from > 0; ++lines)
        from = text.rfind('\n', from - 1);
    text = text.substr(from == std::string::npos ? 0 : from + 1);
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    return text;
}

// Runs a tool with its output in `logFile`. False with the tool's own last words.
bool runTool(const std::vector<std::string>& args, const std::string& logFile, std::string& error) {
    // Found before the fork: the child of a process with threads (the progress window) only opens and execs.
    const std::string program = platform::findOnPath(args[0]);
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child < 0) {
        error = "cannot start " + args[0] + ": " + std::strerror(errno);
        return false;
    }
    if (child == 0) {
        const int out = open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int in = open("/dev/null", O_RDONLY);
        if (out >= 0) {
            dup2(out, 1);
            dup2(out, 2);
        }
        if (in >= 0) dup2(in, 0);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    const std::string said = tail(logFile);
    error = args[0] + " failed" + (said.empty() ? std::string() : ": " + said);
    return false;
}

// Removes the work folder, and the DVD folder when this run made it and left it empty.
class WorkFolder {
  public:
    WorkFolder(std::string dvdFolder, bool made) : dvdFolder_(std::move(dvdFolder)), made_(made) {}
    ~WorkFolder() {
        std::error_code ec;
        if (!path_.empty()) fs::remove_all(path_, ec);
        if (made_) fs::remove(dvdFolder_, ec); // only while empty
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    bool create(std::string& error) {
        std::string pattern = dvdFolder_ + "/.disc-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            error = "cannot write in the DVD folder " + dvdFolder_ + ": " + std::strerror(errno);
            return false;
        }
        path_ = pattern;
        return true;
    }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    void keepFolder() { made_ = false; }

  private:
    std::string dvdFolder_;
    std::string path_;
    bool made_;
};

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

struct Probe {
    bool hasAudio = false;
    AudioFacts audio;
    double videoStart = 0.0; // the first video time stamp, or the file's start without video
    double fileStart = 0.0;
    std::string language;
};

double seconds(std::int64_t ts, AVRational base) {
    return ts == AV_NOPTS_VALUE ? 0.0 : static_cast<double>(ts) * av_q2d(base);
}

// The track's facts and the time stamps the cut goes by. False when the input cannot be read or has no
// such track (a missing first track is no error: the title then has no audio).
bool probe(const std::string& url, int track, Probe& p, std::string& error) {
    AVFormatContext* ctx = nullptr;
    if (avformat_open_input(&ctx, url.c_str(), nullptr, nullptr) < 0) {
        error = "cannot read the audio of " + url;
        return false;
    }
    const bool read = avformat_find_stream_info(ctx, nullptr) >= 0;
    int audioSeen = 0;
    AVStream* video = nullptr;
    AVStream* audio = nullptr;
    for (unsigned i = 0; read && i < ctx->nb_streams; ++i) {
        AVStream* st = ctx->streams[i];
        if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !video) video = st;
        if (st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && ++audioSeen == track) audio = st;
    }
    p.fileStart =
        ctx->start_time == AV_NOPTS_VALUE ? 0.0 : static_cast<double>(ctx->start_time) / AV_TIME_BASE;
    p.videoStart = video && video->start_time != AV_NOPTS_VALUE ? seconds(video->start_time, video->time_base)
                                                                : p.fileStart;
    if (audio) {
        p.hasAudio = true;
        p.audio.codec = codecOf(audio->codecpar->codec_id);
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
        error = url + " has " + std::to_string(audioSeen) + " audio track(s); *AUDIOTRACK asks for track " +
                std::to_string(track);
        return false;
    }
    return true;
}

std::string decimal(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", v);
    return text;
}

// The language the disc announces: the track's own, else the user's.
std::string languageFor(const Probe& p) {
    if (!p.language.empty()) return p.language;
    const std::string lang = platform::environment("LANG").value_or("");
    if (lang.size() >= 2 && std::isalpha(static_cast<unsigned char>(lang[0])) &&
        std::isalpha(static_cast<unsigned char>(lang[1])) && lang != "C" && lang.rfind("POSIX", 0) != 0)
        return lang.substr(0, 2);
    return "en";
}

// Extracts the audio for the title into the work folder. Empty path: the title has no audio.
bool extractAudio(const DiscRequest& request, const TitleFacts& title, const DiscSources& sources,
                  const WorkFolder& work, const DiscLog& log, std::string& audioPath, std::string& language,
                  std::string& error) {
    std::string url = request.audioFile;
    if (url.empty()) {
        for (const std::string& f : sources.sourceFiles)
            url += (url.empty() ? "" : "|") + f;
        if (sources.sourceFiles.size() > 1) url = "concat:" + url;
    }
    if (url.empty()) {
        log("disc: the source has no audio of its own and no *AUDIOFILE names one: a title without audio");
        return true;
    }
    if (!request.audioFile.empty() && !platform::fileExists(request.audioFile)) {
        error = "audio file not found: " + request.audioFile;
        return false;
    }
    Probe p;
    const int track = request.audioFile.empty() ? request.audioTrack : 1;
    if (!probe(url, track, p, error)) return false;
    language = languageFor(p);
    if (!p.hasAudio) {
        log("disc: the source has no audio track: a title without audio");
        return true;
    }
    if (!toolFound(kFfmpeg, error)) return false;
    const bool timed = request.audioFile.empty() && sources.sourceVideoTimed;
    const AudioPlan plan = planAudio(p.audio, isPal(title));
    const AudioCut cut = cutAudio(title, p.audio, timed ? p.videoStart : p.fileStart, p.fileStart);
    // Copied audio cannot be given a silent lead-in: audio that begins late is encoded instead.
    AudioPlan used = plan;
    if (plan.copy && cut.delay > 0.0) {
        AudioFacts other = p.audio;
        other.codec = AudioCodec::Other;
        used = planAudio(other, isPal(title));
        used.reason = "its audio begins after the first frame";
    }
    audioPath = work / ("audio." + used.extension);
    std::vector<std::string> args{"ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y"};
    // The cut as an output option: a seek in a program stream lands inside an audio frame, which a copy
    // would keep as a broken first frame the multiplexer refuses.
    args.insert(args.end(), {"-i", url, "-map", "0:a:" + std::to_string(track - 1), "-vn", "-sn"});
    if (cut.seek > 0.0) args.insert(args.end(), {"-ss", decimal(cut.seek)});
    if (used.copy) {
        args.insert(args.end(), {"-c:a", "copy"});
        log("disc: audio track " + std::to_string(track) + " copied");
    } else {
        args.insert(args.end(), {"-c:a", "ac3", "-b:a", std::to_string(used.bitrateKbps) + "k", "-ac",
                                 std::to_string(used.channels), "-ar", "48000"});
        if (cut.delay > 0.0)
            args.insert(args.end(), {"-af", "adelay=" + decimal(cut.delay * 1000.0) + ":all=1"});
        log("disc: audio track " + std::to_string(track) + " converted to AC-3 " +
            std::to_string(used.bitrateKbps) + " kbit/s: " + used.reason);
    }
    args.insert(args.end(), {"-t", decimal(audioLength(cut.length, used)), "-f", used.extension, audioPath});
    return runTool(args, work / "audio.log", error);
}

// Old output of the same name moves into the work folder (removed with it) before the new takes its place.
bool putInPlace(const std::string& built, const std::string& target, const WorkFolder& work,
                std::string& error) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(target, ec))) {
        fs::rename(target, work / "replaced", ec);
        if (ec) {
            error = "cannot replace " + target + ": " + ec.message();
            return false;
        }
    }
    fs::rename(built, target, ec);
    if (ec) {
        error = "cannot put " + target + " in place: " + ec.message();
        return false;
    }
    return true;
}

// Room for the program stream, the folder's copy of it and the image, with a margin for the audio.
bool enoughSpace(const DiscRequest& request, const DiscSources& sources, std::string& error) {
    std::error_code ec;
    const auto video = fs::file_size(sources.video, ec);
    if (ec) return true;
    const double need = static_cast<double>(video) * 1.1 * (request.image.empty() ? 2 : 3);
    const auto space = fs::space(request.folder, ec);
    if (ec || static_cast<double>(space.available) >= need) return true;
    error = "not enough space for the disc in " + request.folder + ": " +
            std::to_string(static_cast<long long>(need / 1e6)) + " MB needed, " +
            std::to_string(space.available / 1000000) + " MB free";
    return false;
}

} // namespace

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

bool makeDisc(const DiscRequest& request, const TitleFacts& title, const DiscSources& sources,
              const DiscLog& log, std::string& error) {
    if (!toolFound(kMplex, error) || !toolFound(kDvdauthor, error) ||
        (!request.image.empty() && !toolFound(kGenisoimage, error)))
        return false;
    const bool existed = platform::folderExists(request.folder);
    if (!existed && !platform::makeFolders(request.folder)) {
        error = "cannot create the DVD folder " + request.folder;
        return false;
    }
    WorkFolder work(request.folder, !existed);
    if (!work.create(error) || !enoughSpace(request, sources, error)) return false;

    std::string audio, language;
    if (!extractAudio(request, title, sources, work, log, audio, language, error)) return false;

    log("disc: multiplexing");
    const std::string vob = work / "title.mpg";
    std::vector<std::string> mux{"mplex", "-f", "8", "-V", "-o", vob, sources.video};
    if (!audio.empty()) mux.push_back(audio);
    if (!runTool(mux, work / "mplex.log", error)) return false;

    log("disc: authoring the DVD-Video folder");
    if (!writeWholeFile(work / "dvd.xml", authoringXml(title, vob, language))) {
        error = "cannot write in the DVD folder " + request.folder;
        return false;
    }
    const std::string built = work / "disc";
    if (!runTool({"dvdauthor", "-o", built, "-x", work / "dvd.xml"}, work / "dvdauthor.log", error))
        return false;
    std::error_code ec;
    fs::remove(vob, ec); // the folder holds its own copy: room for the image

    std::string imageTemp;
    if (!request.image.empty()) {
        log("disc: writing the image");
        const fs::path parent = fs::path(request.image).parent_path();
        if (!parent.empty() && !platform::makeFolders(parent.string())) {
            error = "cannot create the folder of the image " + request.image;
            return false;
        }
        imageTemp = temporaryBeside(request.image);
        const bool written = runTool(
            {"genisoimage", "-dvd-video", "-quiet", "-V", volumeLabel(sources.video), "-o", imageTemp, built},
            work / "genisoimage.log", error);
        if (!written) {
            fs::remove(imageTemp, ec);
            return false;
        }
    }
    const std::string target = request.folder + "/VIDEO_TS";
    if (!putInPlace(built + "/VIDEO_TS", target, work, error)) {
        if (!imageTemp.empty()) fs::remove(imageTemp, ec);
        return false;
    }
    work.keepFolder();
    if (!imageTemp.empty() && !replaceWithTemporary(imageTemp, request.image, &error)) {
        fs::remove(imageTemp, ec);
        fs::remove_all(target, ec);
        error = "cannot put the image in place: " + request.image + ": " + error;
        return false;
    }
    log("disc: " + target + (request.image.empty() ? "" : " and " + request.image));
    return true;
}

} // namespace mivo::encoder::disc
