#include "test_support.h"

#include "base/whole_file.h"
#include "indexer.h"
#include "stream_maker.h"

#include <cstring>
#include <stdexcept>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

namespace mivo::test {

namespace {
// The muxers and the decoder report every oddity of the damaged streams the tests make on purpose.
const int quietLibraries = (av_log_set_level(AV_LOG_FATAL), 0);
} // namespace

std::string indexProject(const std::vector<std::string>& inputs, const std::string& projectPath, int fo) {
    d2vindex::IndexOptions options;
    options.fieldOperation = fo;
    options.projectPath = projectPath;
    d2vindex::IndexResult result = d2vindex::indexStreams(inputs, options);
    if (!result.ok) throw std::runtime_error("indexer: " + result.error);
    if (!writeWholeFile(projectPath, result.text)) throw std::runtime_error("cannot write " + projectPath);
    return result.text;
}

std::string withFieldOperation(const std::string& text, int fo) {
    std::string out = text;
    const std::size_t at = out.find("Field_Operation=");
    if (at != std::string::npos) out[at + 16] = static_cast<char>('0' + fo);
    return out;
}

std::uint64_t hashBytes(const std::uint8_t* data, std::size_t size) {
    // Eight bytes a step: the tests hash every frame several times.
    std::uint64_t h = 1469598103934665603ull ^ size;
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t v;
        std::memcpy(&v, data + i, 8);
        h = (h ^ v) * 1099511628211ull;
        h ^= h >> 29;
    }
    for (; i < size; ++i)
        h = (h ^ data[i]) * 1099511628211ull;
    return h;
}

std::vector<std::uint64_t> sequentialHashes(mpeg2::D2vSource& source) {
    std::vector<std::uint64_t> hashes;
    for (int n = 0; n < source.info().frameCount; ++n)
        hashes.push_back(hashBytes(source.frame(n), source.frameBytes()));
    return hashes;
}

namespace {

std::vector<std::uint8_t> layOut(const AVFrame* f) {
    const int w = f->width & ~1;
    std::vector<std::uint8_t> out;
    if (f->format == AV_PIX_FMT_YUV420P) {
        const int h = f->height & ~1;
        for (int y = 0; y < h; ++y)
            out.insert(out.end(), f->data[0] + y * f->linesize[0], f->data[0] + y * f->linesize[0] + w);
        for (int plane : {2, 1})
            for (int y = 0; y < h / 2; ++y)
                out.insert(out.end(), f->data[plane] + y * f->linesize[plane],
                           f->data[plane] + y * f->linesize[plane] + w / 2);
    } else { // 4:2:2 as YUY2
        for (int y = 0; y < f->height; ++y) {
            const std::uint8_t* Y = f->data[0] + y * f->linesize[0];
            const std::uint8_t* U = f->data[1] + y * f->linesize[1];
            const std::uint8_t* V = f->data[2] + y * f->linesize[2];
            for (int x = 0; x < w / 2; ++x) {
                out.push_back(Y[2 * x]);
                out.push_back(U[x]);
                out.push_back(Y[2 * x + 1]);
                out.push_back(V[x]);
            }
        }
    }
    return out;
}

} // namespace

void decodeWithFfmpeg(const std::string& path, const std::function<void(const AVFrame&)>& picture,
                      int threads) {
    AVFormatContext* fc = nullptr;
    if (avformat_open_input(&fc, path.c_str(), nullptr, nullptr) < 0)
        throw std::runtime_error("ffmpeg cannot open " + path);
    avformat_find_stream_info(fc, nullptr);
    const int video = av_find_best_stream(fc, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (video < 0) throw std::runtime_error("ffmpeg finds no video in " + path);
    const AVCodec* codec = avcodec_find_decoder(fc->streams[video]->codecpar->codec_id);
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(ctx, fc->streams[video]->codecpar);
    ctx->thread_count = threads;
    if (threads != 1) ctx->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    avcodec_open2(ctx, codec, nullptr);
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto receive = [&] {
        while (avcodec_receive_frame(ctx, frame) >= 0) {
            picture(*frame);
            av_frame_unref(frame);
        }
    };
    while (av_read_frame(fc, pkt) >= 0) {
        if (pkt->stream_index == video) {
            avcodec_send_packet(ctx, pkt);
            receive();
        }
        av_packet_unref(pkt);
    }
    avcodec_send_packet(ctx, nullptr);
    receive();
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&ctx);
    avformat_close_input(&fc);
}

std::vector<std::uint64_t> referenceHashes(const std::string& path) {
    std::vector<std::uint64_t> hashes;
    decodeWithFfmpeg(path, [&hashes](const AVFrame& frame) {
        const std::vector<std::uint8_t> bytes = layOut(&frame);
        hashes.push_back(hashBytes(bytes.data(), bytes.size()));
    });
    return hashes;
}

} // namespace mivo::test
