// The steps after the encode (audio, multiplex, DVD folder, image) beside copying the bytes they leave
// behind (the VIDEO_TS folder and the image), in one run: they should cost little more than the copy.

#include "disc/disc_steps.h"
#include "stream_maker.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>

namespace {

namespace fs = std::filesystem;
using namespace mivo::encoder::disc;

constexpr int kSeconds = 60;

// A minute of DVD video with its source program stream (MPEG audio, copied onto a PAL disc).
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
            " -c:v mpeg2video -b:v 6M -maxrate 8M -bufsize 1835k -g 12 -bf 2 -sc_threshold 1000000000 -c:a "
            "mp2 "
            "-f vob '" +
            source + "' && ffmpeg -nostdin -loglevel error -y -i '" + source +
            "' -map 0:v -c copy -f mpeg2video '" + video + "'";
        ok = std::system(make.c_str()) == 0;
    }
};

double median(std::vector<double> v) {
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

template <class F> double seconds(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
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
    std::vector<double> disc, copy;
    double bytes = 0;
    for (auto _ : state) {
        fs::remove_all(request.folder);
        fs::remove(request.image);
        fs::remove_all(media.dir + "/copy");
        std::string error;
        bool made = false;
        disc.push_back(seconds([&] {
            made = makeDisc(
                request, title, sources, [](const std::string&) {}, error);
        }));
        if (!made) {
            state.SkipWithError(error.c_str());
            return;
        }
        bytes = static_cast<double>(fs::file_size(request.image));
        for (const auto& e : fs::directory_iterator(request.folder + "/VIDEO_TS"))
            bytes += static_cast<double>(e.file_size());
        copy.push_back(seconds([&] {
            fs::create_directories(media.dir + "/copy");
            fs::copy(request.folder, media.dir + "/copy/dvd", fs::copy_options::recursive);
            fs::copy_file(request.image, media.dir + "/copy/dvd.iso");
        }));
        state.SetIterationTime(disc.back());
    }
    state.counters["disc_ms"] = median(disc) * 1e3;
    state.counters["copy_ms"] = median(copy) * 1e3;
    state.counters["written_MB"] = bytes / 1e6;
    state.counters["disc_over_copy"] = median(disc) / median(copy);
}

} // namespace

BENCHMARK(BM_DiscSteps)->Unit(benchmark::kMillisecond)->Iterations(5)->UseManualTime();

BENCHMARK_MAIN();
