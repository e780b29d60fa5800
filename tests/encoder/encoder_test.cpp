// The encoder back end: the job it makes of an ini file, and whole runs of the program placed in a
// folder of its own beside a Mivo.ini, as the front-end starts it.

#include "encode_job.h"
#include "segment_plan.h"
#include "stream_maker.h"
#include "test_support.h"

#include "core/matrix/builtin_matrices.h"
#include "core/settings/ini_codec.h"
#include "core/whole_file.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace mivo::encoder {
namespace {

namespace fs = std::filesystem;
using test::readText;
using test::writeText;

// --- the job made of an ini text -----------------------------------------------------------

struct Planned {
    bool ok = false;
    EncodeJob job;
    std::string error;
};

Planned plan(const std::string& ini, const std::set<std::string>& existing) {
    SourceState source;
    auto settings = std::make_unique<Settings>(source);
    IniInputCheck check;
    check.fileExists = [&](const std::string& p) { return existing.count(p) > 0; };
    check.classify = [](const std::string&) { return IniInputOutcome::Accepted; };
    settings->setStartUpValues();
    settings->smp = true; // as the reset leaves it on a machine of two processors
    parseIni(ini, IniMode::Default, *settings, check);
    Planned p;
    p.ok = planJob(*settings, source, p.job, p.error);
    return p;
}

const std::string kFiles = "*INFILE /v/a.d2v\n*OUTFILE /v/a.m2v\n";

TEST(EncodeJob, SettingsBecomeDvdLimitedEncoderOptions) {
    const std::set<std::string> here{"/v/a.d2v"};

    // The defaults: two-pass VBR, 4000 of at most 8000 kbit/s, autogop 15 with 2 B-frames, 16:9.
    Planned p = plan(kFiles, here);
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_TRUE(p.job.twoPass);
    EXPECT_EQ(p.job.bitrateKbps, 4000);
    EXPECT_EQ(p.job.maxBitrateKbps, 8000);
    EXPECT_EQ(p.job.gopLength, 15);
    EXPECT_EQ(p.job.bFrames, 2);
    EXPECT_EQ(p.job.aspectRatio, 3);
    EXPECT_EQ(p.job.dcPrecision, 9);
    EXPECT_TRUE(p.job.logFile.empty());

    // Rates above the DVD ceiling come down to it; the average never exceeds the maximum.
    p = plan(kFiles + "*BITRATE 11000\n*MAXBITRATE 15000\n*1PASS\n*LOGFILE /v/a.log\n", here);
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.job.maxBitrateKbps, kDvdMaxBitrateKbps);
    EXPECT_EQ(p.job.bitrateKbps, kDvdMaxBitrateKbps);
    EXPECT_FALSE(p.job.twoPass);
    EXPECT_EQ(p.job.logFile, "/v/a.log");

    // Constant quantisation is one pass; *CQ_MAXBITRATE carries its own value.
    p = plan(kFiles + "*CQ_MAXBITRATE  3.5\n", here);
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_TRUE(p.job.constantQuant);
    EXPECT_FALSE(p.job.twoPass);
    EXPECT_FLOAT_EQ(p.job.quantiser, 3.5f);

    // GOP, B-frames, field order and the pan-scan aspect.
    p = plan(kFiles + "*GOP 36 3\n*B3\n*DVSOURCE\n*ASPECT 4:3\n*DC_PREC 11\n*CLOSEDGOPS\n", here);
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.job.gopLength, 36);
    EXPECT_EQ(p.job.bFrames, 3);
    EXPECT_EQ(p.job.scan, Scan::Interlaced);
    EXPECT_FALSE(p.job.topFieldFirst); // DV is bottom field first
    EXPECT_TRUE(p.job.closedGops);
    EXPECT_EQ(p.job.aspectRatio, 2);

    // Fitted to a DVD picture: GOP 15 at 25 fps, 18 at 29.97, DC precision 10; HD keeps both.
    EncodeJob pal = p.job, ntsc = p.job, hd = p.job;
    std::string error;
    ASSERT_TRUE(fitToSource(pal, {720, 576, 25, 1, 100}, error));
    EXPECT_EQ(pal.gopLength, 15);
    EXPECT_EQ(pal.dcPrecision, 10);
    EXPECT_EQ(jobFrameCount(pal), 100);
    ASSERT_TRUE(fitToSource(ntsc, {720, 480, 30000, 1001, 100}, error));
    EXPECT_EQ(ntsc.gopLength, 18);
    ASSERT_TRUE(fitToSource(hd, {1920, 1080, 25, 1, 100}, error));
    EXPECT_EQ(hd.gopLength, 36);
    EXPECT_EQ(hd.dcPrecision, 11);

    // B-frames stay below the GOP length; the frame range is held to the source.
    p = plan(kFiles + "*GOP 2 2\n*FRAMES 10 500\n", here);
    ASSERT_TRUE(p.ok) << p.error;
    ASSERT_TRUE(fitToSource(p.job, {720, 576, 25, 1, 100}, error));
    EXPECT_EQ(p.job.bFrames, 1);
    EXPECT_EQ(p.job.startFrame, 10);
    EXPECT_EQ(p.job.endFrame, 99);
    p = plan(kFiles + "*FRAMES 150 200\n", here);
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_FALSE(fitToSource(p.job, {720, 576, 25, 1, 100}, error));
    EXPECT_NE(error.find("no frame to encode"), std::string::npos) << error;

    // A time code's frame field stays below the frame rate.
    p = plan(kFiles + "*TIMECODE 1 2 3 40\n", here);
    ASSERT_TRUE(p.ok) << p.error;
    ASSERT_TRUE(fitToSource(p.job, {720, 480, 30000, 1001, 100}, error));
    EXPECT_EQ(p.job.timecode, (std::array<int, 4>{1, 2, 3, 29}));
}

// An ini block of 64 + 64 values, 16 to a line.
std::string customMatrixBlock(const MatrixPair& p) {
    std::string out = "*CUSTOMMATRIX\n";
    for (const MatrixValues* m : {&p.intra, &p.nonIntra})
        for (std::size_t i = 0; i < 64; ++i)
            out += std::to_string((*m)[i]) + (i % 16 == 15 ? "\n" : " ");
    return out;
}

TEST(EncodeJob, TheMatricesAreTheChosenBuiltInPairOrTheCustomOne) {
    const std::set<std::string> here{"/v/a.d2v"};
    MatrixPair mine;
    for (std::size_t i = 0; i < 64; ++i) {
        mine.intra[i] = 9 + static_cast<int>(i);
        mine.nonIntra[i] = 255 - static_cast<int>(i);
    }
    MatrixPair mineDc8 = mine;
    mineDc8.intra[0] = 8;
    const std::pair<std::string, const MatrixPair*> cases[] = {
        {"", &builtInMatrix(1)->pair},
        {"*MATRIX hvsbest\n", &builtInMatrix(9)->pair},
        {"*MATRIX mpegstd\n", &builtInMatrix(16)->pair},
        {"*MATRIX fancy\n", &builtInMatrix(1)->pair},
        {"*MATRIX rux2\n" + customMatrixBlock(mine), &mineDc8}, // the intra DC entry is always 8
    };
    for (const auto& [lines, expected] : cases) {
        const Planned p = plan(kFiles + lines, here);
        ASSERT_TRUE(p.ok) << p.error;
        EXPECT_EQ(p.job.intraMatrix, expected->intra) << lines;
        EXPECT_EQ(p.job.nonIntraMatrix, expected->nonIntra) << lines;
    }
}

TEST(EncodeJob, UnusableSettingsAreRefusedWithAReason) {
    const std::set<std::string> here{"/v/a.d2v", "/v/a.mkv"};
    const auto refused = [&](const std::string& ini, const std::string& reason) {
        const Planned p = plan(ini, here);
        EXPECT_FALSE(p.ok) << ini;
        EXPECT_NE(p.error.find(reason), std::string::npos) << p.error;
    };
    refused("*OUTFILE /v/a.m2v\n", "no input file");
    refused("*INFILE /v/gone.d2v\n*OUTFILE /v/a.m2v\n", "input file not found: /v/gone.d2v");
    refused("*INFILE /v/a.mkv\n*OUTFILE /v/a.m2v\n", "neither a D2V project (*.d2v) nor an Avisynth script");
    refused("*INFILE /v/a.d2v\n", "no output file");
    refused(kFiles + "*BITRATE 0\n", "*BITRATE must be at least 1");
    refused(kFiles + "*MAXBITRATE -5\n", "*MAXBITRATE must be at least 1");
    MatrixPair zero = builtInMatrix(1)->pair;
    zero.nonIntra[9] = 0;
    refused(kFiles + customMatrixBlock(zero), "*CUSTOMMATRIX values must lie in 1..255");
}

// --- whole runs of the program ----------------------------------------------------------------

struct Decoded {
    int width = 0, height = 0;
    AVCodecID codec = AV_CODEC_ID_NONE;
    std::vector<std::array<std::vector<std::uint8_t>, 3>> frames; // Y, U, V
};

// Every picture of a stream, decoded by FFmpeg.
Decoded decodeAll(const std::string& path) {
    Decoded out;
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0) return out;
    avformat_find_stream_info(fmt, nullptr);
    const AVCodecParameters* par = fmt->streams[0]->codecpar;
    out.codec = par->codec_id;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(ctx, par);
    ctx->thread_count = 1;
    avcodec_open2(ctx, codec, nullptr);
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    const auto receive = [&] {
        while (avcodec_receive_frame(ctx, frame) == 0) {
            out.width = frame->width;
            out.height = frame->height;
            std::array<std::vector<std::uint8_t>, 3> planes;
            for (int p = 0; p < 3; ++p) {
                const int w = p ? frame->width / 2 : frame->width, h = p ? frame->height / 2 : frame->height;
                for (int y = 0; y < h; ++y)
                    planes[p].insert(planes[p].end(), frame->data[p] + y * frame->linesize[p],
                                     frame->data[p] + y * frame->linesize[p] + w);
            }
            out.frames.push_back(std::move(planes));
            av_frame_unref(frame);
        }
    };
    while (av_read_frame(fmt, pkt) >= 0) {
        avcodec_send_packet(ctx, pkt);
        av_packet_unref(pkt);
        receive();
    }
    avcodec_send_packet(ctx, nullptr);
    receive();
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&ctx);
    avformat_close_input(&fmt);
    return out;
}

double meanDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    if (a.size() != b.size() || a.empty()) return 1e9;
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        sum += std::abs(int(a[i]) - int(b[i]));
    return sum / double(a.size());
}

// The header fields a DVD player checks, read from the elementary stream.
struct StreamHeaders {
    int aspectCode = -1, bitRateValue = -1, vbvSizeValue = -1, dcPrecision = -1;
    int gops = 0, closedGops = 0, longestGop = 0, pictures = 0, sequenceEnds = 0, progressiveSequence = -1;
    std::array<int, 4> firstTimecode{-1, -1, -1, -1}; // hour, minute, second, picture
    std::vector<int> gopTimecodeFrames, gopPictures; // each GOP's time code in frames at 25 fps, its pictures
    std::vector<std::int64_t>
        unitBytes; // each picture with the headers before it, as the decoder's buffer sees it
    bool endsWithSequenceEnd = false;
};

StreamHeaders readHeaders(const std::vector<std::uint8_t>& d) {
    StreamHeaders h;
    int inGop = 0;
    bool inSlices = false;
    std::size_t unitStart = 0;
    for (std::size_t i = 0; i + 8 < d.size(); ++i) {
        if (d[i] != 0 || d[i + 1] != 0 || d[i + 2] != 1) continue;
        const std::uint8_t* p = &d[i + 4];
        const int code = d[i + 3];
        if (inSlices && (code == 0xB3 || code == 0xB8 || code == 0x00 || code == 0xB7)) {
            h.unitBytes.push_back(static_cast<std::int64_t>(i - unitStart));
            unitStart = i;
        }
        inSlices = code >= 0x01 && code <= 0xAF ? true : code == 0xB5 || code == 0xB2 ? inSlices : false;
        switch (code) {
        case 0xB3: // sequence header
            h.aspectCode = p[3] >> 4;
            h.bitRateValue = (p[4] << 10) | (p[5] << 2) | (p[6] >> 6);
            h.vbvSizeValue = ((p[6] & 0x1F) << 5) | (p[7] >> 3);
            break;
        case 0xB8: // GOP header
            if (h.gops++ == 0)
                h.firstTimecode = {(p[0] >> 2) & 0x1F, ((p[0] & 3) << 4) | (p[1] >> 4),
                                   ((p[1] & 7) << 3) | (p[2] >> 5), ((p[2] & 0x1F) << 1) | (p[3] >> 7)};
            h.closedGops += (p[3] >> 6) & 1;
            h.gopTimecodeFrames.push_back(
                ((((p[0] >> 2) & 0x1F) * 60 + (((p[0] & 3) << 4) | (p[1] >> 4))) * 60 +
                 (((p[1] & 7) << 3) | (p[2] >> 5))) *
                    25 +
                (((p[2] & 0x1F) << 1) | (p[3] >> 7)));
            h.gopPictures.push_back(0);
            inGop = 0;
            break;
        case 0x00: // picture
            ++h.pictures;
            h.longestGop = std::max(h.longestGop, ++inGop);
            if (!h.gopPictures.empty()) ++h.gopPictures.back();
            break;
        case 0xB5: // picture coding extension
            if ((p[0] >> 4) == 8) h.dcPrecision = 8 + ((p[2] >> 2) & 3);
            if ((p[0] >> 4) == 1) h.progressiveSequence = (p[1] >> 3) & 1;
            break;
        default:
            break;
        }
    }
    for (std::size_t i = 0; i + 3 < d.size(); ++i)
        h.sequenceEnds += d[i] == 0 && d[i + 1] == 0 && d[i + 2] == 1 && d[i + 3] == 0xB7;
    if (inSlices) h.unitBytes.push_back(static_cast<std::int64_t>(d.size() - unitStart));
    h.endsWithSequenceEnd = d.size() >= 4 && d[d.size() - 4] == 0 && d[d.size() - 3] == 0 &&
                            d[d.size() - 2] == 1 && d[d.size() - 1] == 0xB7;
    return h;
}

// The two matrices the first sequence header loads, in raster order; the stream holds them in zigzag
// scan order. A matrix the header does not load stays all 0.
MatrixPair sequenceMatrices(const std::vector<std::uint8_t>& d) {
    std::array<std::size_t, 64> zigzag{}; // scan position -> raster index, walking the anti-diagonals
    for (std::size_t s = 0, n = 0; s < 15; ++s)
        for (std::size_t k = 0; k <= s; ++k) {
            const std::size_t y = s % 2 == 0 ? s - k : k, x = s - y;
            if (x < 8 && y < 8) zigzag[n++] = y * 8 + x;
        }
    MatrixPair out{};
    for (std::size_t i = 0; i + 4 < d.size(); ++i) {
        if (d[i] != 0 || d[i + 1] != 0 || d[i + 2] != 1 || d[i + 3] != 0xB3) continue;
        std::size_t bit = (i + 4) * 8 + 62; // past size, aspect, rate, bitrate, marker, VBV size, flag
        const auto read = [&](int n) {
            int v = 0;
            for (; n > 0; --n, ++bit)
                v = (v << 1) | (bit / 8 < d.size() ? (d[bit / 8] >> (7 - bit % 8)) & 1 : 0);
            return v;
        };
        for (MatrixValues* m : {&out.intra, &out.nonIntra})
            if (read(1))
                for (std::size_t k = 0; k < 64; ++k)
                    (*m)[zigzag[k]] = read(8);
        break;
    }
    return out;
}

// A program folder of the encoder's own: the program under its contract name and the decoder library.
struct EncoderFolder {
    std::string dir;
    explicit EncoderFolder(const std::string& name) : dir(test::scratchFolder(name)) {
        fs::copy_file(MIVO_ENCODER_PROGRAM, dir + "/Dazuzer_024.exe");
        fs::create_directories(dir + "/DGDecode");
        fs::copy_file(MIVO_DECODER_LIBRARY, dir + "/DGDecode/DGDecode16.dll");
    }
    std::string path(const std::string& name) const { return dir + "/" + name; }
    // Starts the encoder with no arguments in its folder; its exit code, stderr kept.
    int run(const std::string& processors = "2") const {
        const std::string command = "cd '" + dir + "' && NUMBER_OF_PROCESSORS=" + processors +
                                    " ./Dazuzer_024.exe > stdout.txt 2> stderr.txt";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string errors() const { return readText(path("stderr.txt")); }
};

std::string projectOf(const test::StreamSpec& spec, const EncoderFolder& folder) {
    const std::string stream = test::makeStream(spec);
    const std::string project = folder.path("source.d2v");
    test::indexProject({stream}, project);
    return project;
}

TEST(EncoderProgram, TwoPassEncodeGivesADvdStreamOfTheChosenFrames) {
    EncoderFolder folder("encoder-two-pass");
    test::StreamSpec spec;
    spec.frames = 36;
    const std::string project = projectOf(spec, folder);
    writeText(folder.path("Mivo.ini"), "*INFILE           " + project + "\r\n*OUTFILE          " +
                                           folder.path("out.m2v") + "\r\n*LOGFILE          " +
                                           folder.path("enc.log") +
                                           "\r\n*BITRATE          6000\r\n*MAXBITRATE       12000\r\n"
                                           "*FRAMES           3 32\r\n*ASPECT           4:3\r\n"
                                           "*GOP              12 2\r\n*DC_PREC          10\r\n"
                                           "*CLOSEDGOPS\r\n*PROGRESSIVE\r\n*TIMECODE        1  2  3  4\r\n"
                                           "*MATRIX           notch\r\n");
    ASSERT_EQ(folder.run(), 0) << folder.errors();

    const Decoded out = decodeAll(folder.path("out.m2v"));
    EXPECT_EQ(out.codec, AV_CODEC_ID_MPEG2VIDEO);
    EXPECT_EQ(out.width, 720);
    EXPECT_EQ(out.height, 576);
    ASSERT_EQ(out.frames.size(), 30u);

    // Each output frame is its source frame, planes in their places (a chroma swap or an offset by one
    // frame shows as a large difference).
    const Decoded source = decodeAll(test::makeStream(spec));
    ASSERT_EQ(source.frames.size(), 36u);
    for (std::size_t k = 0; k < out.frames.size(); k += 7)
        for (int p = 0; p < 3; ++p)
            EXPECT_LT(meanDifference(out.frames[k][p], source.frames[k + 3][p]), 4.0)
                << "frame " << k << " plane " << p;
    EXPECT_GT(meanDifference(out.frames[0][0], source.frames[4][0]), 4.0);

    const StreamHeaders h = readHeaders(test::readFile(folder.path("out.m2v")));
    EXPECT_EQ(h.aspectCode, 2);               // 4:3
    EXPECT_EQ(h.bitRateValue, 9800000 / 400); // the DVD ceiling, not the ini's 12000
    EXPECT_EQ(h.vbvSizeValue, kDvdVbvBufferBits / 16384);
    EXPECT_EQ(h.dcPrecision, 10);
    EXPECT_EQ(h.pictures, 30);
    EXPECT_GE(h.gops, 3);
    EXPECT_EQ(h.closedGops, h.gops);
    EXPECT_LE(h.longestGop, 12);
    EXPECT_TRUE(h.endsWithSequenceEnd);
    EXPECT_EQ(h.firstTimecode, (std::array<int, 4>{1, 2, 3, 4}));
    EXPECT_EQ(sequenceMatrices(test::readFile(folder.path("out.m2v"))), builtInMatrix(3)->pair);

    const std::string log = readText(folder.path("enc.log"));
    EXPECT_NE(log.find("pass 2 of 2"), std::string::npos) << log;
    EXPECT_NE(log.find("lowered to the DVD limit 9800"), std::string::npos) << log;
    EXPECT_NE(log.find("done: 30 frames"), std::string::npos) << log;
    EXPECT_FALSE(fs::exists(temporaryBeside(folder.path("out.m2v"))));
}

TEST(EncoderProgram, OnePassAndConstantQuantiserUseTheLibraryBesideTheProgram) {
    EncoderFolder folder("encoder-one-pass");
    test::StreamSpec spec;
    spec.frames = 24;
    spec.interlaced = true;
    spec.bottomFirst = true;
    const std::string project = projectOf(spec, folder);
    // The front-end's copy beside the program wins over the DGDecode folder.
    fs::remove(folder.path("DGDecode/DGDecode16.dll"));
    fs::copy_file(MIVO_DECODER_LIBRARY, folder.path("DGDecode.dll"));
    const std::string files = "*INFILE  " + project + "\n*OUTFILE " + folder.path("out.m2v") + "\n";

    writeText(folder.path("Mivo.ini"), files + "*1PASS\n*INTERLACED\n*BFF\n*NOSEQ_ENDCODE\n");
    ASSERT_EQ(folder.run(), 0) << folder.errors();
    Decoded out = decodeAll(folder.path("out.m2v"));
    EXPECT_EQ(out.codec, AV_CODEC_ID_MPEG2VIDEO);
    EXPECT_EQ(out.frames.size(), 24u);
    EXPECT_FALSE(readHeaders(test::readFile(folder.path("out.m2v"))).endsWithSequenceEnd);

    writeText(folder.path("Mivo.ini"), files + "*CQ 2\n");
    ASSERT_EQ(folder.run(), 0) << folder.errors();
    const auto fine = fs::file_size(folder.path("out.m2v"));
    writeText(folder.path("Mivo.ini"), files + "*CQ 20\n");
    ASSERT_EQ(folder.run(), 0) << folder.errors();
    const auto coarse = fs::file_size(folder.path("out.m2v"));
    EXPECT_GT(fine, coarse * 2); // the quantiser really reaches the encoder
    out = decodeAll(folder.path("out.m2v"));
    EXPECT_EQ(out.frames.size(), 24u);
}

TEST(EncoderProgram, AutoDetectFollowsTheSourceAndBetterProfilesSpendFewerBitsOnOneQuantiser) {
    EncoderFolder folder("encoder-scan-profile");
    for (const bool interlaced : {false, true}) {
        test::StreamSpec spec;
        spec.frames = 24;
        spec.interlaced = interlaced;
        const std::string files = "*INFILE  " + projectOf(spec, folder) + "\n*OUTFILE " +
                                  folder.path("out.m2v") + "\n*BITRATE 4000\n";
        writeText(folder.path("Mivo.ini"), files);
        ASSERT_EQ(folder.run(), 0) << folder.errors();
        const std::vector<std::uint8_t> detected = test::readFile(folder.path("out.m2v"));
        EXPECT_EQ(readHeaders(detected).progressiveSequence, interlaced ? 0 : 1);
        // "Auto detect" codes exactly as the matching explicit choice does.
        writeText(folder.path("Mivo.ini"), files + (interlaced ? "*INTERLACED\n" : "*PROGRESSIVE\n"));
        ASSERT_EQ(folder.run(), 0) << folder.errors();
        EXPECT_TRUE(test::readFile(folder.path("out.m2v")) == detected) << interlaced;
    }
    // Each profile reaches the encoder; trellis quantisation with rate-distortion decisions codes the
    // same quantiser in fewer bits than the plain decisions.
    std::map<std::string, std::vector<std::uint8_t>> coded;
    for (const char* profile : {"fast", "normal", "best"}) {
        writeText(folder.path("Mivo.ini"), "*INFILE  " + folder.path("source.d2v") + "\n*OUTFILE " +
                                               folder.path("out.m2v") + "\n*CQ 4\n*PROFILE " + profile +
                                               "\n");
        ASSERT_EQ(folder.run(), 0) << folder.errors();
        coded[profile] = test::readFile(folder.path("out.m2v"));
    }
    EXPECT_NE(coded["normal"], coded["fast"]);
    EXPECT_LT(coded["best"].size(), coded["fast"].size());
}

TEST(EncoderProgram, SegmentsEncodedSideBySideJoinIntoTheStreamOneThreadWrites) {
    EncoderFolder folder("encoder-segments");
    test::StreamSpec spec;
    spec.width = 352;
    spec.height = 288;
    spec.frames = 197;
    const int kbps = 1200, frames = 194;
    const std::string ini = "*INFILE  " + projectOf(spec, folder) + "\n*OUTFILE " + folder.path("out.m2v") +
                            "\n*LOGFILE " + folder.path("enc.log") + "\n*BITRATE " + std::to_string(kbps) +
                            "\n*MAXBITRATE 2000\n*FRAMES 2 195\n*GOP 12 2\n*TIMECODE 10 0 0 0\n";
    writeText(folder.path("Mivo.ini"), ini + "*NOSMP\n");
    ASSERT_EQ(folder.run(), 0) << folder.errors();
    const std::vector<std::uint8_t> oneThread = test::readFile(folder.path("out.m2v"));
    writeText(folder.path("Mivo.ini"), ini);
    ASSERT_EQ(folder.run(), 0) << folder.errors();
    EXPECT_NE(readText(folder.path("enc.log")).find("segments: 2, threads: 2"), std::string::npos)
        << readText(folder.path("enc.log"));
    const std::vector<std::uint8_t> stream = test::readFile(folder.path("out.m2v"));
    EXPECT_TRUE(stream == oneThread);

    // Every frame in its place, those beside the joins too.
    const Decoded out = decodeAll(folder.path("out.m2v")), source = decodeAll(test::makeStream(spec));
    ASSERT_EQ(out.frames.size(), std::size_t(frames));
    for (std::size_t k = 0; k < out.frames.size(); ++k)
        EXPECT_LT(meanDifference(out.frames[k][0], source.frames[k + 2][0]), 4.0) << k;

    // One stream: closed GOPs at the joins, time codes running on, one sequence end, the target
    // bitrate, and no picture the decoder's buffer cannot hold when it is due.
    const StreamHeaders h = readHeaders(stream);
    EXPECT_GE(h.closedGops, 2);
    EXPECT_EQ(h.sequenceEnds, 1);
    EXPECT_TRUE(h.endsWithSequenceEnd);
    ASSERT_EQ(h.gopTimecodeFrames.size(), h.gopPictures.size());
    for (std::size_t g = 1; g < h.gopTimecodeFrames.size(); ++g)
        EXPECT_EQ(h.gopTimecodeFrames[g], h.gopTimecodeFrames[g - 1] + h.gopPictures[g - 1]) << g;
    EXPECT_EQ(h.gopTimecodeFrames.front(), 10 * 3600 * 25);
    // The test pattern's bits answer the quantiser weakly, which libavcodec's two-pass model does not
    // foresee: short segments overspend it by a few percent (natural pictures land within 2.5 %).
    EXPECT_NEAR(double(stream.size()) * 8 / (frames / 25.0) / 1000, kbps, kbps * 0.08);
    ASSERT_EQ(h.unitBytes.size(), std::size_t(frames));
    bool underflow = false;
    vbvLevelAfter({double(kDvdVbvBufferBits), 2000000.0 / 25}, kDvdVbvBufferBits * 0.75, h.unitBytes,
                  underflow);
    EXPECT_FALSE(underflow);
}

TEST(EncoderProgram, FailuresEndNonZeroWithAMessageAndLeaveTheOldOutput) {
    EncoderFolder folder("encoder-failures");
    test::StreamSpec spec;
    spec.frames = 12;
    const std::string project = projectOf(spec, folder);
    writeText(folder.path("out.m2v"), "earlier output");
    const std::string out =
        "*OUTFILE " + folder.path("out.m2v") + "\n*LOGFILE " + folder.path("enc.log") + "\n";

    const auto fails = [&](const std::string& reason) {
        EXPECT_EQ(folder.run(), 1) << reason;
        EXPECT_NE(folder.errors().find(reason), std::string::npos) << folder.errors();
        EXPECT_EQ(readText(folder.path("out.m2v")), "earlier output");
        EXPECT_FALSE(fs::exists(temporaryBeside(folder.path("out.m2v"))));
    };

    fails("Mivo.ini not found");
    writeText(folder.path("Mivo.ini"), out + "*INFILE " + project + "\n*BITRATE six\n");
    fails("error processing ini file:: *BITRATE");
    writeText(folder.path("Mivo.ini"), out + "*INFILE " + folder.path("gone.d2v") + "\n");
    fails("input file not found");
    EXPECT_NE(readText(folder.path("enc.log")).find("ERROR: input file not found"), std::string::npos);
    writeText(folder.path("script.avs"), "Version()\n");
    writeText(folder.path("Mivo.ini"), out + "*INFILE " + folder.path("script.avs") + "\n");
    fails("no frame server (AviSynth+ libavisynth.so) found");
    writeText(folder.path("Mivo.ini"), out + "*INFILE " + project + "\n*FRAMES 40 50\n");
    fails("leaves no frame to encode");
    // libavcodec's two-pass rate control aborts the process when it refuses a bitrate; asked first,
    // the refusal is a message.
    writeText(folder.path("Mivo.ini"), out + "*INFILE " + project + "\n*BITRATE 20\n");
    fails("finds no quantisers");

    // A project whose video file is gone, and one of a version without a library.
    writeText(folder.path("broken.d2v"), "DGIndexProjectFile16\n1\n" + folder.path("nothing.m2v") + "\n\n");
    writeText(folder.path("Mivo.ini"), out + "*INFILE " + folder.path("broken.d2v") + "\n");
    fails("video files that cannot be found");
    std::string old = readText(project);
    old.replace(old.find("16"), 2, "99");
    writeText(folder.path("old.d2v"), old);
    writeText(folder.path("Mivo.ini"), out + "*INFILE " + folder.path("old.d2v") + "\n");
    fails("no decoder library for D2V project version 99");

    // A library that is not one.
    fs::remove(folder.path("DGDecode/DGDecode16.dll"));
    writeText(folder.path("DGDecode.dll"), "not a library");
    writeText(folder.path("Mivo.ini"), out + "*INFILE " + project + "\n");
    fails("cannot load the decoder library");
}

} // namespace
} // namespace mivo::encoder
