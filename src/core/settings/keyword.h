#pragma once
// The ini keywords by number. The number is the keyword's seen-flag slot (13, 19 and 20 are unused);
// everything else about a keyword (its name, value, record field and place in the file) is its row in
// the keyword table.

#include <cstddef>
#include <string_view>

namespace mivo {

enum class Keyword : int {
    InFile = 1,
    OutFile = 2,
    Frames = 3,
    OnePass = 4,
    Cq = 5,
    Bitrate = 6,
    MaxBitrate = 7,
    Preview = 8,
    Profile = 9,
    Aspect = 10,
    CqMaxBitrate = 11,
    LogFile = 12,
    LastIFrame = 14,
    CqPFactor = 15,
    CqBFactor = 16,
    AdaptiveMatrix = 17,
    Pulldown = 18,
    Cpu = 21,
    Gop = 22,
    DcPrec = 23,
    ScanMethod = 24,
    Timecode = 25,
    Matrix = 26,
    CustomMatrix = 27,
    Bias = 28,
    ClosedGops = 29,
    NoVbv = 30,
    NoScd = 31,
    Chapter = 32,
    ChromaFormat = 33,
    MaskShift = 34,
    Tff = 35,
    Bff = 36,
    Wait = 37,
    NoSeqEndcode = 38,
    Shutdown = 39,
    AutoGop = 40,
    Zone = 41,
    LumGain = 42,
    Silent = 43,
    ScdFile = 44,
    AvsMemory = 45,
    AvsReload = 46,
    B3 = 47,
    Progressive = 48,
    Interlaced = 49,
    DvSource = 50,
    Priority = 51,
    MpegLevel = 52,
    DbPath = 53,
    FrameLog = 54,
    NoSmp = 55,
    Colour = 56,
    Lossless = 57,
    Aq = 58,
    LlPath = 59,
    PanScan = 60,
    IntraVlc = 61,
    ChromaDownsample = 62,
    DvdFolder = 63,
    DvdIso = 64,
    AudioFile = 65,
    AudioTrack = 66,
    FrameSize = 67,
};

inline constexpr std::size_t kKeywordSlots = 128;

// "*BITRATE" for Keyword::Bitrate.
std::string_view keywordName(Keyword keyword);

} // namespace mivo
