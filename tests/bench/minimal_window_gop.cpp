// The yardstick for start-up to the first frame: a Qt program that shows one empty window and decodes
// the first GOP (12 pictures) of an MPEG-2 elementary stream with libavcodec on one thread, then quits.
// Like the decoder library it loads libavcodec alone: its own parser splits the stream into pictures.
// usage: minimal_window_gop STREAM
extern "C" {
#include <libavcodec/avcodec.h>
}

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <vector>

namespace {

constexpr int kGopPictures = 12;

// The pictures decoded, up to the first GOP's; -1 when the stream cannot be read.
int decodeFirstGop(const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return -1;
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MPEG2VIDEO);
    AVCodecParserContext* parser = av_parser_init(AV_CODEC_ID_MPEG2VIDEO);
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    ctx->thread_count = 1;
    avcodec_open2(ctx, codec, nullptr);
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    std::vector<std::uint8_t> chunk(64 * 1024 + AV_INPUT_BUFFER_PADDING_SIZE);
    int pictures = 0;
    auto receive = [&] {
        while (avcodec_receive_frame(ctx, frame) >= 0)
            ++pictures;
    };
    for (std::size_t got = 0;
         pictures < kGopPictures && (got = std::fread(chunk.data(), 1, 64 * 1024, file)) > 0;) {
        const std::uint8_t* at = chunk.data();
        while (got > 0 && pictures < kGopPictures) {
            const int used = av_parser_parse2(parser, ctx, &pkt->data, &pkt->size, at, static_cast<int>(got),
                                              AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
            at += used;
            got -= static_cast<std::size_t>(used);
            if (pkt->size > 0 && avcodec_send_packet(ctx, pkt) >= 0) receive();
        }
    }
    std::fclose(file);
    av_frame_free(&frame);
    av_packet_free(&pkt);
    av_parser_close(parser);
    avcodec_free_context(&ctx);
    return pictures;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    QApplication app(argc, argv);
    QWidget window;
    window.show();
    if (decodeFirstGop(argv[1]) < kGopPictures) return 1;
    QTimer::singleShot(0, &app, [] { QApplication::exit(0); });
    return app.exec();
}
