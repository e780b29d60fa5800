// Speed of the video-file source against FFmpeg on the same 1080p H.264 clip, in one run; the ratios it
// is held to are printed at the end:
//   indexing speed / `ffmpeg -i FILE -map 0:v -c copy -f null -`             (at least 1.0)
//   sequential fetch speed / FFmpeg's decode speed, same thread count        (at least 0.9)
//   average random fetch time / time to decode one GOP                       (at most 1.5)
// and the index of a two-hour title at this frame rate, extrapolated        (under 20 MB).

#include "clip_maker.h"
#include "index_store.h"
#include "test_support.h"
#include "video_file_source.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <random>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace {

using namespace mivo;
namespace fs = std::filesystem;

struct Fixture {
    std::string clip; // 20 seconds, GOPs of 2 seconds with B pictures
    std::string film; // the same ten times over: what indexing is measured on
    int frames = 0;
};

const Fixture& fixture() {
    static const Fixture f = [] {
        Fixture x;
        x.clip = test::makeClip("bench_1080p.mkv", "-f lavfi -i testsrc2=s=1920x1080:r=25:d=20 -c:v libx264 "
                                                   "-preset veryfast -g 50 -bf 3");
        x.film = test::makeClip("bench_1080p_long.mkv", "-stream_loop 9 -i '" + x.clip + "' -c copy");
        std::string error;
        auto source = video::VideoFileSource::open(x.clip, {}, error);
        x.frames = source ? source->info().frameCount : 0;
        return x;
    }();
    return f;
}

std::unique_ptr<video::VideoFileSource> openSource(const std::string& path, int threads) {
    std::string error;
    video::OpenOptions options;
    options.threads = threads;
    auto source = video::VideoFileSource::open(path, options, error);
    if (!source) std::fprintf(stderr, "cannot open %s: %s\n", path.c_str(), error.c_str());
    return source;
}

void Index(benchmark::State& state) {
    const Fixture& f = fixture();
    for (auto _ : state) {
        fs::remove(video::indexBeside(f.film));
        benchmark::DoNotOptimize(openSource(f.film, 1));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fs::file_size(f.film)));
}

void FfmpegCopy(benchmark::State& state) {
    const Fixture& f = fixture();
    const std::string command = "ffmpeg -v error -i '" + f.film + "' -map 0:v -c copy -f null -";
    for (auto _ : state)
        if (test::run(command) != 0) state.SkipWithError("ffmpeg failed");
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fs::file_size(f.film)));
}

void SequentialFetch(benchmark::State& state) {
    const Fixture& f = fixture();
    for (auto _ : state) {
        auto source = openSource(f.clip, static_cast<int>(state.range(0)));
        for (int n = 0; n < source->info().frameCount; ++n)
            benchmark::DoNotOptimize(source->frame(n));
    }
    state.SetItemsProcessed(state.iterations() * f.frames);
}

AVCodecContext* openDecoder(AVFormatContext* fc, int video, int threads) {
    const AVCodec* codec = avcodec_find_decoder(fc->streams[video]->codecpar->codec_id);
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(ctx, fc->streams[video]->codecpar);
    ctx->thread_count = threads;
    ctx->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    avcodec_open2(ctx, codec, nullptr);
    return ctx;
}

// FFmpeg's own way through the file: libavformat demuxing, libavcodec decoding.
void FfmpegDecode(benchmark::State& state) {
    const Fixture& f = fixture();
    for (auto _ : state) {
        int decoded = 0;
        mivo::test::decodeWithFfmpeg(
            f.clip, [&](const AVFrame&) { ++decoded; }, static_cast<int>(state.range(0)));
        benchmark::DoNotOptimize(decoded);
    }
    state.SetItemsProcessed(state.iterations() * f.frames);
}

void RandomFetch(benchmark::State& state) {
    auto source = openSource(fixture().clip, 1);
    std::mt19937 random(42);
    std::uniform_int_distribution<int> pick(0, source->info().frameCount - 1);
    for (auto _ : state)
        benchmark::DoNotOptimize(source->frame(pick(random)));
    state.counters["seeks/fetch"] = benchmark::Counter(static_cast<double>(source->stats().seeks) /
                                                       static_cast<double>(state.iterations()));
}

// Decoding one whole GOP with libavcodec from a flushed decoder on one thread: the unit a random access
// is compared with.
void DecodeOneGop(benchmark::State& state) {
    AVFormatContext* fc = nullptr;
    avformat_open_input(&fc, fixture().clip.c_str(), nullptr, nullptr);
    avformat_find_stream_info(fc, nullptr);
    const int video = av_find_best_stream(fc, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    std::vector<AVPacket*> gop; // the second GOP: from its key packet to the next one
    int keys = 0;
    AVPacket* pkt = av_packet_alloc();
    while (av_read_frame(fc, pkt) >= 0 && keys < 3) {
        if (pkt->stream_index == video) {
            if (pkt->flags & AV_PKT_FLAG_KEY) ++keys;
            if (keys == 2) gop.push_back(av_packet_clone(pkt));
        }
        av_packet_unref(pkt);
    }
    AVCodecContext* ctx = openDecoder(fc, video, 1);
    AVFrame* frame = av_frame_alloc();
    for (auto _ : state) {
        avcodec_flush_buffers(ctx);
        for (AVPacket* p : gop) {
            avcodec_send_packet(ctx, p);
            while (avcodec_receive_frame(ctx, frame) >= 0)
                av_frame_unref(frame);
        }
        avcodec_send_packet(ctx, nullptr);
        while (avcodec_receive_frame(ctx, frame) >= 0)
            av_frame_unref(frame);
    }
    state.counters["pictures"] = static_cast<double>(gop.size());
    for (AVPacket*& p : gop)
        av_packet_free(&p);
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&ctx);
    avformat_close_input(&fc);
}

BENCHMARK(Index)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(FfmpegCopy)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(SequentialFetch)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly();
BENCHMARK(FfmpegDecode)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly();
BENCHMARK(RandomFetch)->Unit(benchmark::kMillisecond)->MinTime(5.0)->Repetitions(3)->ReportAggregatesOnly();
BENCHMARK(DecodeOneGop)->Unit(benchmark::kMillisecond)->MinTime(2.0)->Repetitions(3)->ReportAggregatesOnly();

// Keeps the median seconds per iteration of every benchmark so the ratios can be printed after the run.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Aggregate || r.aggregate_name != "median" || r.iterations <= 0)
                continue;
            std::string name =
                r.run_name.function_name + (r.run_name.args.empty() ? "" : "/" + r.run_name.args);
            real[name] = r.real_accumulated_time / static_cast<double>(r.iterations);
            cpu[name] = r.cpu_accumulated_time / static_cast<double>(r.iterations);
        }
    }
    std::map<std::string, double> real, cpu;
};

} // namespace

int main(int argc, char** argv) {
    av_log_set_level(AV_LOG_ERROR);
    const Fixture& f = fixture(); // make the clips before anything is timed
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto ratio = [&](const char* what, const std::string& a, const std::string& b, const char* limit) {
        auto& r = reporter.real;
        if (r.count(a) && r.count(b) && r[b] > 0)
            std::printf("%-58s %5.2f  (%s)\n", what, r[a] / r[b], limit);
    };
    std::printf("\nmedians, wall time\n");
    ratio("indexing speed / ffmpeg -c copy speed", "FfmpegCopy", "Index", "at least 1.00");
    ratio("sequential fetch speed / FFmpeg decode speed, 1 thread", "FfmpegDecode/1", "SequentialFetch/1",
          "at least 0.90");
    ratio("sequential fetch speed / FFmpeg decode speed, 2 threads", "FfmpegDecode/2", "SequentialFetch/2",
          "at least 0.90");
    ratio("random fetch time / one GOP decode time", "RandomFetch", "DecodeOneGop", "at most 1.50");
    // The index of the long clip, per frame, times the frames of two hours at its rate.
    auto film = openSource(f.film, 1);
    if (film) {
        const double perFrame =
            static_cast<double>(fs::file_size(video::indexBeside(f.film))) / film->info().frameCount;
        const double twoHours = 2 * 3600.0 * film->info().rateNum / film->info().rateDen;
        std::printf("%-58s %5.2f MB (under 20)\n", "index of a two-hour title, extrapolated",
                    perFrame * twoHours / 1e6);
    }
    benchmark::Shutdown();
    return 0;
}
