#include "disc_steps.h"

#include "dvd_author.h"
#include "dvd_image.h"
#include "video_pictures.h"

#include "base/whole_file.h"
#include "platform/platform.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

extern "C" {
#include <libavformat/avformat.h>
}

namespace mivo::encoder::disc {

namespace fs = std::filesystem;
using mivo::disc::audioInput;
using mivo::disc::AudioProbe;
using mivo::disc::missingDiscTool;
using mivo::disc::probeAudio;

namespace {

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

// Starts a tool with its messages in `logFile`, its input from `input` (-1: nothing) and its output into
// `output` (-1: the log file). -1 with the reason when it cannot start.
pid_t startTool(const std::vector<std::string>& args, const std::string& logFile, int input,
                std::string& error, int output = -1) {
    // Found before the fork: the child of a process with threads (the progress window) only opens and execs.
    const std::string program = platform::findOnPath(args[0]);
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child < 0) {
        error = "cannot start " + args[0] + ": " + std::strerror(errno);
        return -1;
    }
    if (child == 0) {
        const int out = open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int in = input >= 0 ? input : open("/dev/null", O_RDONLY);
        if (out >= 0) {
            dup2(output >= 0 ? output : out, 1);
            dup2(out, 2);
        }
        if (in >= 0) dup2(in, 0);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return child;
}

// Waits for a tool started by startTool. False with the tool's own last words.
bool finishTool(pid_t child, const std::string& name, const std::string& logFile, std::string& error) {
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    const std::string said = tail(logFile);
    error = name + " failed" + (said.empty() ? std::string() : ": " + said);
    return false;
}

// Runs a tool with its output in `logFile`. False with the tool's own last words.
bool runTool(const std::vector<std::string>& args, const std::string& logFile, std::string& error) {
    const pid_t child = startTool(args, logFile, -1, error);
    return child >= 0 && finishTool(child, args[0], logFile, error);
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

std::string decimal(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", v);
    return text;
}

// The track's frames that begin from `from` (seconds in the file's time line) for `length` seconds, as
// the elementary stream the multiplexer reads. Done here rather than by the audio tool: a copy moves a
// few megabytes, and starting the tool costs more than that. Frames are whole: the demuxer parses the
// track, so a cut never keeps a broken frame.
bool copyAudio(const std::string& url, int track, double from, double length, const std::string& path,
               std::string& error) {
    error = "cannot copy the audio of " + url;
    AVFormatContext* ctx = nullptr;
    if (avformat_open_input(&ctx, url.c_str(), nullptr, nullptr) < 0) return false;
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> input(
        ctx, [](AVFormatContext* c) { avformat_close_input(&c); });
    // The streams are taken as the demuxer finds them, without its analysis of the file's start (which
    // decodes pictures of the video): the track is the same `track`-th audio stream the probe counted,
    // in the order the streams appear. The demuxer skips the other streams' packets instead of handing
    // over their data: in a source's program stream the video is most of the bytes read.
    int index = -1;
    unsigned decided = 0; // streams counted or skipped so far
    int audioSeen = 0;
    const auto decide = [&] {
        for (; decided < ctx->nb_streams; ++decided) {
            AVStream* st = ctx->streams[decided];
            if (st->codecpar->codec_type == AVMEDIA_TYPE_UNKNOWN) break; // still to be probed
            if (st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && ++audioSeen == track && index < 0)
                index = static_cast<int>(decided);
            else
                st->discard = AVDISCARD_ALL;
        }
    };
    decide();
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::fopen(path.c_str(), "wb"), std::fclose);
    std::unique_ptr<AVPacket, void (*)(AVPacket*)> packet(av_packet_alloc(),
                                                          [](AVPacket* pk) { av_packet_free(&pk); });
    if (!out || !packet) return false;
    // A frame starting a microsecond early is on time: its stamp went through the stream's time base.
    constexpr double kSlack = 1e-6;
    bool written = false;
    int read = 0;
    while ((read = av_read_frame(ctx, packet.get())) >= 0) {
        decide();
        const AVPacket& pk = *packet;
        const std::int64_t ts = pk.pts != AV_NOPTS_VALUE ? pk.pts : pk.dts;
        bool done = false;
        if (pk.stream_index == index && ts != AV_NOPTS_VALUE) {
            const double at = static_cast<double>(ts) * av_q2d(ctx->streams[index]->time_base);
            done = at >= from + length - kSlack;
            if (!done && at >= from - kSlack) {
                if (std::fwrite(pk.data, 1, static_cast<std::size_t>(pk.size), out.get()) !=
                    static_cast<std::size_t>(pk.size)) {
                    av_packet_unref(packet.get());
                    error =
                        "cannot write the audio into the DVD folder: " + std::string(std::strerror(errno));
                    return false;
                }
                written = true;
            }
        }
        av_packet_unref(packet.get());
        if (done) break;
    }
    if (read < 0 && read != AVERROR_EOF) return false;
    if (std::fclose(out.release()) != 0) {
        error = "cannot write the audio into the DVD folder";
        return false;
    }
    if (!written) {
        if (index >= 0) error = "the audio of " + url + " has no frame in the encoded range";
        return false;
    }
    error.clear();
    return true;
}

// The language the disc announces: the track's own, else the user's.
std::string languageFor(const AudioProbe& p) {
    if (p.language.size() == 2) return p.language;
    const std::string lang = platform::environment("LANG").value_or("");
    if (lang.size() >= 2 && std::isalpha(static_cast<unsigned char>(lang[0])) &&
        std::isalpha(static_cast<unsigned char>(lang[1])) && lang != "C" && lang.rfind("POSIX", 0) != 0)
        return lang.substr(0, 2);
    return "en";
}

// Extracts the audio for the title into the work folder. Empty path: the title has no audio.
bool extractAudio(const DiscRequest& request, const TitleFacts& title, const DiscSources& sources,
                  const WorkFolder& work, const DiscLog& log, std::string& audioPath, AuthorAudio& facts,
                  std::string& error) {
    const std::string url = request.audioFile.empty() ? audioInput(sources.sourceFiles) : request.audioFile;
    if (url.empty()) {
        log("disc: the source has no audio of its own and no *AUDIOFILE names one: a title without audio");
        return true;
    }
    if (!request.audioFile.empty() && !platform::fileExists(request.audioFile)) {
        error = "audio file not found: " + request.audioFile;
        return false;
    }
    AudioProbe p;
    const int track = request.audioFile.empty() ? request.audioTrack : 1;
    if (!probeAudio(url, track, p, error)) return false;
    if (!p.hasAudio) {
        log("disc: the source has no audio track: a title without audio");
        return true;
    }
    if (const auto missing = missingDiscTool(true)) {
        error = *missing;
        return false;
    }
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
    facts.format = used.extension == "mp2" ? AuthorAudio::Format::Mpeg1 : AuthorAudio::Format::Ac3;
    facts.channels = used.copy ? p.audio.channels : used.channels;
    facts.language = languageFor(p);
    if (used.copy) {
        log("disc: audio track " + std::to_string(track) + " copied");
        return copyAudio(url, track, p.fileStart + cut.seek, audioLength(cut.length, used), audioPath, error);
    }
    std::vector<std::string> args{"ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y"};
    // The cut as an output option: a seek in a program stream lands inside an audio frame, which a copy
    // would keep as a broken first frame the multiplexer refuses.
    args.insert(args.end(), {"-i", url, "-map", "0:a:" + std::to_string(track - 1), "-vn", "-sn"});
    if (cut.seek > 0.0) args.insert(args.end(), {"-ss", decimal(cut.seek)});
    args.insert(args.end(), {"-c:a", "ac3", "-b:a", std::to_string(used.bitrateKbps) + "k", "-ac",
                             std::to_string(used.channels), "-ar", "48000"});
    if (cut.delay > 0.0) args.insert(args.end(), {"-af", "adelay=" + decimal(cut.delay * 1000.0) + ":all=1"});
    log("disc: audio track " + std::to_string(track) + " converted to AC-3 " +
        std::to_string(used.bitrateKbps) + " kbit/s: " + used.reason);
    args.insert(args.end(), {"-t", decimal(audioLength(cut.length, used)), "-f", used.extension, audioPath});
    return runTool(args, work / "audio.log", error);
}

// One input of the multiplex: an elementary stream opened by libavformat, its packets on the 90 kHz clock.
// The video's pictures come from our own reading of the stream where it can (see splitPictures), which
// gives the same packets as libavformat's demuxer and parser at a fraction of their time.
class MuxInput {
  public:
    ~MuxInput() {
        av_packet_free(&packet_);
        avformat_close_input(&ctx_);
        avcodec_parameters_free(&splitParameters_);
    }
    // `generatePts`: a raw video stream carries no time stamps of its own; they are derived from the
    // pictures' order and types. Without them every picture would look alike to the muxer and the
    // title would become one VOBU.
    bool open(const std::string& path, bool generatePts) {
        packet_ = av_packet_alloc();
        if (!packet_) return false;
        if (generatePts && openSplit(path)) return true;
        if (avformat_open_input(&ctx_, path.c_str(), nullptr, nullptr) < 0) return false;
        if (generatePts) ctx_->flags |= AVFMT_FLAG_GENPTS;
        return avformat_find_stream_info(ctx_, nullptr) >= 0 && ctx_->nb_streams == 1;
    }
    // Null until the input is open with its one stream.
    const AVCodecParameters* parameters() const {
        if (splitParameters_) return splitParameters_;
        return ctx_ && ctx_->nb_streams == 1 ? ctx_->streams[0]->codecpar : nullptr;
    }
    // The next packet with its stamps on the 90 kHz clock; false at the end or on a read error.
    bool next() {
        av_packet_unref(packet_);
        if (splitParameters_) return nextSplit();
        status_ = av_read_frame(ctx_, packet_);
        if (status_ < 0) return false;
        av_packet_rescale_ts(packet_, ctx_->streams[0]->time_base, kClock);
        if (packet_->dts == AV_NOPTS_VALUE) packet_->dts = packet_->pts;
        return packet_->dts != AV_NOPTS_VALUE;
    }
    bool failed() const { return status_ < 0 && status_ != AVERROR_EOF; }
    AVPacket* packet() const { return packet_; }
    static constexpr AVRational kClock{1, 90000};

  private:
    // The stream mapped into memory and split into its pictures; false for a stream left to libavformat.
    bool openSplit(const std::string& path) {
        mapped_ = std::make_unique<MappedFile>(path);
        std::string why;
        if (!mapped_->mapped() || !splitPictures(mapped_->data(), mapped_->size(), split_, why)) {
            mapped_.reset();
            return false;
        }
        splitParameters_ = avcodec_parameters_alloc();
        if (!splitParameters_) return false;
        splitParameters_->codec_type = AVMEDIA_TYPE_VIDEO;
        splitParameters_->codec_id = AV_CODEC_ID_MPEG2VIDEO;
        splitParameters_->width = split_.width;
        splitParameters_->height = split_.height;
        return true;
    }
    // The muxer copies a packet's bytes: the packet points into the mapped stream.
    bool nextSplit() {
        if (nextPicture_ >= split_.pictures.size()) {
            status_ = AVERROR_EOF;
            return false;
        }
        const CodedPicture& picture = split_.pictures[nextPicture_++];
        packet_->data = const_cast<std::uint8_t*>(mapped_->data() + picture.offset);
        packet_->size = static_cast<int>(picture.size);
        packet_->pts = picture.pts;
        packet_->dts = picture.dts;
        packet_->duration = picture.duration;
        packet_->flags = picture.key ? AV_PKT_FLAG_KEY : 0;
        return true;
    }

    AVFormatContext* ctx_ = nullptr;
    AVPacket* packet_ = nullptr;
    int status_ = 0;
    std::unique_ptr<MappedFile> mapped_;
    SplitVideo split_;
    std::size_t nextPicture_ = 0;
    AVCodecParameters* splitParameters_ = nullptr;
};

// What the muxer leaves for the disc: whether every chapter on an I picture begins a VOBU of its own.
struct MuxResult {
    bool written = false;
    bool outputFailed = false; // the author could not take more
    bool chaptersOnVobus = false;
};

// The DVD muxer begins a VOBU at an I picture that comes at least 0.4 s after the VOBU before it. A
// chapter on an I picture sooner than that would fall inside the VOBU before, and the author would start
// the chapter there: the title is muxed, but the chapters are checked against the VOBU starts it got.
constexpr std::int64_t kShortestVobu = 36000;

// The muxer's output goes into the author as it comes, whole buffers at a time.
int writeToAuthor(void* opaque, std::uint8_t* data, int size) {
    return static_cast<DvdAuthor*>(opaque)->take(data, static_cast<std::size_t>(size)) ? size : AVERROR(EIO);
}

// The video stream and, when there is one, the audio stream of the title, on the 90 kHz clock.
bool addMuxStreams(AVFormatContext* octx, const MuxInput& v, const MuxInput* a) {
    for (const MuxInput* in : {&v, a}) {
        if (!in) break;
        AVStream* st = avformat_new_stream(octx, nullptr);
        if (!st || avcodec_parameters_copy(st->codecpar, in->parameters()) < 0) return false;
        st->codecpar->codec_tag = 0;
        st->time_base = MuxInput::kClock;
        if (in == &v) {
            // The decoder's buffer the muxer schedules the packs for: a DVD player's 224 KiB.
            std::size_t size = 0;
            AVCPBProperties* cpb = av_cpb_properties_alloc(&size);
            if (!cpb) return false;
            cpb->buffer_size = 1835008;
            if (av_stream_add_side_data(st, AV_PKT_DATA_CPB_PROPERTIES, reinterpret_cast<std::uint8_t*>(cpb),
                                        size) < 0) {
                av_free(cpb);
                return false;
            }
        }
    }
    return true;
}

// The muxer writes through a buffer of its own into `out`, which must outlive the context.
bool attachOutput(AVFormatContext* octx, DvdAuthor& out) {
    constexpr int kBuffer = 1 << 16;
    auto* buffer = static_cast<unsigned char*>(av_malloc(kBuffer));
    if (!buffer) return false;
    octx->pb = avio_alloc_context(buffer, kBuffer, 1, &out, nullptr, writeToAuthor, nullptr);
    if (!octx->pb) av_free(buffer);
    return octx->pb != nullptr;
}

// Whether every chapter on an I picture begins a VOBU. A chapter on a picture that is no I picture begins
// no VOBU with any multiplexer: only the ones the muxer's rule left inside a VOBU count. Times are on the
// 90 kHz clock from the title's first picture shown.
bool chaptersBeginVobus(const TitleFacts& title, const std::vector<std::int64_t>& iPictures,
                        const std::vector<std::int64_t>& vobuStarts) {
    const double frame = static_cast<double>(title.rateDenominator) / title.rateNumerator;
    const auto at = [&](const std::vector<std::int64_t>& starts, double seconds) {
        return std::any_of(starts.begin(), starts.end(), [&](std::int64_t start) {
            return std::fabs(static_cast<double>(start) / 90000.0 - seconds) < frame / 2;
        });
    };
    for (int chapter : title.chapters) {
        if (chapter <= title.startFrame || chapter >= title.startFrame + title.frameCount) continue;
        const double seconds = secondsAt(title, chapter);
        if (at(iPictures, seconds) && !at(vobuStarts, seconds)) return false;
    }
    return true;
}

// The title's program stream with a navigation pack at every VOBU, multiplexed by libavformat's DVD
// muxer from the encoded video and the audio cut for the disc. The first sound plays with the first
// picture: both elementary streams begin at the title's start.
MuxResult muxTitle(const TitleFacts& title, const std::string& video, const std::string& audio,
                   DvdAuthor& out, std::string& error) {
    MuxResult result;
    error = "cannot multiplex the title";
    MuxInput v, a;
    if (!v.open(video, true) || (!audio.empty() && !a.open(audio, false))) {
        error = "cannot multiplex the title: cannot read " + (v.parameters() ? audio : video);
        return result;
    }
    AVFormatContext* octx = nullptr;
    if (avformat_alloc_output_context2(&octx, nullptr, "dvd", nullptr) < 0) return result;
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> output(octx, [](AVFormatContext* c) {
        if (c->pb) {
            av_freep(&c->pb->buffer);
            avio_context_free(&c->pb);
        }
        avformat_free_context(c);
    });
    // The figures of a DVD program stream: sectors of 2048 bytes, 10.08 Mbit/s, half a second of preload.
    octx->packet_size = 2048;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "muxrate", "10080000", 0);
    av_dict_set(&options, "preload", "500000", 0);
    std::unique_ptr<AVDictionary*, void (*)(AVDictionary**)> ownOptions(&options, av_dict_free);
    if (!addMuxStreams(octx, v, audio.empty() ? nullptr : &a)) return result;
    if (!attachOutput(octx, out)) return result;
    if (avformat_write_header(octx, &options) < 0) {
        error = "cannot write the title's program stream";
        result.outputFailed = octx->pb->error < 0;
        return result;
    }
    // Both streams start at the title's start: the video by its first picture shown, the audio by its
    // first frame. Stamps are moved so that no decode time is negative.
    bool haveVideo = v.next();
    bool haveAudio = !audio.empty() && a.next();
    if (!haveVideo) return result;
    const std::int64_t videoShift = -v.packet()->dts;
    const std::int64_t firstShown =
        (v.packet()->pts != AV_NOPTS_VALUE ? v.packet()->pts : v.packet()->dts) + videoShift;
    const std::int64_t audioShift = haveAudio ? firstShown - a.packet()->dts : 0;
    std::vector<std::int64_t> vobuStarts, iPictures;
    std::int64_t vobuStart = 0;
    while (haveVideo || haveAudio) {
        const bool takeVideo =
            haveVideo && (!haveAudio || v.packet()->dts + videoShift <= a.packet()->dts + audioShift);
        AVPacket* pk = takeVideo ? v.packet() : a.packet();
        const std::int64_t shift = takeVideo ? videoShift : audioShift;
        if (pk->pts != AV_NOPTS_VALUE) pk->pts += shift;
        pk->dts += shift;
        pk->stream_index = takeVideo ? 0 : 1;
        if (takeVideo && (pk->flags & AV_PKT_FLAG_KEY) && pk->pts != AV_NOPTS_VALUE) {
            iPictures.push_back(pk->pts - firstShown);
            if (vobuStarts.empty() || pk->pts - vobuStart >= kShortestVobu) {
                vobuStart = pk->pts;
                vobuStarts.push_back(pk->pts - firstShown);
            }
        }
        if (av_write_frame(octx, pk) < 0) {
            error = "cannot write the title's program stream";
            result.outputFailed = octx->pb->error < 0;
            return result;
        }
        if (takeVideo)
            haveVideo = v.next();
        else
            haveAudio = a.next();
    }
    if (v.failed() || a.failed()) return result;
    if (av_write_trailer(octx) < 0 || (avio_flush(octx->pb), octx->pb->error < 0)) {
        error = "cannot write the title's program stream";
        result.outputFailed = octx->pb->error < 0;
        return result;
    }
    error.clear();
    result.written = true;
    result.chaptersOnVobus = chaptersBeginVobus(title, iPictures, vobuStarts);
    return result;
}

// The back end's own multiplex straight into the author. False with the reason, or with `again` when
// the title must go through mplex instead.
bool authorMuxed(const TitleFacts& title, const DiscSources& sources, const std::string& audio,
                 const AuthorAudio& audioFacts, const std::string& built, const DiscLog& log, bool& again,
                 std::string& error) {
    log("disc: multiplexing and authoring the DVD-Video folder");
    DvdAuthor author(built + "/VIDEO_TS", title, audioFacts);
    if (!author.begin(error)) return false;
    std::string muxError;
    const MuxResult muxed = muxTitle(title, sources.video, audio, author, muxError);
    if (!muxed.written) {
        // The author's reason when it refused what the muxer wrote (a full disk), else the muxer's own.
        error = muxed.outputFailed && !author.error().empty() ? author.error() : muxError;
        return false;
    }
    if (!author.finish(error)) return false;
    if (muxed.chaptersOnVobus) return true;
    log("disc: a chapter begins less than 0.4 s after the GOP before it: multiplexed again by mplex");
    std::error_code ec;
    fs::remove_all(built, ec);
    again = true;
    return false;
}

// mplex's program stream read from its output pipe into the author.
bool authorFromMplex(const TitleFacts& title, const DiscSources& sources, const std::string& audio,
                     const AuthorAudio& audioFacts, const WorkFolder& work, const std::string& built,
                     std::string& error) {
    DvdAuthor author(built + "/VIDEO_TS", title, audioFacts);
    if (!author.begin(error)) return false;
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        error = std::string("cannot start mplex: ") + std::strerror(errno);
        return false;
    }
    std::vector<std::string> args{"mplex", "-f", "8", "-V", "-o", "/dev/stdout", sources.video};
    if (!audio.empty()) args.push_back(audio);
    const pid_t mplex = startTool(args, work / "mplex.log", -1, error, ends[1]);
    close(ends[1]);
    bool taken = mplex >= 0;
    if (taken) {
        std::vector<std::uint8_t> buffer(1 << 16);
        for (;;) {
            const ssize_t n = read(ends[0], buffer.data(), buffer.size());
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            if (!author.take(buffer.data(), static_cast<std::size_t>(n))) {
                taken = false;
                break;
            }
        }
    }
    // Closed before the wait: an mplex still writing ends with a broken pipe instead of waiting.
    close(ends[0]);
    if (mplex < 0) return false;
    const bool muxed = finishTool(mplex, "mplex", work / "mplex.log", error);
    if (!taken) {
        error = author.error();
        return false;
    }
    return muxed && author.finish(error);
}

// The title's program stream and the DVD-Video folder `built` from it. The back end multiplexes it
// itself; mplex does it where the DVD muxer would lose a chapter: on an I picture sooner than the muxer
// begins a VOBU. Either way the packs go straight into the author: the program stream is never a file.
bool authorTitle(const TitleFacts& title, const DiscSources& sources, const std::string& audio,
                 const AuthorAudio& audioFacts, const WorkFolder& work, const std::string& built,
                 const DiscLog& log, std::string& error) {
    bool again = false;
    if (authorMuxed(title, sources, audio, audioFacts, built, log, again, error)) return true;
    if (!again) return false;
    return authorFromMplex(title, sources, audio, audioFacts, work, built, error);
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

// Room for the folder and the image, each about the stream's size, with a margin for the audio.
bool enoughSpace(const DiscRequest& request, const DiscSources& sources, std::string& error) {
    std::error_code ec;
    const auto video = fs::file_size(sources.video, ec);
    if (ec) return true;
    const double need = static_cast<double>(video) * 1.1 * (request.image.empty() ? 1 : 2);
    const auto space = fs::space(request.folder, ec);
    if (ec || static_cast<double>(space.available) >= need) return true;
    error = "not enough space for the disc in " + request.folder + ": " +
            std::to_string(static_cast<long long>(need / 1e6)) + " MB needed, " +
            std::to_string(space.available / 1000000) + " MB free";
    return false;
}

// A folder that is there and writable, or could be made: its nearest existing parent is a writable folder.
bool writableFolder(const std::string& folder) {
    std::error_code ec;
    fs::path at = fs::absolute(folder, ec);
    if (ec) return false;
    while (!fs::exists(fs::symlink_status(at, ec)) && at.has_parent_path() && at.parent_path() != at)
        at = at.parent_path();
    return fs::is_directory(at, ec) && access(at.c_str(), W_OK | X_OK) == 0;
}

} // namespace

bool checkDisc(const DiscRequest& request, const DiscSources& sources, std::string& error) {
    if (!request.audioFile.empty() && !platform::fileExists(request.audioFile)) {
        error = "audio file not found: " + request.audioFile;
        return false;
    }
    const std::string url = request.audioFile.empty() ? audioInput(sources.sourceFiles) : request.audioFile;
    AudioProbe p;
    if (!url.empty() && !probeAudio(url, request.audioFile.empty() ? request.audioTrack : 1, p, error))
        return false;
    if (const auto missing = missingDiscTool(p.hasAudio)) {
        error = *missing;
        return false;
    }
    if (!writableFolder(request.folder)) {
        error = "cannot create the DVD folder " + request.folder;
        return false;
    }
    const std::string imageFolder = fs::path(request.image).parent_path().string();
    if (!request.image.empty() && !writableFolder(imageFolder.empty() ? "." : imageFolder)) {
        error = "cannot create the folder of the image " + request.image;
        return false;
    }
    return true;
}

bool makeDisc(const DiscRequest& request, const TitleFacts& title, const DiscSources& sources,
              const DiscLog& log, std::string& error) {
    if (const auto missing = missingDiscTool(false)) {
        error = *missing;
        return false;
    }
    const bool existed = platform::folderExists(request.folder);
    if (!existed && !platform::makeFolders(request.folder)) {
        error = "cannot create the DVD folder " + request.folder;
        return false;
    }
    WorkFolder work(request.folder, !existed);
    if (!work.create(error) || !enoughSpace(request, sources, error)) return false;

    std::string audio;
    AuthorAudio audioFacts;
    if (!extractAudio(request, title, sources, work, log, audio, audioFacts, error)) return false;

    const std::string built = work / "disc";
    if (!authorTitle(title, sources, audio, audioFacts, work, built, log, error)) return false;

    std::error_code ec;
    std::string imageTemp;
    if (!request.image.empty()) {
        log("disc: writing the image");
        const fs::path parent = fs::path(request.image).parent_path();
        if (!parent.empty() && !platform::makeFolders(parent.string())) {
            error = "cannot create the folder of the image " + request.image;
            return false;
        }
        imageTemp = temporaryBeside(request.image);
        if (!writeDvdImage(built, imageTemp, volumeLabel(sources.video), error)) return false;
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
