#pragma once
// Numbers in free format: the way every text file the program reads (ini files, list files, matrix
// files) and every numeric edit field carries its numbers. Values are separated by one or more blanks,
// by a comma (with or without blanks around it) or by line ends; an integer item takes an integer, a
// real item an integer or a decimal number with an optional exponent ("5", "4.500", "1e3").
//
// Two ways of reading:
// - from one line or one field (readInts, readInt, readReal): the values must all be on that text;
// - as a list over the lines of a file (ListRead over TextLines): one read operation starts on the next
//   line, takes its values from as many lines as it needs and drops the rest of the line on which it
//   ended, so the following read starts on a fresh line.
//
// Not supported (a text using them does not read): empty values between two commas, repeat counts
// ("3*0") and a slash that ends the list early.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace mivo::ff {

enum class ReadStatus {
    Ok,
    Missing, // the text (or the file) ended before every value was read
    Invalid, // a token that is no number of the kind asked for
};

// The whole token must be an integer: an optional sign and decimal digits, within the int range.
inline bool parseInt(std::string_view token, int& out);
// The whole token must be a number: [sign] digits [. digits] [exponent], or [sign] . digits [exponent],
// exponent E or D with an optional sign and digits; the value must be a finite float.
bool parseReal(std::string_view token, float& out);

// Splits one line into value tokens.
class TokenScanner {
  public:
    explicit TokenScanner(std::string_view text) : text_(text) {}
    // The next value token; an empty token stands for an empty value (two commas in a row, a comma at
    // the start). std::nullopt at the end of the text.
    inline std::optional<std::string_view> next();
    // Every value of the text was taken (nothing at all is left of it).
    bool atEnd() const { return pos_ >= text_.size(); }
    // Starts over on another line (the state of the comma rule starts afresh).
    void reset(std::string_view text) {
        text_ = text;
        pos_ = 0;
        afterValue_ = false;
    }

  private:
    std::string_view text_;
    std::size_t pos_ = 0;
    bool afterValue_ = false; // a value was read and its separating comma is still to come
};

// Values from one line or field.
ReadStatus readInts(std::string_view text, std::span<int> out);
ReadStatus readInt(std::string_view text, int& out);
ReadStatus readReal(std::string_view text, float& out);

// The lines of a text held in memory. A line ends at LF; a CR right before the LF (or right before the
// end of the text) is not part of the line; the last line needs no line end. Lines longer than
// maxLength are cut to their first maxLength characters.
class TextLines {
  public:
    explicit TextLines(std::string_view text, std::size_t maxLength = 512) : text_(text), max_(maxLength) {}
    // The next line, or std::nullopt at the end of the text.
    inline std::optional<std::string_view> next();
    bool atEnd() const { return pos_ >= text_.size(); }
    // Position of the next unread byte in the text.
    std::size_t offset() const { return pos_; }
    // When the next line holds one to nine digits and nothing else, its value, and the line is taken;
    // otherwise nothing is taken. The common line of a long list, read without splitting it.
    inline bool takeDigitLine(int& out);

  private:
    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t max_;
};

// One list read operation over TextLines: the first value comes from the next line; the values run on
// over as many lines as needed (empty lines are passed over); when the caller is done, the lines
// continue after the line on which the last value stood.
class ListRead {
  public:
    // Of each line only the first maxLength characters are read.
    explicit ListRead(TextLines& lines, std::size_t maxLength = std::string_view::npos)
        : lines_(lines), scanner_({}), max_(maxLength) {}
    // The next value token, or std::nullopt when the file ended first.
    inline std::optional<std::string_view> next();
    inline ReadStatus nextInt(int& out);
    ReadStatus nextReal(float& out);

  private:
    TextLines& lines_;
    TokenScanner scanner_;
    std::size_t max_;
};

// --- the hot paths, inline: a list of 640000 chapters runs through them once a value ---------------

namespace detail {
inline bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
} // namespace detail

inline bool parseInt(std::string_view token, int& out) {
    std::size_t i = 0;
    bool negative = false;
    if (!token.empty() && (token[0] == '+' || token[0] == '-')) {
        negative = token[0] == '-';
        i = 1;
    }
    if (i == token.size()) return false;
    std::uint64_t value = 0;
    for (; i < token.size(); ++i) {
        const unsigned digit = static_cast<unsigned>(static_cast<unsigned char>(token[i])) - '0';
        if (digit > 9) return false;
        value = value * 10 + digit;
        if (value > 2147483648ULL) return false; // more digits only make it larger
    }
    if (!negative && value > 2147483647ULL) return false;
    out = static_cast<int>(negative ? -static_cast<std::int64_t>(value) : static_cast<std::int64_t>(value));
    return true;
}

inline std::optional<std::string_view> TokenScanner::next() {
    while (pos_ < text_.size() && detail::isBlank(text_[pos_]))
        ++pos_;
    if (pos_ < text_.size() && text_[pos_] == ',') {
        ++pos_;
        if (!afterValue_) return std::string_view(); // a comma with no value before it
        afterValue_ = false;
        while (pos_ < text_.size() && detail::isBlank(text_[pos_]))
            ++pos_;
        if (pos_ < text_.size() && text_[pos_] == ',') {
            ++pos_;
            return std::string_view(); // two commas in a row
        }
    }
    if (pos_ >= text_.size()) return std::nullopt;
    const std::size_t start = pos_;
    while (pos_ < text_.size() && !detail::isBlank(text_[pos_]) && text_[pos_] != ',')
        ++pos_;
    afterValue_ = true;
    return text_.substr(start, pos_ - start);
}

inline std::optional<std::string_view> TextLines::next() {
    if (pos_ >= text_.size()) return std::nullopt;
    const std::size_t start = pos_;
    const std::size_t lf = text_.find('\n', start);
    std::size_t end = lf == std::string_view::npos ? text_.size() : lf;
    pos_ = lf == std::string_view::npos ? text_.size() : lf + 1;
    if (end > start && text_[end - 1] == '\r') --end;
    const std::size_t length = end - start;
    return text_.substr(start, length < max_ ? length : max_);
}

inline bool TextLines::takeDigitLine(int& out) {
    const char* const begin = text_.data() + pos_;
    const char* const end = text_.data() + text_.size();
    const char* const digitsEnd = end - begin > 9 ? begin + 9 : end;
    const char* p = begin;
    int value = 0;
    for (; p < digitsEnd; ++p) {
        const unsigned digit = static_cast<unsigned>(static_cast<unsigned char>(*p)) - '0';
        if (digit > 9) break;
        value = value * 10 + static_cast<int>(digit);
    }
    if (p == begin || static_cast<std::size_t>(p - begin) > max_) return false;
    // The line must end right after the digits: LF, CR LF, or the end of the text (with or without a CR).
    if (p < end && *p == '\r') ++p;
    if (p < end && *p++ != '\n') return false;
    pos_ = static_cast<std::size_t>(p - text_.data());
    out = value;
    return true;
}

inline std::optional<std::string_view> ListRead::next() {
    for (;;) {
        if (auto token = scanner_.next()) return token;
        const auto line = lines_.next();
        if (!line) return std::nullopt;
        scanner_.reset(line->substr(0, max_));
    }
}

inline ReadStatus ListRead::nextInt(int& out) {
    // A line of digits alone gives the value the scanner would: taken whole, without splitting it.
    if (scanner_.atEnd() && max_ >= 9 && lines_.takeDigitLine(out)) return ReadStatus::Ok;
    const auto token = next();
    if (!token) return ReadStatus::Missing;
    return parseInt(*token, out) ? ReadStatus::Ok : ReadStatus::Invalid;
}

} // namespace mivo::ff
