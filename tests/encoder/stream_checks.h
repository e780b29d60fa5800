#pragma once
// What the encoder tests read back from an MPEG-2 elementary stream: its headers and coded pictures,
// parsed here field by field, a VBV buffer model over them, and FFmpeg's own decode.

#include "core/matrix/builtin_matrices.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace mivo::encoder::test {

struct CodedPicture {
    int type = 0; // 1 I, 2 P, 3 B
    int displayIndex = 0;
    std::size_t bytes = 0; // with the sequence and GOP headers before it
    bool opensGop = false, closedGop = false;
    std::array<int, 4> timecode{-1, -1, -1, -1}; // of the GOP it opens
    bool topFieldFirst = false, repeatFirstField = false, progressiveFrame = false;
};

struct StreamSummary {
    int width = 0, height = 0, aspectCode = -1, frameRateCode = -1, bitRateValue = -1, vbvSizeValue = -1;
    int profileLevel = -1, chromaFormat = -1, colourPrimaries = -1, dcPrecision = -1;
    bool progressiveSequence = false, endsWithSequenceEnd = false;
    int sequenceEnds = 0;
    MatrixPair matrices{};              // all 0 when the header loads none
    std::vector<CodedPicture> pictures; // coding order
};

StreamSummary summarise(const std::vector<std::uint8_t>& stream);

// Pictures in display order.
std::vector<CodedPicture> inDisplayOrder(const StreamSummary& s);

// Underflows of a VBR decoder buffer of the stream's size filled at its bit rate: decoding starts once
// the buffer is full, then one picture leaves every frame period (three fields for a repeated field).
int vbvUnderflows(const StreamSummary& s, double framesPerSecond);

struct Decoded {
    int width = 0, height = 0, pixelFormat = -1;
    int rateNumerator = 0, rateDenominator = 0;
    bool interlaced = false, topFieldFirst = false;
    int repeatedFields = 0;
    std::vector<std::vector<std::uint8_t>> luma;                  // one plane per frame
    std::vector<std::array<std::vector<std::uint8_t>, 2>> chroma; // Cb, Cr of each frame
};

// Every picture of a stream, decoded by FFmpeg.
Decoded decodeWithFfmpeg(const std::string& path);

} // namespace mivo::encoder::test
