#include "picture_headers.h"

#include "frame_features.h"

namespace mivo::encoder {

namespace {

constexpr std::uint8_t kPictureStart = 0x00;
constexpr std::uint8_t kSequenceHeader = 0xB3;
constexpr std::uint8_t kExtension = 0xB5;
constexpr std::uint8_t kGopHeader = 0xB8;
constexpr std::uint8_t kFirstSlice = 0x01, kLastSlice = 0xAF;
constexpr std::uint8_t kSequenceExtensionId = 1, kPictureCodingExtensionId = 8;
constexpr std::uint8_t kFrameRate2997 = 4;

// Where the headers before the first slice start (offsets of their first byte after the start code).
struct HeaderPlaces {
    std::size_t sequence = 0, sequenceExtension = 0, gop = 0, picture = 0, codingExtension = 0;
};

HeaderPlaces findHeaders(std::span<const std::uint8_t> d) {
    HeaderPlaces at;
    // The fields rewritten lie in the first five bytes of each header.
    for (std::size_t i = 0; i + 9 <= d.size(); ++i) {
        if (d[i] != 0 || d[i + 1] != 0 || d[i + 2] != 1) continue;
        const std::uint8_t code = d[i + 3];
        const std::size_t body = i + 4;
        if (code >= kFirstSlice && code <= kLastSlice) break;
        if (code == kSequenceHeader) at.sequence = body;
        if (code == kGopHeader) at.gop = body;
        if (code == kPictureStart) at.picture = body;
        if (code == kExtension && (d[body] >> 4) == kSequenceExtensionId) at.sequenceExtension = body;
        if (code == kExtension && (d[body] >> 4) == kPictureCodingExtensionId) at.codingExtension = body;
        i += 3;
    }
    return at;
}

void setBit(std::uint8_t& byte, int bit, bool on) {
    byte = static_cast<std::uint8_t>(on ? byte | (1u << bit) : byte & ~(1u << bit));
}

// Soft telecine: the stream says 29.97 interlaced, each film frame is a progressive frame whose flags
// say which field comes first and whether it is shown again.
void writePulldown(std::span<std::uint8_t> d, const HeaderPlaces& at, const EncodeJob& job, int frame) {
    if (at.sequence)
        d[at.sequence + 3] = static_cast<std::uint8_t>((d[at.sequence + 3] & 0xF0) | kFrameRate2997);
    if (at.sequenceExtension) setBit(d[at.sequenceExtension + 1], 3, false); // progressive_sequence
    if (!at.codingExtension) return;
    const FieldFlags flags = pulldownFlags(job, frame);
    std::uint8_t& b3 = d[at.codingExtension + 3];
    setBit(b3, 7, flags.topFieldFirst);
    setBit(b3, 6, true); // frame_pred_frame_dct, required for a progressive frame
    setBit(b3, 1, flags.repeatFirstField);
    setBit(b3, 0, !job.chroma422);              // chroma_420_type follows progressive_frame for 4:2:0
    setBit(d[at.codingExtension + 4], 7, true); // progressive_frame
}

// The GOP's time code belongs to its first picture in display order: the coded picture's temporal
// reference says how many of the GOP are shown before it.
void writeGop(std::span<std::uint8_t> d, const HeaderPlaces& at, const EncodeJob& job, int frame, int rate) {
    int first = frame;
    if (at.picture) first -= (d[at.picture] << 2) | (d[at.picture + 1] >> 6);
    const long long shown = fieldsBefore(job, first) / 2;
    const std::uint32_t tc = gopTimecodeBits(job.timecode, shown, rate);
    std::uint8_t* g = &d[at.gop];
    const bool closed = ((g[3] >> 6) & 1) != 0 || isChapterFrame(job, frame);
    g[0] = static_cast<std::uint8_t>(tc >> 17);
    g[1] = static_cast<std::uint8_t>(tc >> 9);
    g[2] = static_cast<std::uint8_t>(tc >> 1);
    // The last time-code bit, closed_gop and broken_link (0); the five bits after them are stuffing.
    g[3] = static_cast<std::uint8_t>(((tc & 1) << 7) | (closed ? 0x40 : 0) | (g[3] & 0x1F));
}

} // namespace

std::uint32_t gopTimecodeBits(const std::array<int, 4>& start, long long framesAfter, int rate) {
    const long long startFrames =
        ((static_cast<long long>(start[0]) * 60 + start[1]) * 60 + start[2]) * rate + start[3];
    const long long total = startFrames + framesAfter;
    const auto frames = static_cast<std::uint32_t>(total % rate);
    const auto seconds = static_cast<std::uint32_t>(total / rate % 60);
    const auto minutes = static_cast<std::uint32_t>(total / rate / 60 % 60);
    const auto hours = static_cast<std::uint32_t>(total / rate / 3600 % 24);
    // drop_frame_flag, hours (5), minutes (6), marker bit, seconds (6), pictures (6).
    return (hours << 19) | (minutes << 13) | (1u << 12) | (seconds << 6) | frames;
}

void rewritePictureHeaders(std::span<std::uint8_t> picture, const EncodeJob& job, int frame,
                           int timecodeRate) {
    const HeaderPlaces at = findHeaders(picture);
    if (job.pulldown) writePulldown(picture, at, job, frame);
    if (at.gop) writeGop(picture, at, job, frame, timecodeRate);
}

} // namespace mivo::encoder
