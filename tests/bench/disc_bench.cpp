// The steps after the encode (audio, multiplex, DVD folder, image) beside copying the bytes they leave
// behind (the VIDEO_TS folder and the image), in one run: they should cost little more than the copy.
// Each step's share comes from the moment its log line is written. The clip is a minute at a DVD
// bitrate: a clip that compresses to a few megabytes measures the tools' start-up, not their work.

#include "disc/disc_steps.h"
#include "stream_maker.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>

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
        const DiscLog log = [&](const std::string& line) {
            const char* next = stepOf(line);
            if (!next) return;
            steps[step].push_back(since(stepStart));
            step = next;
            stepStart = Clock::now();
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
}

} // namespace

BENCHMARK(BM_DiscSteps)->Unit(benchmark::kMillisecond)->Iterations(5)->UseManualTime();

BENCHMARK_MAIN();
