#include "base/d2v_header.h"

#include "base/text.h"

#include <array>
#include <charconv>

namespace mivo {

namespace {

// A CR left over from a Windows line end or editor counts as a blank, as do tabs.
constexpr std::string_view kHeaderBlanks = " \t\r";

constexpr std::string_view kMagic = "DGIndexProjectFile";

constexpr std::array<int, 7> kVersions = {6, 10, 11, 12, 13, 15, 16};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::size_t leadingDigits(std::string_view s) {
    std::size_t n = 0;
    while (n < s.size() && isDigit(s[n]))
        ++n;
    return n;
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && endsWithIgnoringCase(text.substr(0, prefix.size()), prefix);
}

// "DGIndexProjectFile16": the version, or -1 when the line is no format line at all.
int versionOfFirstLine(std::string_view line) {
    line = trimmed(line, kHeaderBlanks);
    if (line.size() != kMagic.size() + 2 || !startsWithIgnoringCase(line, kMagic)) return -1;
    const char tens = line[kMagic.size()], ones = line[kMagic.size() + 1];
    if (!isDigit(tens) || !isDigit(ones)) return -1;
    return (tens - '0') * 10 + (ones - '0');
}

// The whole line as one count; a plus sign and blanks around it are allowed.
bool fileCountOfLine(std::string_view line, int& count) {
    line = trimmed(line, kHeaderBlanks);
    if (!line.empty() && line.front() == '+') line.remove_prefix(1);
    if (line.empty() || leadingDigits(line) != line.size()) return false;
    const auto [end, ec] = std::from_chars(line.data(), line.data() + line.size(), count);
    return ec == std::errc() && count >= 1 && count <= kMaxD2vFiles;
}

bool hasLengthField(int version) {
    return version < 11;
}

// No indexer release is known to write these versions, so whether their file lines carry a length field
// is decided from the line itself.
bool lengthFieldUnknown(int version) {
    return version == 12 || version == 15;
}

} // namespace

bool isD2vFormatVersion(int version) {
    for (int v : kVersions)
        if (v == version) return true;
    return false;
}

std::string_view listedPathOfLine(std::string_view line, int version, bool* lengthMissing) {
    if (lengthMissing) *lengthMissing = false;
    line = trimmed(line, kHeaderBlanks);
    const std::size_t digits = leadingDigits(line);
    const bool numberThenBlank =
        digits > 0 && digits < line.size() && (line[digits] == ' ' || line[digits] == '\t');
    if (hasLengthField(version)) {
        // "<length> <path>". The length itself is not held against the path: a path edited by hand
        // keeps working, and the path ends with the line either way.
        if (!numberThenBlank) {
            if (lengthMissing) *lengthMissing = true;
            return {};
        }
        return trimmed(line.substr(digits), kHeaderBlanks);
    }
    if (lengthFieldUnknown(version) && numberThenBlank && line[digits] == ' ') {
        std::size_t length = 0;
        std::from_chars(line.data(), line.data() + digits, length);
        if (length == line.size() - digits - 1) return trimmed(line.substr(digits + 1), kHeaderBlanks);
    }
    return line;
}

D2vHeader readD2vHeader(const D2vLineSource& next) {
    D2vHeader h;
    std::string_view line;
    int number = 0;
    const auto fault = [&h, &number](D2vHeaderFault f) {
        h.fault = f;
        h.faultLine = number;
        return h;
    };
    const auto nextLine = [&]() {
        if (!next(line)) return false;
        ++number;
        return true;
    };

    if (!nextLine()) return fault(D2vHeaderFault::Empty);
    const int version = line.size() <= kMaxD2vHeaderLine ? versionOfFirstLine(line) : -1;
    if (version < 0) return fault(D2vHeaderFault::NotAProject);
    h.version = version;
    if (!isD2vFormatVersion(version)) return fault(D2vHeaderFault::UnknownVersion);

    int count = 0;
    if (!nextLine() || line.size() > kMaxD2vHeaderLine || !fileCountOfLine(line, count)) {
        number = 2; // also when the text ends after the format line
        return fault(D2vHeaderFault::NoFileCount);
    }
    h.files.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        if (!nextLine()) return fault(D2vHeaderFault::ListEnds);
        if (line.size() > kMaxD2vHeaderLine) return fault(D2vHeaderFault::NoPath);
        bool lengthMissing = false;
        const std::string_view path = listedPathOfLine(line, version, &lengthMissing);
        if (lengthMissing) return fault(D2vHeaderFault::NoLengthField);
        if (path.empty()) return fault(D2vHeaderFault::NoPath);
        h.files.emplace_back(path);
    }
    return h;
}

D2vHeader readD2vHeader(std::istream& in) {
    std::string buffer;
    return readD2vHeader([&in, &buffer](std::string_view& line) {
        buffer.clear();
        bool any = false;
        std::istream::int_type c;
        while ((c = in.get()) != std::istream::traits_type::eof()) {
            any = true;
            if (c == '\n') break;
            // One character past the limit is kept so that an over-long line shows as one.
            if (buffer.size() <= kMaxD2vHeaderLine) buffer.push_back(static_cast<char>(c));
        }
        if (!buffer.empty() && buffer.back() == '\r') buffer.pop_back();
        line = buffer;
        return any;
    });
}

std::string d2vHeaderFaultText(const D2vHeader& header) {
    const std::string at = "line " + std::to_string(header.faultLine) + ": ";
    switch (header.fault) {
    case D2vHeaderFault::None:
        return {};
    case D2vHeaderFault::Empty:
        return "empty file";
    case D2vHeaderFault::NotAProject:
        return "not a D2V project (first line)";
    case D2vHeaderFault::UnknownVersion:
        return "project format " + std::to_string(header.version) + " is not supported";
    case D2vHeaderFault::NoFileCount:
        return at + "number of files expected";
    case D2vHeaderFault::ListEnds:
        return "the project ends in its file list";
    case D2vHeaderFault::NoLengthField:
        return at + "file line without length";
    case D2vHeaderFault::NoPath:
        return at + "no file name";
    }
    return {};
}

} // namespace mivo
