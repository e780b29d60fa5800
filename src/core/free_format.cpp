#include "core/free_format.h"

#include <array>
#include <charconv>

namespace mivo::ff {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

bool parseReal(std::string_view token, float& out) {
    // Check the form first: from_chars alone would also take "inf", "nan" and hexadecimal forms.
    std::array<char, 64> copy{};
    if (token.empty() || token.size() >= copy.size()) return false;
    std::size_t n = 0, i = 0;
    if (token[i] == '+' || token[i] == '-') {
        if (token[i] == '-') copy[n++] = '-';
        ++i;
    }
    std::size_t digits = 0;
    while (i < token.size() && isDigit(token[i])) {
        copy[n++] = token[i++];
        ++digits;
    }
    if (i < token.size() && token[i] == '.') {
        copy[n++] = token[i++];
        while (i < token.size() && isDigit(token[i])) {
            copy[n++] = token[i++];
            ++digits;
        }
    }
    if (digits == 0) return false;
    if (i < token.size()) {
        const char e = token[i];
        if (e != 'e' && e != 'E' && e != 'd' && e != 'D') return false;
        copy[n++] = 'e';
        ++i;
        if (i < token.size() && (token[i] == '+' || token[i] == '-')) copy[n++] = token[i++];
        std::size_t expDigits = 0;
        while (i < token.size() && isDigit(token[i])) {
            copy[n++] = token[i++];
            ++expDigits;
        }
        if (expDigits == 0 || i != token.size()) return false;
    }
    float value = 0.0f;
    const auto [end, ec] = std::from_chars(copy.data(), copy.data() + n, value);
    if (ec != std::errc() || end != copy.data() + n) return false;
    out = value;
    return true;
}

ReadStatus readInts(std::string_view text, std::span<int> out) {
    TokenScanner scanner(text);
    for (int& value : out) {
        const auto token = scanner.next();
        if (!token) return ReadStatus::Missing;
        if (!parseInt(*token, value)) return ReadStatus::Invalid;
    }
    return ReadStatus::Ok;
}

ReadStatus readInt(std::string_view text, int& out) {
    return readInts(text, std::span<int>(&out, 1));
}

ReadStatus readReal(std::string_view text, float& out) {
    TokenScanner scanner(text);
    const auto token = scanner.next();
    if (!token) return ReadStatus::Missing;
    return parseReal(*token, out) ? ReadStatus::Ok : ReadStatus::Invalid;
}

ReadStatus ListRead::nextReal(float& out) {
    const auto token = next();
    if (!token) return ReadStatus::Missing;
    return parseReal(*token, out) ? ReadStatus::Ok : ReadStatus::Invalid;
}

} // namespace mivo::ff
