#pragma once
// A D2V project as read from its text: the listed files, the settings the decoder needs and the data
// lines with one flag byte per coded frame. Every format a decoder library is installed for is read, the
// header by the rules of the front-end's check (base/d2v_header.h); older formats are brought to the
// meaning of format 16 (flag bits, fixed fields) so that nothing after the reader cares about the version.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mivo::mpeg2 {

enum class StreamType { elementary = 0, program = 1, transport = 2 };

// Flag byte of one coded frame, in display order.
inline constexpr std::uint8_t kFlagDecodable = 0x80;   // decodable without the previous line
inline constexpr std::uint8_t kFlagProgressive = 0x40; // progressive_frame
inline constexpr std::uint8_t kFlagTypeMask = 0x30; // 0x10 I, 0x20 P, 0x30 B; 0 when the format has no type
inline constexpr std::uint8_t kFlagTff = 0x02;
inline constexpr std::uint8_t kFlagRff = 0x01;
inline constexpr std::uint8_t kTypeI = 0x10, kTypeP = 0x20, kTypeB = 0x30;

// Info field of a data line.
inline constexpr std::uint32_t kInfoBase = 0x800;
inline constexpr std::uint32_t kInfoClosedGop = 0x400;
inline constexpr std::uint32_t kInfoProgressiveSequence = 0x200;
inline constexpr std::uint32_t kInfoGopHeader = 0x100;

struct D2vLine {
    std::uint32_t info = kInfoBase;
    int matrix = 0;
    int file = 0;
    std::uint64_t position = 0; // byte offset in that file
    int skip = 0;               // I pictures to pass after seeking to position
    int vob = 0, cell = 0;
    std::uint32_t firstFrame = 0; // index of its first coded frame in D2vProject::flags
    std::uint32_t frameCount = 0;
};

struct D2vProject {
    int version = 0;
    std::vector<std::string> files; // as listed, length prefixes of old formats removed
    StreamType streamType = StreamType::elementary;
    int videoPid = -1, audioPid = -1, pcrPid = -1; // transport streams; -1 when not listed
    int packetSize = 0;                            // 188, 192 or 204; 0 when not listed
    int mpegType = 2;
    int width = 0, height = 0; // Picture_Size (macroblock-aligned in some old formats)
    std::string aspectRatio;
    int fieldOperation = 0;       // 0 honour pulldown, 1 force film, 2 ignore pulldown
    int rateNum = 0, rateDen = 0; // 0/0 when the project gives no usable rate
    std::vector<D2vLine> lines;
    std::vector<std::uint8_t> flags; // every coded frame of every line, display order
};

// Upper bounds that keep a hostile project from exhausting memory.
inline constexpr std::size_t kMaxProjectBytes = 256u << 20;
inline constexpr std::size_t kMaxCodedFrames = 50'000'000;

struct ProjectParse {
    bool ok = false;
    std::string error; // why the text is not a usable project (when !ok)
    D2vProject project;
};

ProjectParse parseD2vProject(std::string_view text);

// Reads the file whole and parses it.
ProjectParse readD2vProject(const std::string& path);

// Frame rate of the number DGIndex writes before " (num/den)" (rate x 1000, truncated), for formats that
// write nothing else. False for numbers that are no frame rate.
bool rateFromThousandths(long long thousandths, int& num, int& den);

} // namespace mivo::mpeg2
