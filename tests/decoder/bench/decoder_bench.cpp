// Speed of the decoder library and the indexer against FFmpeg on the same 720x576 MPEG-2 program
// stream, measured in one run; the ratios the decoder is held to are printed at the end:
//   sequential fetch speed / FFmpeg's single-threaded decode speed   (at least 0.9)
//   average random fetch time / time to decode one GOP                (at most 1.5)
//   indexing speed / FFmpeg's demuxing speed                          (at least 1.0)

#include "d2v_source.h"
#include "indexer.h"
#include "stream_maker.h"
#include "test_support.h"

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

struct Fixture {
    std::string stream, project;
    int frames = 0;
    std::int64_t bytes = 0;
};

const Fixture& fixture() {
    static const Fixture f = [] {
        test::StreamSpec s;
        s.container = test::Container::program;
        s.interlaced = true;
        s.frames = 300;
        s.gop = 12;
        s.quality = 3;
        Fixture x;
        x.stream = test::makeStream(s);
        x.project = test::scratchFolder("bench") + "/movie.d2v";
        test::indexProject({x.stream}, x.project, 2);
        x.frames = s.frames;
        x.bytes = static_cast<std::int64_t>(std::filesystem::file_size(x.stream));
        return x;
    }();
    return f;
}

std::unique_ptr<mpeg2::D2vSource> openSource() {
    std::string error;
    std::unique_ptr<mpeg2::D2vSource> source = mpeg2::D2vSource::open(fixture().project, error);
    if (!source) std::fprintf(stderr, "cannot open the project: %s\n", error.c_str());
    return source;
}

void SequentialFetch(benchmark::State& state) {
    const Fixture& f = fixture();
    for (auto _ : state) {
        std::unique_ptr<mpeg2::D2vSource> source = openSource();
        for (int n = 0; n < source->info().frameCount; ++n)
            benchmark::DoNotOptimize(source->frame(n));
    }
    state.SetItemsProcessed(state.iterations() * f.frames);
}

// FFmpeg's own way through the file: libavformat demuxing and one libavcodec thread.
void FfmpegDecode(benchmark::State& state) {
    const Fixture& f = fixture();
    for (auto _ : state) {
        int decoded = 0;
        mivo::test::decodeWithFfmpeg(
            f.stream, [&](const AVFrame&) { ++decoded; }, 1);
        benchmark::DoNotOptimize(decoded);
    }
    state.SetItemsProcessed(state.iterations() * f.frames);
}

void RandomFetch(benchmark::State& state) {
    std::unique_ptr<mpeg2::D2vSource> source = openSource();
    std::mt19937 random(42);
    std::uniform_int_distribution<int> pick(0, source->info().frameCount - 1);
    for (auto _ : state)
        benchmark::DoNotOptimize(source->frame(pick(random)));
    state.counters["seeks/fetch"] = benchmark::Counter(static_cast<double>(source->stats().seeks) /
                                                       static_cast<double>(state.iterations()));
}

// Decoding one whole GOP (12 coded frames) with libavcodec from a flushed decoder: the unit of work a
// random access is compared with.
void DecodeOneGop(benchmark::State& state) {
    const Fixture& f = fixture();
    AVFormatContext* fc = nullptr;
    avformat_open_input(&fc, f.stream.c_str(), nullptr, nullptr);
    avformat_find_stream_info(fc, nullptr);
    const int video = av_find_best_stream(fc, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    std::vector<AVPacket*> gop; // the second GOP: from its I picture to the next one
    int keys = 0;
    AVPacket* pkt = av_packet_alloc();
    while (av_read_frame(fc, pkt) >= 0 && keys < 3) {
        if (pkt->stream_index == video) {
            if (pkt->flags & AV_PKT_FLAG_KEY) ++keys;
            if (keys == 2) gop.push_back(av_packet_clone(pkt));
        }
        av_packet_unref(pkt);
    }
    const AVCodec* codec = avcodec_find_decoder(fc->streams[video]->codecpar->codec_id);
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(ctx, fc->streams[video]->codecpar);
    ctx->thread_count = 1;
    avcodec_open2(ctx, codec, nullptr);
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

void Index(benchmark::State& state) {
    const Fixture& f = fixture();
    for (auto _ : state) {
        d2vindex::IndexResult r = d2vindex::indexStreams({f.stream}, d2vindex::IndexOptions{});
        benchmark::DoNotOptimize(r.text.data());
    }
    state.SetBytesProcessed(state.iterations() * f.bytes);
}

// FFmpeg reading the file's video packets (with its parser, as av_read_frame does by default).
void FfmpegDemux(benchmark::State& state) {
    const Fixture& f = fixture();
    for (auto _ : state) {
        AVFormatContext* fc = nullptr;
        avformat_open_input(&fc, f.stream.c_str(), nullptr, nullptr);
        avformat_find_stream_info(fc, nullptr);
        AVPacket* pkt = av_packet_alloc();
        std::int64_t packets = 0;
        while (av_read_frame(fc, pkt) >= 0) {
            ++packets;
            av_packet_unref(pkt);
        }
        benchmark::DoNotOptimize(packets);
        av_packet_free(&pkt);
        avformat_close_input(&fc);
    }
    state.SetBytesProcessed(state.iterations() * f.bytes);
}

BENCHMARK(SequentialFetch)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(FfmpegDecode)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(RandomFetch)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(DecodeOneGop)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Index)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(FfmpegDemux)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Keeps the seconds per iteration of every benchmark so the ratios can be printed after the run.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.iterations <= 0) continue;
            const std::string name = r.benchmark_name().substr(0, r.benchmark_name().find('/'));
            real[name] = r.real_accumulated_time / static_cast<double>(r.iterations);
            cpu[name] = r.cpu_accumulated_time / static_cast<double>(r.iterations);
        }
    }
    std::map<std::string, double> real, cpu;
};

} // namespace

int main(int argc, char** argv) {
    av_log_set_level(AV_LOG_ERROR);
    fixture(); // make the stream before anything is timed
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    // On a machine shared with other work the processor time is the steadier measure; both are shown.
    auto ratio = [&](const char* what, const char* a, const char* b, const char* limit) {
        auto& r = reporter.real;
        auto& c = reporter.cpu;
        if (r.count(a) && r.count(b) && r[b] > 0 && c[b] > 0)
            std::printf("%-48s cpu %5.2f  real %5.2f  (%s)\n", what, c[a] / c[b], r[a] / r[b], limit);
    };
    std::printf("\n");
    ratio("sequential fetch speed / FFmpeg decode speed", "FfmpegDecode", "SequentialFetch", "at least 0.90");
    ratio("random fetch time / one GOP decode time", "RandomFetch", "DecodeOneGop", "at most 1.50");
    ratio("indexing speed / FFmpeg demuxing speed", "FfmpegDemux", "Index", "at least 1.00");
    benchmark::Shutdown();
    return 0;
}
