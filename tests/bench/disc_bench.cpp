// The steps after the encode (audio, multiplex, DVD folder, image) beside copying the bytes they leave
// behind (the VIDEO_TS folder and the image), in one run: they should cost little more than the copy.
// Each step's share comes from the moment its log line is written. The clip is a minute at a DVD
// bitrate: a clip that compresses to a few megabytes measures the tools' start-up, not their work.

#include "disc/disc_steps.h"
#include "disc/video_pictures.h"
#include "stream_maker.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
}

namespace {

namespace fs = std::filesystem;
using namespace mivo::encoder::disc;
using Clock = std::chrono::steady_clock;

constexpr int kSeconds = 60;

// A minute of DVD video (about 5 Mbit/s: noise keeps the encoder from squeezing the test pattern) with
// its source program stream (MPEG audio, copied onto a PAL disc).
struct Media {
    std::string dir, video, source;
    bool ok = false;
    Media() : dir(mivo::test::scratchFolder("disc_bench")) {
        video = dir + "/title.m2v";
        source = dir + "/source.vob";
        const std::string seconds = std::to_string(kSeconds);
        const std::string make =
            "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=size=720x576:rate=25:duration=" +
            seconds + " -f lavfi -i sine=sample_rate=48000:duration=" + seconds +
            " -vf noise=alls=12:allf=t -c:v mpeg2video -b:v 5M -maxrate 7M -bufsize 1835k -rc_init_occupancy "
            "1000k -g 12 -bf 2 -sc_threshold 1000000000 -c:a mp2 -f vob '" +
            source + "' && ffmpeg -nostdin -loglevel error -y -i '" + source +
            "' -map 0:v -c copy -f mpeg2video '" + video + "'";
        ok = std::system(make.c_str()) == 0;
    }
};

double median(std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

double since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// This process's processor time so far, all its threads, without the tools it started.
double ownProcessorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The step a log line starts; the steps run in this order.
const char* stepOf(const std::string& line) {
    if (line.rfind("disc: audio", 0) == 0 || line.rfind("disc: the source", 0) == 0) return nullptr;
    if (line == "disc: multiplexing" || line == "disc: multiplexing and authoring the DVD-Video folder")
        return "mux_author";
    if (line == "disc: authoring the DVD-Video folder") return "author";
    if (line == "disc: writing the image") return "image";
    return "end";
}

void BM_DiscSteps(benchmark::State& state) {
    static const Media media;
    if (!media.ok) {
        state.SkipWithError("no media (is the ffmpeg package installed?)");
        return;
    }
    const DiscRequest request{media.dir + "/dvd", media.dir + "/dvd.iso", "", 1};
    TitleFacts title;
    title.frameCount = kSeconds * 25;
    title.chapters = {0, 300, 750, 1200};
    const DiscSources sources{media.video, {media.source}, true};
    std::vector<double> disc, copy, imageCopy; // imageCopy: the image's bytes alone, for the image step
    std::map<std::string, std::vector<double>> steps; // seconds of each step, one entry per run
    std::vector<double> titleCopy;                    // copying the title's program stream alone
    double bytes = 0;
    for (auto _ : state) {
        fs::remove_all(request.folder);
        fs::remove(request.image);
        fs::remove_all(media.dir + "/copy");
        std::string error;
        bool made = false;
        const auto start = Clock::now();
        std::string step = "audio";
        auto stepStart = start;
        double stepProcessor = ownProcessorSeconds();
        const DiscLog log = [&](const std::string& line) {
            const char* next = stepOf(line);
            if (!next) return;
            steps[step].push_back(since(stepStart));
            steps[step + "_own_cpu"].push_back(ownProcessorSeconds() - stepProcessor);
            step = next;
            stepStart = Clock::now();
            stepProcessor = ownProcessorSeconds();
        };
        made = makeDisc(request, title, sources, log, error);
        disc.push_back(since(start));
        if (!made) {
            state.SkipWithError(error.c_str());
            return;
        }
        bytes = static_cast<double>(fs::file_size(request.image));
        for (const auto& e : fs::directory_iterator(request.folder + "/VIDEO_TS"))
            bytes += static_cast<double>(e.file_size());
        const auto copyStart = Clock::now();
        fs::create_directories(media.dir + "/copy");
        fs::copy(request.folder, media.dir + "/copy/dvd", fs::copy_options::recursive);
        const auto imageCopyStart = Clock::now();
        fs::copy_file(request.image, media.dir + "/copy/dvd.iso");
        imageCopy.push_back(since(imageCopyStart));
        copy.push_back(since(copyStart));
        const auto titleStart = Clock::now();
        fs::copy_file(request.folder + "/VIDEO_TS/VTS_01_1.VOB", media.dir + "/copy/title.vob");
        titleCopy.push_back(since(titleStart));
        state.SetIterationTime(disc.back());
    }
    state.counters["disc_ms"] = median(disc) * 1e3;
    state.counters["copy_ms"] = median(copy) * 1e3;
    for (const auto& [name, times] : steps)
        state.counters[name + "_ms"] = median(times) * 1e3;
    state.counters["written_MB"] = bytes / 1e6;
    state.counters["disc_over_copy"] = median(disc) / median(copy);
    state.counters["image_copy_ms"] = median(imageCopy) * 1e3;
    if (steps.count("image"))
        state.counters["image_over_its_copy"] = median(steps["image"]) / median(imageCopy);
    state.counters["title_copy_ms"] = median(titleCopy) * 1e3;
}

// The encoded video's pictures with their time stamps, as the multiplexer takes them: through
// libavformat's raw demuxer and parser, and through our own reading of the stream, beside a plain read
// of its bytes, in one run.
void BM_VideoPictures(benchmark::State& state) {
    static const Media media;
    if (!media.ok) {
        state.SkipWithError("no media (is the ffmpeg package installed?)");
        return;
    }
    std::vector<double> demuxed, split, read;
    std::size_t pictures = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        AVFormatContext* ctx = nullptr;
        if (avformat_open_input(&ctx, media.video.c_str(), nullptr, nullptr) < 0) {
            state.SkipWithError("libavformat cannot read the title");
            return;
        }
        ctx->flags |= AVFMT_FLAG_GENPTS;
        avformat_find_stream_info(ctx, nullptr);
        AVPacket* packet = av_packet_alloc();
        std::size_t packets = 0;
        while (av_read_frame(ctx, packet) >= 0) {
            ++packets;
            av_packet_unref(packet);
        }
        av_packet_free(&packet);
        avformat_close_input(&ctx);
        demuxed.push_back(since(start));

        start = Clock::now();
        {
            const MappedFile file(media.video);
            SplitVideo video;
            std::string why;
            if (!splitPictures(file.data(), file.size(), video, why) || video.pictures.size() != packets) {
                state.SkipWithError(("our split differs: " + why).c_str());
                return;
            }
            pictures = video.pictures.size();
        }
        split.push_back(since(start));

        start = Clock::now();
        const int fd = open(media.video.c_str(), O_RDONLY);
        std::vector<char> buffer(1 << 20);
        while (::read(fd, buffer.data(), buffer.size()) > 0) {
        }
        close(fd);
        read.push_back(since(start));
        state.SetIterationTime(split.back());
    }
    state.counters["libavformat_ms"] = median(demuxed) * 1e3;
    state.counters["split_ms"] = median(split) * 1e3;
    state.counters["read_ms"] = median(read) * 1e3;
    state.counters["pictures"] = static_cast<double>(pictures);
    state.counters["split_over_read"] = median(split) / median(read);
}

} // namespace

BENCHMARK(BM_DiscSteps)->Unit(benchmark::kMillisecond)->Iterations(5)->UseManualTime();
BENCHMARK(BM_VideoPictures)->Unit(benchmark::kMillisecond)->Iterations(5)->UseManualTime();

BENCHMARK_MAIN();
