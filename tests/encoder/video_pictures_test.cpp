// The encoded video's pictures for the multiplexer, found by our own reading of the stream, against the
// packets libavformat's raw demuxer and parser give with generated time stamps: the same bytes, I
// pictures and stamps for every kind of stream the encoder writes, and a refusal for the others.

#include "disc/video_pictures.h"
#include "stream_maker.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

extern "C" {
#include <libavformat/avformat.h>
}

namespace mivo::encoder::disc {
namespace {

using mivo::test::Pulldown;
using mivo::test::StreamSpec;

struct Packet {
    std::uint64_t offset = 0;
    std::uint32_t size = 0;
    bool key = false;
    std::int64_t pts = 0, dts = 0, duration = 0;
    bool operator==(const Packet&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Packet& p) {
    return out << "{at " << p.offset << " size " << p.size << (p.key ? " I" : "") << " pts " << p.pts
               << " dts " << p.dts << " duration " << p.duration << "}";
}

// What the multiplexer read before: libavformat's packets on the 90 kHz clock.
std::vector<Packet> libavformatPackets(const std::string& path) {
    std::vector<Packet> packets;
    AVFormatContext* ctx = nullptr;
    if (avformat_open_input(&ctx, path.c_str(), nullptr, nullptr) < 0) return packets;
    ctx->flags |= AVFMT_FLAG_GENPTS;
    avformat_find_stream_info(ctx, nullptr);
    AVPacket* pkt = av_packet_alloc();
    std::uint64_t offset = 0;
    while (av_read_frame(ctx, pkt) >= 0) {
        av_packet_rescale_ts(pkt, ctx->streams[0]->time_base, {1, 90000});
        packets.push_back({offset, static_cast<std::uint32_t>(pkt->size), (pkt->flags & AV_PKT_FLAG_KEY) != 0,
                           pkt->pts, pkt->dts, pkt->duration});
        offset += static_cast<std::uint64_t>(pkt->size);
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
    avformat_close_input(&ctx);
    return packets;
}

std::vector<Packet> ourPackets(const std::string& path, std::string& why) {
    const MappedFile file(path);
    SplitVideo split;
    std::vector<Packet> packets;
    if (!file.mapped() || !splitPictures(file.data(), file.size(), split, why)) return packets;
    for (const CodedPicture& p : split.pictures)
        packets.push_back({p.offset, p.size, p.key, p.pts, p.dts, p.duration});
    return packets;
}

// How a test stream is changed before it is read.
enum class Edit {
    none,
    lowDelay,     // I and P pictures only, and the sequence extension says so: nothing is reordered
    endCode,      // ended by a sequence end code, as the encoder writes it unless *NOSEQ_ENDCODE
    twoSequences, // two streams one after the other, each ended by its sequence end code
};

std::string edited(const std::string& path, Edit edit, const std::string& folder) {
    if (edit == Edit::none) return path;
    std::vector<std::uint8_t> bytes = mivo::test::readFile(path);
    const std::uint8_t endCode[] = {0, 0, 1, 0xB7};
    if (edit == Edit::lowDelay) {
        for (std::size_t i = 0; i + 10 < bytes.size(); ++i)
            if (bytes[i] == 0 && bytes[i + 1] == 0 && bytes[i + 2] == 1 && bytes[i + 3] == 0xB5 &&
                bytes[i + 4] >> 4 == 1)
                bytes[i + 9] |= 0x80;
    } else {
        bytes.insert(bytes.end(), std::begin(endCode), std::end(endCode));
        if (edit == Edit::twoSequences) bytes.insert(bytes.end(), bytes.begin(), bytes.end());
    }
    const std::string copy = folder + "/edited-" + std::to_string(static_cast<int>(edit)) + ".m2v";
    mivo::test::writeFile(copy, bytes);
    return copy;
}

TEST(VideoPictures, EveryKindOfStreamTheEncoderWritesSplitsAsLibavformatReadsIt) {
    const std::string folder = mivo::test::scratchFolder("video-pictures");
    struct Case {
        const char* name;
        StreamSpec spec;
        Edit edit = Edit::none;
    };
    const Case cases[] = {
        {"PAL", {.width = 352, .height = 288}},
        {"NTSC", {.width = 352, .height = 240, .rateNum = 30000, .rateDen = 1001}},
        {"film at 23.976 without flags", {.width = 352, .height = 240, .rateNum = 24000, .rateDen = 1001}},
        {"film with 3:2 pulldown",
         {.width = 352, .height = 240, .rateNum = 30000, .rateDen = 1001, .pulldown = Pulldown::film}},
        {"frames repeated in a progressive sequence",
         {.width = 352, .height = 288, .frames = 40, .pulldown = Pulldown::frameRepeat}},
        {"interlaced, bottom field first",
         {.width = 352, .height = 576, .interlaced = true, .bottomFirst = true}},
        {"beginning with an open GOP", {.width = 352, .height = 288, .openFirstGop = true}},
        {"closed GOPs", {.width = 352, .height = 288, .closedGop = true}},
        {"short GOPs with three B pictures", {.width = 352, .height = 288, .gop = 5, .bFrames = 3}},
        {"no B pictures", {.width = 352, .height = 288, .bFrames = 0}},
        {"low delay", {.width = 352, .height = 288, .bFrames = 0}, Edit::lowDelay},
        {"ended by a sequence end code", {.width = 352, .height = 288}, Edit::endCode},
        {"two sequences, each ended", {.width = 352, .height = 288}, Edit::twoSequences},
        {"4:2:2", {.width = 352, .height = 288, .yuv422 = true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = edited(mivo::test::makeStream(c.spec), c.edit, folder);
        std::string why;
        const std::vector<Packet> ours = ourPackets(path, why);
        EXPECT_EQ(why, "");
        const std::vector<Packet> theirs = libavformatPackets(path);
        ASSERT_FALSE(theirs.empty());
        EXPECT_EQ(ours, theirs);
    }
}

// What it does not read goes to libavformat, which reads it as before: it says why.
TEST(VideoPictures, StreamsItDoesNotReadAreRefusedWithTheReason) {
    const std::vector<std::uint8_t> pal =
        mivo::test::readFile(mivo::test::makeStream({.width = 352, .height = 288}));
    std::ptrdiff_t firstSlice = 0;
    while (!(pal[firstSlice] == 0 && pal[firstSlice + 1] == 0 && pal[firstSlice + 2] == 1 &&
             pal[firstSlice + 3] == 1))
        ++firstSlice;
    const std::uint8_t sequenceOnly[] = {0, 0, 1, 0xB3, 0x16, 0x01, 0x20, 0x13, 0xFF, 0xFF, 0xE0, 0x18};
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        const char* why;
    };
    const Case cases[] = {
        {"MPEG-1", mivo::test::readFile(mivo::test::makeStream({.width = 352, .height = 288, .mpeg1 = true})),
         "no MPEG-2 sequence before a picture"},
        {"empty", {}, "no picture"},
        {"no start code", std::vector<std::uint8_t>(5000, 0x55), "data without a picture"},
        {"a sequence header alone",
         {std::begin(sequenceOnly), std::end(sequenceOnly)},
         "data without a picture"},
        {"cut before its first slice", {pal.begin(), pal.begin() + firstSlice}, "a picture without slices"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SplitVideo split;
        std::string why;
        EXPECT_FALSE(splitPictures(c.bytes.data(), c.bytes.size(), split, why));
        EXPECT_EQ(why, c.why);
    }
}

// Start codes at every place around the 64-byte blocks the search takes together, after any number of
// zero bytes, and none where only two of their three bytes are.
TEST(VideoPictures, StartCodesAreFoundWhereverTheyLie) {
    std::mt19937 random(26);
    const auto naive = [](const std::uint8_t* p, const std::uint8_t* end) {
        for (; end - p > 3; ++p)
            if (p[0] == 0 && p[1] == 0 && p[2] == 1) return p;
        return end;
    };
    const std::vector<std::vector<std::uint8_t>> pieces = {{0, 0, 1}, {0, 0, 0, 1}, {0, 1},
                                                           {0, 0},    {0, 0, 2},    {1}};
    for (int round = 0; round < 300; ++round) {
        // Slice data without zero bytes, with a few start codes and near misses put in anywhere.
        std::vector<std::uint8_t> bytes(1 + random() % 300);
        for (std::uint8_t& b : bytes)
            b = static_cast<std::uint8_t>(2 + random() % 254);
        for (int n = static_cast<int>(random() % 6); n > 0; --n) {
            const std::vector<std::uint8_t>& piece = pieces[random() % pieces.size()];
            const std::size_t at = random() % bytes.size();
            for (std::size_t i = 0; i < piece.size() && at + i < bytes.size(); ++i)
                bytes[at + i] = piece[i];
        }
        const std::uint8_t* end = bytes.data() + bytes.size();
        for (const std::uint8_t* p = bytes.data(); p <= end; ++p)
            ASSERT_EQ(findStartCode(p, end) - bytes.data(), naive(p, end) - bytes.data())
                << "round " << round << " from " << (p - bytes.data()) << " of " << bytes.size();
    }
}

} // namespace
} // namespace mivo::encoder::disc
