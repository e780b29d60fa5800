#pragma once
// The header of a D2V project: the format line, the number of listed video files, then one line per
// file. The front-end's check and the decoder library both read it here, so a project the check passes
// is one the library reads the same files from, and a header one refuses the other refuses too.

#include <functional>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace mivo {

// Format versions a decoder library exists for: the only ones either side reads.
bool isD2vFormatVersion(int version);

// Longest header line read; a listed path cannot be longer than a path the system can open.
inline constexpr std::size_t kMaxD2vHeaderLine = 4096;
// Most files a project may list; keeps a hostile count from asking for memory.
inline constexpr int kMaxD2vFiles = 4096;

enum class D2vHeaderFault {
    None,
    Empty,          // not even a first line
    NotAProject,    // the first line is no "DGIndexProjectFile" and a two-digit version
    UnknownVersion, // a version no decoder library reads
    NoFileCount,    // the second line holds no file count from 1 to kMaxD2vFiles
    ListEnds,       // the text ends inside the file list
    NoLengthField,  // a file line of a format with length fields lacks one
    NoPath,         // a file line names no path (or is too long to be one)
};

struct D2vHeader {
    int version = 0;                // read from the first line, also when no library reads it
    std::vector<std::string> files; // the listed paths, length fields and surrounding blanks removed
    D2vHeaderFault fault = D2vHeaderFault::None;
    int faultLine = 0; // 1-based number of the line at fault
};

// Hands out the next line without its line end; false at the end of the text.
using D2vLineSource = std::function<bool(std::string_view& line)>;

// Reads exactly the header's lines from `next` and no more, so the caller goes on with the settings.
D2vHeader readD2vHeader(const D2vLineSource& next);
// The same from a stream; LF and CR LF both end a line.
D2vHeader readD2vHeader(std::istream& in);

// The path named on one file line of a project of `version`; empty when the line names none.
// `lengthMissing` tells a missing length field (formats that have one) from a line with no path.
std::string_view listedPathOfLine(std::string_view line, int version, bool* lengthMissing = nullptr);

// Why a header is refused, in words; empty for a header without fault.
std::string d2vHeaderFaultText(const D2vHeader& header);

} // namespace mivo
