#include "core/lists/chapter_times.h"

#include "base/fixed_format.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

namespace mivo::lists {

namespace {

struct Fraction {
    std::int64_t num, den;
};

// The NTSC family exactly, so that a chapter at a whole second lands on the frame every tool agrees on;
// any other rate to a thousandth of a frame a second.
Fraction exactRate(double fps) {
    for (const std::int64_t nominal : std::array<std::int64_t, 5>{24, 30, 48, 60, 120}) {
        const double ntsc = static_cast<double>(nominal) * 1000.0 / 1001.0;
        if (std::fabs(fps - ntsc) < 0.001) return {nominal * 1000, 1001};
    }
    return {std::llround(fps * 1000.0), 1000};
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads `count` digits (count 0: one or more, up to 9) at `pos`.
std::optional<std::int64_t> digits(std::string_view text, std::size_t& pos, std::size_t count) {
    const std::size_t start = pos;
    const std::size_t most = count == 0 ? 9 : count;
    std::int64_t value = 0;
    while (pos < text.size() && pos - start < most && isDigit(text[pos]))
        value = value * 10 + (text[pos++] - '0');
    if (pos == start || (count != 0 && pos - start != count)) return std::nullopt;
    return value;
}

struct Clock {
    std::int64_t seconds = 0;          // whole seconds
    std::int64_t micros = 0;           // fraction of a clock time, in microseconds
    std::optional<std::int64_t> frame; // frame within the second of a frame-numbered time
};

std::optional<Clock> parseClock(std::string_view text) {
    std::size_t pos = 0;
    const auto h = digits(text, pos, 0);
    if (!h || pos > 2 || pos >= text.size() || text[pos++] != ':') return std::nullopt;
    const auto m = digits(text, pos, 2);
    if (!m || *m >= 60 || pos >= text.size() || text[pos++] != ':') return std::nullopt;
    const auto sec = digits(text, pos, 2);
    if (!sec || *sec >= 60) return std::nullopt;
    Clock clock;
    clock.seconds = (*h * 60 + *m) * 60 + *sec;
    if (pos == text.size()) return clock;
    const char mark = text[pos++];
    const std::size_t start = pos;
    const auto tail = digits(text, pos, 0);
    if (!tail || pos != text.size()) return std::nullopt;
    if (mark == ':') {
        if (pos - start > 3) return std::nullopt;
        clock.frame = *tail;
    } else if (mark == '.') {
        std::int64_t micros = *tail;
        for (std::size_t n = pos - start; n < 6; ++n)
            micros *= 10;
        for (std::size_t n = pos - start; n > 6; --n)
            micros /= 10;
        clock.micros = micros;
    } else {
        return std::nullopt;
    }
    return clock;
}

} // namespace

bool looksLikeTime(std::string_view word) {
    std::size_t pos = 0;
    return digits(word, pos, 0) && pos < word.size() && word[pos++] == ':' && digits(word, pos, 2) &&
           pos < word.size() && word[pos++] == ':' && digits(word, pos, 2);
}

std::optional<int> frameAtTime(std::string_view time, double frameRate) {
    // Above 1000 frames a second the products below could leave 64 bits; no video has such a rate.
    if (!(frameRate > 0.0) || frameRate > 1000.0) return std::nullopt;
    const auto clock = parseClock(time);
    if (!clock) return std::nullopt;
    if (clock->frame) {
        const std::int64_t nominal = std::llround(frameRate);
        if (nominal < 1 || *clock->frame >= nominal) return std::nullopt;
        return static_cast<int>(clock->seconds * nominal + *clock->frame);
    }
    // frame = floor(t x rate + 1/2), t in microseconds: at most 360 000 s x 1e6 x 1e6 stays below 2^63.
    const Fraction rate = exactRate(frameRate);
    const std::int64_t micros = clock->seconds * 1000000 + clock->micros;
    const std::int64_t scale = rate.den * 1000000;
    return static_cast<int>((micros * rate.num + scale / 2) / scale);
}

std::string timeAtFrame(int frame, double frameRate) {
    if (!(frameRate > 0.0) || frameRate > 1000.0 || frame < 0) return {};
    const Fraction rate = exactRate(frameRate);
    // milliseconds = frame x den x 1000 / num, halves up; at most 640000 x 1001 x 1000 x 2 below 2^63.
    const std::int64_t millis = (2 * std::int64_t{frame} * rate.den * 1000 + rate.num) / (2 * rate.num);
    const std::int64_t seconds = millis / 1000;
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld.%03lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60),
                  static_cast<long long>(millis % 1000));
    return text;
}

NamedTimeLine classifyNamedTimeLine(std::string_view line, std::string_view& time) {
    const std::string_view text = trimmed(line);
    constexpr std::string_view kKeyword = "chapter";
    if (text.size() <= kKeyword.size()) return NamedTimeLine::Other;
    for (std::size_t i = 0; i < kKeyword.size(); ++i) {
        const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
        if (c != kKeyword[i]) return NamedTimeLine::Other;
    }
    std::size_t pos = kKeyword.size();
    if (!digits(text, pos, 0)) return NamedTimeLine::Other;
    const std::size_t equals = text.find('=', pos);
    if (equals == std::string_view::npos) return NamedTimeLine::Other;
    const std::string_view between = text.substr(pos, equals - pos);
    if (between.empty()) {
        time = trimmed(text.substr(equals + 1));
        return NamedTimeLine::Time;
    }
    if (between.size() == 4) {
        std::string lower(between);
        for (char& c : lower)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (lower == "name") return NamedTimeLine::Name;
    }
    return NamedTimeLine::Other;
}

} // namespace mivo::lists
