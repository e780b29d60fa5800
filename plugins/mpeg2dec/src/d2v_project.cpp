#include "d2v_project.h"

#include "base/d2v_header.h"
#include "base/text.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <fstream>
#include <numeric>

namespace mivo::mpeg2 {

namespace {

// Lines end in LF; a CR before it (files written on Windows) is not part of the line.
class LineCursor {
  public:
    explicit LineCursor(std::string_view text) : text_(text) {}
    bool next(std::string_view& line) {
        if (pos_ >= text_.size()) return false;
        std::size_t nl = text_.find('\n', pos_);
        if (nl == std::string_view::npos) nl = text_.size();
        line = text_.substr(pos_, nl - pos_);
        while (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        pos_ = nl + 1;
        ++number_;
        return true;
    }
    int number() const { return number_; } // 1-based number of the line last returned

  private:
    std::string_view text_;
    std::size_t pos_ = 0;
    int number_ = 0;
};

// Blanks between and around the fields of a line; a CR left by a Windows editor counts as one.
constexpr std::string_view kFieldBlanks = " \t\r";

bool isBlank(char c) {
    return kFieldBlanks.find(c) != std::string_view::npos;
}

std::string_view trim(std::string_view s) {
    return trimmed(s, kFieldBlanks);
}

template <typename T> bool parseNumber(std::string_view s, T& out, int base = 10) {
    if (s.empty()) return false;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out, base);
    return ec == std::errc() && end == s.data() + s.size();
}

// The leading integer of a value such as "2 (0:None 1:ForcedFILM 2:RawFrames)" in old formats.
template <typename T> bool parseLeading(std::string_view s, T& out) {
    s = trim(s);
    std::size_t n = 0;
    while (n < s.size() && ((s[n] >= '0' && s[n] <= '9') || (n == 0 && s[n] == '-')))
        ++n;
    return parseNumber(s.substr(0, n), out);
}

std::vector<std::string_view> splitTokens(std::string_view s) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && isBlank(s[i]))
            ++i;
        std::size_t start = i;
        while (i < s.size() && !isBlank(s[i]))
            ++i;
        if (i > start) out.push_back(s.substr(start, i - start));
    }
    return out;
}

// Fixed fields before the flags of a data line.
int fixedFields(int version) {
    return version == 6 ? 5 : version >= 16 ? 7 : 6;
}

ProjectParse fail(std::string why) {
    ProjectParse r;
    r.error = std::move(why);
    return r;
}

std::string lineRef(int number) {
    return "line " + std::to_string(number) + ": ";
}

// "video,audio,pcr" in hexadecimal; fewer fields leave the rest unlisted.
bool parseTransportPids(D2vProject& p, std::string_view value, std::string& error) {
    int* pids[] = {&p.videoPid, &p.audioPid, &p.pcrPid};
    std::size_t i = 0;
    for (int* pid : pids) {
        if (i > value.size()) break;
        std::size_t comma = value.find(',', i);
        std::string_view field =
            trim(value.substr(i, comma == std::string_view::npos ? value.npos : comma - i));
        std::size_t end = 0;
        while (end < field.size() && std::isxdigit(static_cast<unsigned char>(field[end])))
            ++end;
        int v = 0;
        if (!parseNumber(field.substr(0, end), v, 16) || v > 0x1fff) {
            error = "MPEG2_Transport_PID holds no PID";
            return false;
        }
        *pid = v;
        if (comma == std::string_view::npos) break;
        i = comma + 1;
    }
    return true;
}

// "29970 (30000/1001)": the exact rate in brackets where the format writes it, else the thousandths.
void parseFrameRate(D2vProject& p, std::string_view value) {
    long long thousandths = 0;
    bool haveThousandths = parseLeading(value, thousandths);
    std::size_t open = value.find('('), slash = value.find('/'), close = value.find(')');
    long long num = 0, den = 0;
    if (open != value.npos && slash != value.npos && close != value.npos && open < slash && slash < close &&
        parseNumber(trim(value.substr(open + 1, slash - open - 1)), num) &&
        parseNumber(trim(value.substr(slash + 1, close - slash - 1)), den) && num > 0 && den > 0 &&
        num <= 0x7fffffff && den <= 0x7fffffff) {
        p.rateNum = static_cast<int>(num);
        p.rateDen = static_cast<int>(den);
    } else if (haveThousandths) {
        rateFromThousandths(thousandths, p.rateNum, p.rateDen);
    }
}

bool parseSetting(D2vProject& p, std::string_view key, std::string_view value, std::string& error) {
    if (key == "Stream_Type") {
        int t = -1;
        if (!parseLeading(value, t)) t = -1;
        if (t == 3) {
            error = "PVA streams are not supported";
            return false;
        }
        if (t < 0 || t > 2) {
            error = "Stream_Type must be 0, 1 or 2";
            return false;
        }
        p.streamType = static_cast<StreamType>(t);
    } else if (key == "MPEG2_Transport_PID") {
        return parseTransportPids(p, value, error);
    } else if (key == "Transport_Packet_Size") {
        int size = 0;
        if (!parseLeading(value, size) || (size != 188 && size != 192 && size != 204)) {
            error = "Transport_Packet_Size must be 188, 192 or 204";
            return false;
        }
        p.packetSize = size;
    } else if (key == "MPEG_Type") {
        int t = 0;
        if (!parseLeading(value, t) || (t != 1 && t != 2)) {
            error = "MPEG_Type must be 1 or 2";
            return false;
        }
        p.mpegType = t;
    } else if (key == "Picture_Size") {
        std::size_t x = value.find('x');
        if (x != std::string_view::npos) {
            parseNumber(trim(value.substr(0, x)), p.width);
            parseLeading(value.substr(x + 1), p.height);
        }
    } else if (key == "Aspect_Ratio") {
        p.aspectRatio = std::string(trim(value));
    } else if (key == "Field_Operation") {
        int fo = -1;
        if (!parseLeading(value, fo)) fo = -1;
        if (fo == 3) fo = 2; // one old description calls "raw" 3
        if (fo < 0 || fo > 2) {
            error = "Field_Operation must be 0, 1 or 2";
            return false;
        }
        p.fieldOperation = fo;
    } else if (key == "Frame_Rate") {
        parseFrameRate(p, value);
    }
    return true; // other keys (iDCT, scaling, filters, clipping, location) do not change decoding
}

// The header is read by the rules the front-end's check reads it by; only its fault is put in words here.
std::string readHeader(LineCursor& cursor, D2vProject& p) {
    D2vHeader header = readD2vHeader([&cursor](std::string_view& line) { return cursor.next(line); });
    if (header.fault != D2vHeaderFault::None) return d2vHeaderFaultText(header);
    p.version = header.version;
    p.files = std::move(header.files);
    return {};
}

// Settings: key=value lines between blank lines, in any order.
std::string readSettings(LineCursor& cursor, D2vProject& p) {
    std::string_view line;
    bool inSettings = false;
    bool sawStreamType = false;
    while (true) {
        if (!cursor.next(line)) return "the project ends before its data lines";
        line = trim(line);
        if (line.empty()) {
            if (inSettings) break;
            continue;
        }
        inSettings = true;
        std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) return lineRef(cursor.number()) + "setting expected";
        std::string_view key = trim(line.substr(0, eq));
        if (key == "Stream_Type") sawStreamType = true;
        std::string error;
        if (!parseSetting(p, key, line.substr(eq + 1), error)) return lineRef(cursor.number()) + error;
    }
    return sawStreamType ? std::string() : "the project has no Stream_Type";
}

// The fields of a data line before its frame flags; `t` is left at the first flag.
bool readFixedFields(const std::vector<std::string_view>& tokens, const D2vProject& p, D2vLine& d,
                     std::size_t& t) {
    bool good = true;
    if (p.version == 6) {
        ++t; // a constant 7
    } else {
        good = good && parseNumber(tokens[t++], d.info, 16) && d.info <= 0xfff;
        good = good && parseNumber(tokens[t++], d.matrix) && d.matrix >= 0 && d.matrix < 256;
    }
    good =
        good && parseNumber(tokens[t++], d.file) && d.file >= 0 && d.file < static_cast<int>(p.files.size());
    good = good && parseNumber(tokens[t++], d.position);
    if (p.version >= 16) good = good && parseNumber(tokens[t++], d.skip) && d.skip >= 0 && d.skip <= 100000;
    good = good && parseNumber(tokens[t++], d.vob) && parseNumber(tokens[t++], d.cell);
    if (p.version == 6) d.info = kInfoBase;
    return good;
}

// The frame flags of one data line from token `t` on; `ended` is set at the end marker.
std::string readFlags(const std::vector<std::string_view>& tokens, std::size_t t, D2vProject& p, bool& ended,
                      int lineNumber) {
    for (; t < tokens.size(); ++t) {
        unsigned value = 0;
        if (!parseNumber(tokens[t], value, 16) || value > 0xff)
            return lineRef(lineNumber) + "bad frame flag \"" + std::string(tokens[t]) + "\"";
        if (p.version == 6) {
            // TFF<<1|RFF, plus 0x10 when decodable without the previous GOP; 9 ends the data.
            if (value == 9) {
                ended = true;
                return {};
            }
            if ((value & ~0x13u) != 0) return lineRef(lineNumber) + "bad frame flag";
            value = (value & 3u) | ((value & 0x10u) ? kFlagDecodable : 0u);
        } else if (value == 0xff) {
            ended = true;
            return {};
        }
        if (p.flags.size() >= kMaxCodedFrames) return "too many frames";
        p.flags.push_back(static_cast<std::uint8_t>(value));
    }
    return {};
}

// Data lines until a blank line or the end marker.
std::string readDataLines(LineCursor& cursor, D2vProject& p) {
    const std::size_t fixed = static_cast<std::size_t>(fixedFields(p.version));
    std::string_view line;
    bool ended = false;
    while (!ended && cursor.next(line)) {
        line = trim(line);
        if (line.empty()) break;
        std::vector<std::string_view> tokens = splitTokens(line);
        if (tokens.size() < fixed) return lineRef(cursor.number()) + "incomplete data line";
        D2vLine d;
        std::size_t t = 0;
        if (!readFixedFields(tokens, p, d, t))
            return lineRef(cursor.number()) + "bad fixed field in data line";
        d.firstFrame = static_cast<std::uint32_t>(p.flags.size());
        if (std::string error = readFlags(tokens, t, p, ended, cursor.number()); !error.empty()) return error;
        d.frameCount = static_cast<std::uint32_t>(p.flags.size()) - d.firstFrame;
        if (d.frameCount > 0) p.lines.push_back(d);
    }
    return p.lines.empty() ? "the project lists no frames" : std::string();
}

} // namespace

bool rateFromThousandths(long long thousandths, int& num, int& den) {
    if (thousandths <= 0 || thousandths > 1'000'000) return false;
    // NTSC-style rates are written truncated: 23976, 29970, 59940 stand for k x 1000/1001.
    double scaled = static_cast<double>(thousandths) * 1.001;
    long long k = std::llround(scaled / 1000.0);
    if (thousandths % 1000 != 0 && k > 0 && std::fabs(scaled - static_cast<double>(k * 1000)) < 1.0) {
        num = static_cast<int>(k * 1000);
        den = 1001;
        return true;
    }
    long long g = std::gcd(thousandths, 1000LL);
    num = static_cast<int>(thousandths / g);
    den = static_cast<int>(1000 / g);
    return true;
}

ProjectParse parseD2vProject(std::string_view text) {
    if (text.size() > kMaxProjectBytes) return fail("project file too large");
    LineCursor cursor(text);
    ProjectParse result;
    std::string error = readHeader(cursor, result.project);
    if (error.empty()) error = readSettings(cursor, result.project);
    if (error.empty()) error = readDataLines(cursor, result.project);
    if (!error.empty()) return fail(std::move(error));
    result.ok = true;
    return result;
}

ProjectParse readD2vProject(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return fail("cannot open " + path);
    in.seekg(0, std::ios::end);
    std::streamoff size = in.tellg();
    if (size < 0) return fail("cannot read " + path);
    if (static_cast<std::uint64_t>(size) > kMaxProjectBytes) return fail("project file too large");
    in.seekg(0);
    std::string text(static_cast<std::size_t>(size), '\0');
    if (size > 0 && !in.read(text.data(), size)) return fail("cannot read " + path);
    return parseD2vProject(text);
}

} // namespace mivo::mpeg2
