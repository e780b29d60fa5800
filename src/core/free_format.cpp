#include "core/free_format.h"

#include <array>
#include <charconv>

namespace mivo::ff {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

bool parseInt(std::string_view token, int& out) {
    if (token.empty()) return false;
    bool negative = false;
    if (token.front() == '+' || token.front() == '-') {
        negative = token.front() == '-';
        token.remove_prefix(1);
    }
    if (token.empty() || !isDigit(token.front())) return false;
    // from_chars takes no sign of its own; read the magnitude wide enough for INT_MIN.
    long long magnitude = 0;
    const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), magnitude);
    if (ec != std::errc() || end != token.data() + token.size()) return false;
    const long long value = negative ? -magnitude : magnitude;
    if (value < -2147483648LL || value > 2147483647LL) return false;
    out = static_cast<int>(value);
    return true;
}

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

std::optional<std::string_view> TokenScanner::next() {
    while (pos_ < text_.size() && isBlank(text_[pos_]))
        ++pos_;
    if (pos_ < text_.size() && text_[pos_] == ',') {
        if (!afterValue_) {
            ++pos_;
            return std::string_view(); // an empty value: a comma with no value before it
        }
        ++pos_;
        afterValue_ = false;
        while (pos_ < text_.size() && isBlank(text_[pos_]))
            ++pos_;
        if (pos_ < text_.size() && text_[pos_] == ',') {
            ++pos_;
            return std::string_view(); // two commas in a row
        }
    }
    if (pos_ >= text_.size()) return std::nullopt;
    const std::size_t start = pos_;
    while (pos_ < text_.size() && !isBlank(text_[pos_]) && text_[pos_] != ',')
        ++pos_;
    afterValue_ = true;
    return text_.substr(start, pos_ - start);
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

std::optional<std::string_view> TextLines::next() {
    if (pos_ >= text_.size()) return std::nullopt;
    const std::size_t start = pos_;
    const std::size_t lf = text_.find('\n', start);
    std::size_t end = lf == std::string_view::npos ? text_.size() : lf;
    pos_ = lf == std::string_view::npos ? text_.size() : lf + 1;
    if (end > start && text_[end - 1] == '\r') --end;
    return text_.substr(start, std::min(end - start, max_));
}

std::optional<std::string_view> ListRead::next() {
    for (;;) {
        if (auto token = scanner_.next()) return token;
        const auto line = lines_.next();
        if (!line) return std::nullopt;
        scanner_.reset(line->substr(0, max_));
    }
}

ReadStatus ListRead::nextInt(int& out) {
    const auto token = next();
    if (!token) return ReadStatus::Missing;
    return parseInt(*token, out) ? ReadStatus::Ok : ReadStatus::Invalid;
}

ReadStatus ListRead::nextReal(float& out) {
    const auto token = next();
    if (!token) return ReadStatus::Missing;
    return parseReal(*token, out) ? ReadStatus::Ok : ReadStatus::Invalid;
}

} // namespace mivo::ff
