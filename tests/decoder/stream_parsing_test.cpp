// Demuxing and access-unit splitting: the same coded frames FFmpeg's demuxer finds, the positions a
// project records, and recovery from damage.

#include "file_set.h"
#include "mpeg_demuxer.h"
#include "picture_splitter.h"
#include "stream_maker.h"
#include "unit_reader.h"

#include <gtest/gtest.h>

#include <random>

extern "C" {
#include <libavformat/avformat.h>
}

namespace mivo::test {
namespace {

using namespace mivo::mpeg2;

struct Unit {
    int type;
    std::uint64_t indexOrigin;
    std::size_t size;
    std::vector<std::uint8_t> head; // first bytes
};

std::vector<Unit> units(FileSet& files, const DemuxSettings& settings) {
    UnitReader reader(files, settings);
    reader.seek(0);
    std::vector<Unit> out;
    AccessUnit u;
    while (reader.next(u))
        out.push_back({u.type, u.indexOrigin, u.size,
                       std::vector<std::uint8_t>(u.data, u.data + std::min<std::size_t>(u.size, 64))});
    return out;
}

std::vector<Unit> unitsOf(const std::string& path, const DemuxSettings& settings) {
    FileSet files;
    std::string error;
    EXPECT_TRUE(files.open({path}, error)) << error;
    return units(files, settings);
}

// Video packets and their key flags as FFmpeg's demuxer (with its parser) delivers them.
std::vector<bool> ffmpegKeyFlags(const std::string& path) {
    AVFormatContext* fc = nullptr;
    EXPECT_GE(avformat_open_input(&fc, path.c_str(), nullptr, nullptr), 0);
    avformat_find_stream_info(fc, nullptr);
    const int video = av_find_best_stream(fc, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    std::vector<bool> keys;
    AVPacket* pkt = av_packet_alloc();
    while (av_read_frame(fc, pkt) >= 0) {
        if (pkt->stream_index == video) keys.push_back((pkt->flags & AV_PKT_FLAG_KEY) != 0);
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
    avformat_close_input(&fc);
    return keys;
}

DemuxSettings settingsFor(Container c) {
    DemuxSettings s;
    s.type = c == Container::elementary                              ? StreamType::elementary
             : c == Container::program || c == Container::programOwn ? StreamType::program
                                                                     : StreamType::transport;
    s.packetSize = c == Container::m2ts ? 192 : 188;
    return s;
}

TEST(StreamParsing, FindsTheCodedFramesFfmpegFinds) {
    for (Container c : {Container::elementary, Container::program, Container::transport, Container::m2ts}) {
        StreamSpec s{.interlaced = c != Container::elementary, .container = c};
        const std::string path = makeStream(s);
        SCOPED_TRACE(path);
        const std::vector<Unit> ours = unitsOf(path, settingsFor(c));
        const std::vector<bool> theirs = ffmpegKeyFlags(path);
        ASSERT_EQ(ours.size(), theirs.size());
        for (std::size_t i = 0; i < ours.size(); ++i)
            EXPECT_EQ(ours[i].type == kPictureI, theirs[i]) << "unit " << i;
        EXPECT_EQ(ours.size(), static_cast<std::size_t>(s.frames));
    }
}

TEST(StreamParsing, RecordsPositionsAsProjectsNameThem) {
    {
        // Elementary stream: the exact byte of the sequence header (or picture header) start code.
        StreamSpec s;
        const std::string path = makeStream(s);
        const std::vector<std::uint8_t> bytes = readFile(path);
        for (const Unit& u : unitsOf(path, settingsFor(Container::elementary))) {
            ASSERT_LT(u.indexOrigin + 3, bytes.size());
            EXPECT_EQ(bytes[u.indexOrigin + 2], 1);
            const std::uint8_t code = bytes[u.indexOrigin + 3];
            EXPECT_TRUE(code == 0xB3 || code == 0x00) << std::hex << int(code);
        }
    }
    {
        // Program stream of 2048-byte packs: the pack holding the first byte of the start code.
        StreamSpec s{.container = Container::programOwn};
        const std::string path = makeStream(s);
        const std::vector<std::uint8_t> bytes = readFile(path);
        for (const Unit& u : unitsOf(path, settingsFor(Container::programOwn))) {
            EXPECT_EQ(u.indexOrigin % 2048, 0u);
            EXPECT_EQ(bytes[u.indexOrigin + 3], 0xBA);
        }
    }
    {
        // Transport stream, 192-byte packets: the 4-byte prefix before the sync byte of the packet.
        StreamSpec s{.container = Container::m2ts};
        const std::string path = makeStream(s);
        const std::vector<std::uint8_t> bytes = readFile(path);
        for (const Unit& u : unitsOf(path, settingsFor(Container::m2ts))) {
            EXPECT_EQ(u.indexOrigin % 192, 0u);
            EXPECT_EQ(bytes[u.indexOrigin + 4], 0x47);
        }
    }
}

TEST(StreamParsing, FindsEveryIPictureAgainFromItsPosition) {
    for (Container c :
         {Container::elementary, Container::program, Container::transport, Container::programOwn}) {
        const StreamSpec s = c == Container::programOwn ? tinyPictures(40) : StreamSpec{.container = c};
        const std::string path = makeStream(s);
        SCOPED_TRACE(path);
        FileSet files;
        std::string error;
        ASSERT_TRUE(files.open({path}, error));
        const std::vector<Unit> all = units(files, settingsFor(c));
        UnitReader reader(files, settingsFor(c));
        std::uint64_t lastOrigin = ~0ull;
        int skip = 0, found = 0;
        for (const Unit& u : all) {
            if (u.type != kPictureI) continue;
            skip = u.indexOrigin == lastOrigin ? skip + 1 : 0;
            lastOrigin = u.indexOrigin;
            AccessUnit again;
            ASSERT_TRUE(reader.seekLine(u.indexOrigin, skip, again)) << "I picture at " << u.indexOrigin;
            EXPECT_EQ(again.size, u.size);
            EXPECT_TRUE(std::equal(u.head.begin(), u.head.end(), again.data));
            ++found;
        }
        EXPECT_GT(found, 2);
    }
}

TEST(StreamParsing, RecoversFromGarbageAndCutPackets) {
    StreamSpec s;
    const std::vector<std::uint8_t> clean = readFile(makeStream(s));
    FileSet files;
    files.openMemory(clean.data(), clean.size());
    const std::size_t count = units(files, settingsFor(Container::elementary)).size();

    // Random bytes (with start-code look-alikes) in the middle of the stream cost a few pictures only.
    std::vector<std::uint8_t> damaged = clean;
    std::mt19937 random(5);
    std::vector<std::uint8_t> garbage(5000);
    for (auto& b : garbage)
        b = static_cast<std::uint8_t>(random() % 3 == 0 ? 0 : random());
    damaged.insert(damaged.begin() + static_cast<std::ptrdiff_t>(damaged.size() / 2), garbage.begin(),
                   garbage.end());
    files.openMemory(damaged.data(), damaged.size());
    const std::size_t recovered = units(files, settingsFor(Container::elementary)).size();
    EXPECT_GE(recovered + 2, count);
    EXPECT_LE(recovered, count + 20);

    // A stream cut inside a picture ends with that picture, shortened.
    files.openMemory(clean.data(), clean.size() - 1000);
    EXPECT_EQ(units(files, settingsFor(Container::elementary)).size(), count);
}

TEST(StreamParsing, TransportDataInsideAPesPacketIsKept) {
    // Seeking to a TS packet that continues a PES packet still yields its video bytes (a demuxer that
    // waits for the next PES start would lose the picture the position points into).
    StreamSpec s{.container = Container::transport};
    const std::string path = makeStream(s);
    const std::vector<std::uint8_t> bytes = readFile(path);
    FileSet files;
    std::string error;
    ASSERT_TRUE(files.open({path}, error));
    DemuxSettings settings = settingsFor(Container::transport);
    MpegDemuxer demuxer(files, settings);
    demuxer.seek(0);
    EsChunk chunk;
    ASSERT_TRUE(demuxer.next(chunk)); // settles on the video PID
    const int pid = demuxer.videoPid();
    std::uint64_t continuation = 0;
    for (std::uint64_t at = 188 * 20; at + 188 <= bytes.size(); at += 188) {
        const std::uint8_t* h = bytes.data() + at;
        if ((((h[1] & 0x1F) << 8) | h[2]) == pid && !(h[1] & 0x40) && (h[3] & 0x30) == 0x10) {
            continuation = at;
            break;
        }
    }
    ASSERT_NE(continuation, 0u);
    demuxer.seek(continuation);
    ASSERT_TRUE(demuxer.next(chunk));
    EXPECT_EQ(chunk.origin, continuation);
    ASSERT_EQ(chunk.size, 184u);
    EXPECT_TRUE(std::equal(chunk.data, chunk.data + 184, bytes.data() + continuation + 4));
}

// Hand-made headers: the encoder used elsewhere writes frame pictures only.
void appendPicture(std::vector<std::uint8_t>& es, int type, int structure, bool tff, bool rff) {
    const std::uint8_t picture[] = {0, 0, 1, 0x00, 0x00, static_cast<std::uint8_t>(type << 3), 0xFF, 0xF8};
    const std::uint8_t coding[] = {0,
                                   0,
                                   1,
                                   0xB5,
                                   0x8F,
                                   0xFF,
                                   static_cast<std::uint8_t>(0xF0 | structure),
                                   static_cast<std::uint8_t>((tff ? 0x80 : 0) | (rff ? 0x02 : 0)),
                                   0x00};
    const std::uint8_t slice[] = {0, 0, 1, 0x01, 0x12, 0x34, 0x56, 0x78};
    es.insert(es.end(), picture, picture + sizeof picture);
    es.insert(es.end(), coding, coding + sizeof coding);
    es.insert(es.end(), slice, slice + sizeof slice);
}

TEST(StreamParsing, KeepsTheTwoFieldPicturesOfAFrameTogether) {
    const std::uint8_t sequence[] = {0, 0, 1, 0xB3, 0x2D, 0x02, 0x40, 0x23, 0xFF, 0xFF, 0xE0, 0x18, // 720x576
                                     0, 0, 1, 0xB5, 0x14, 0x82, 0x00, 0x01, 0x00, 0x00,             // 4:2:0
                                     0, 0, 1, 0xB8, 0x00, 0x08, 0x00, 0x40};                        // closed
    std::vector<std::uint8_t> es(sequence, sequence + sizeof sequence);
    appendPicture(es, 1, 1, false, false); // I top field
    appendPicture(es, 2, 2, false, false); // P bottom field
    appendPicture(es, 3, 2, false, false); // B bottom field first
    appendPicture(es, 3, 1, false, false); // B top field
    appendPicture(es, 2, 3, true, true);   // P frame picture, TFF + RFF
    const std::uint8_t end[] = {0, 0, 1, 0xB7};
    es.insert(es.end(), end, end + 4);
    appendPicture(es, 2, 1, false, false); // a lone field after the sequence end: no unit of its own start

    FileSet files;
    files.openMemory(es.data(), es.size());
    UnitReader reader(files, settingsFor(Container::elementary));
    reader.seek(0);
    std::vector<AccessUnit> got;
    AccessUnit u;
    while (reader.next(u))
        got.push_back(u);
    ASSERT_EQ(got.size(), 4u);
    EXPECT_TRUE(got[0].sequenceHeader && got[0].gopHeader && got[0].closedGop);
    EXPECT_EQ(got[0].sequence.width, 720);
    EXPECT_EQ(got[0].sequence.height, 576);
    EXPECT_TRUE(got[0].sequence.mpeg2);
    EXPECT_FALSE(got[0].sequence.progressiveSequence);
    EXPECT_EQ(got[0].type, kPictureI);
    EXPECT_EQ(got[0].structure, 1);
    EXPECT_TRUE(got[0].fieldPair);
    EXPECT_EQ(got[0].indexOrigin, 0u);
    EXPECT_EQ(got[1].type, kPictureB);
    EXPECT_EQ(got[1].structure, 2);
    EXPECT_TRUE(got[1].fieldPair);
    EXPECT_EQ(got[2].type, kPictureP);
    EXPECT_EQ(got[2].structure, 3);
    EXPECT_FALSE(got[2].fieldPair);
    EXPECT_TRUE(got[2].topFieldFirst && got[2].repeatFirstField && got[2].sequenceEnd);
    EXPECT_EQ(got[3].structure, 1);
    EXPECT_FALSE(got[3].fieldPair);
    // The field units are exactly the bytes of both fields.
    EXPECT_EQ(got[0].size, sizeof sequence + 2 * 25);
    EXPECT_EQ(got[1].size, 2 * 25u);
}

TEST(StreamParsing, FastStartCodeSearchAgreesWithThePlainOne) {
    // Random bytes rich in 00 and 01, so that start codes and near misses fall at every alignment.
    std::mt19937 random(11);
    std::vector<std::uint8_t> data(4096);
    for (auto& b : data)
        b = static_cast<std::uint8_t>(random() % 4 == 0 ? random() % 2 : random());
    for (std::size_t from = 0; from < 40; ++from) {
        for (std::size_t to :
             {data.size(), data.size() - 1, std::size_t{from + 17}, std::size_t{from + 2}, from}) {
            std::size_t a = from, b = from;
            while (true) { // every start code in [from, to), in order
                a = findStartCode(data.data(), a, to);
                b = findStartCodeReference(data.data(), b, to);
                ASSERT_EQ(a, b) << "from " << from << " to " << to;
                if (a == to) break;
                ++a;
                ++b;
            }
        }
    }
}

TEST(StreamParsing, ReadsPesHeadersOfBothSyntaxes) {
    // MPEG-2: 9 bytes plus the header data length.
    const std::uint8_t mpeg2[] = {0, 0, 1, 0xE0, 0, 20, 0x80, 0x80, 5, 1, 2, 3, 4, 5, 0, 0, 1, 0xB3};
    EXPECT_EQ(pesHeaderLength(mpeg2, sizeof mpeg2), 14u);
    // MPEG-1: stuffing, buffer size, PTS.
    const std::uint8_t mpeg1[] = {0, 0, 1, 0xE0, 0, 20, 0xFF, 0xFF, 0x40, 0x10, 0x21, 0, 1, 0, 1, 0, 0, 1};
    EXPECT_EQ(pesHeaderLength(mpeg1, sizeof mpeg1), 15u);
    const std::uint8_t bare[] = {0, 0, 1, 0xE0, 0, 3, 0x0F, 0, 0};
    EXPECT_EQ(pesHeaderLength(bare, sizeof bare), 7u);
    const std::uint8_t truncated[] = {0, 0, 1, 0xE0, 0, 20, 0x80, 0x80, 40};
    EXPECT_EQ(pesHeaderLength(truncated, sizeof truncated), 0u);
}

} // namespace
} // namespace mivo::test
