#pragma once
// Test streams made on the spot: synthetic pictures encoded with libavcodec's MPEG-1/2 encoder, muxed
// as elementary, program or transport streams. Pulldown flags the encoder cannot set are written into
// the picture coding extensions afterwards. Streams are kept in a cache folder keyed by their
// description, so test processes share them.

#include <cstdint>
#include <string>
#include <vector>

namespace mivo::test {

enum class Container {
    elementary,
    program,    // libavformat's DVD muxer: 2048-byte packs, navigation packs, MP2 audio
    programOwn, // our own muxer: 2048-byte packs with nothing but video (several pictures per pack)
    transport,  // libavformat's MPEG-TS muxer, 188-byte packets, MP2 audio
    m2ts,       // the same with 192-byte packets
};

enum class Pulldown {
    none,
    film,       // 3:2 soft pulldown: RFF/TFF cadence on progressive frames of an interlaced sequence
    frameRepeat // progressive sequence: some frames shown twice (RFF) or three times (RFF+TFF)
};

struct StreamSpec {
    int width = 720, height = 576;
    int rateNum = 25, rateDen = 1;
    int frames = 36;
    int gop = 12;
    int bFrames = 2;
    bool closedGop = false;
    bool interlaced = false; // interlaced coding, progressive_sequence 0
    bool bottomFirst = false;
    bool yuv422 = false;
    bool mpeg1 = false;
    Pulldown pulldown = Pulldown::none;
    Container container = Container::elementary;
    bool openFirstGop = false; // cut the stream at its second GOP, so that it begins with an open one
    int quality = 4;           // fixed quantiser: small, fast, and deterministic
    // Hard cuts: a scene of its own (brightness, colour and texture) starts at each of these frames;
    // within a scene the texture drifts smoothly. Empty: one changing picture throughout.
    std::vector<int> cuts{};

    std::string key() const; // names the stream in the cache
};

// NTSC film with soft 3:2 pulldown: 36 coded frames shown as 45.
inline StreamSpec ntscFilm(Container container = Container::elementary) {
    return {.width = 720,
            .height = 480,
            .rateNum = 30000,
            .rateDen = 1001,
            .pulldown = Pulldown::film,
            .container = container};
}

// Interlaced 1080-line HD in a BD transport stream, short and coarse to stay fast.
inline StreamSpec hdInterlaced() {
    return {.width = 1920,
            .height = 1080,
            .rateNum = 30000,
            .rateDen = 1001,
            .frames = 14,
            .gop = 6,
            .interlaced = true,
            .container = Container::m2ts,
            .quality = 10};
}

// Studio 4:2:2, interlaced bottom field first, in a program stream.
inline StreamSpec studio422() {
    return {.frames = 24,
            .interlaced = true,
            .bottomFirst = true,
            .yuv422 = true,
            .container = Container::program};
}

// 32x32 pictures, all I or P: several I pictures start in one 2048-byte pack.
inline StreamSpec tinyPictures(int frames = 60) {
    return {.width = 32,
            .height = 32,
            .frames = frames,
            .gop = 2,
            .bFrames = 0,
            .container = Container::programOwn,
            .quality = 24};
}

// Path of the stream (made now, or found in the cache). Throws std::runtime_error on failure.
std::string makeStream(const StreamSpec& spec);

// A fresh folder for one test's files (removed by the test harness at exit).
std::string scratchFolder(const std::string& name);

std::vector<std::uint8_t> readFile(const std::string& path);
void writeFile(const std::string& path, const std::vector<std::uint8_t>& data);
void writeText(const std::string& path, const std::string& text);
std::string readText(const std::string& path);

// Splits a file into parts at the given byte offsets; returns the part paths.
std::vector<std::string> splitFile(const std::string& path, const std::vector<std::uint64_t>& cuts,
                                   const std::string& folder, const std::string& stem);

} // namespace mivo::test
