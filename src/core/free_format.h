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
bool parseInt(std::string_view token, int& out);
// The whole token must be a number: [sign] digits [. digits] [exponent], or [sign] . digits [exponent],
// exponent E or D with an optional sign and digits; the value must be a finite float.
bool parseReal(std::string_view token, float& out);

// Splits one line into value tokens.
class TokenScanner {
  public:
    explicit TokenScanner(std::string_view text) : text_(text) {}
    // The next value token; an empty token stands for an empty value (two commas in a row, a comma at
    // the start). std::nullopt at the end of the text.
    std::optional<std::string_view> next();
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
    std::optional<std::string_view> next();
    bool atEnd() const { return pos_ >= text_.size(); }
    // Position of the next unread byte in the text.
    std::size_t offset() const { return pos_; }

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
    std::optional<std::string_view> next();
    ReadStatus nextInt(int& out);
    ReadStatus nextReal(float& out);

  private:
    TextLines& lines_;
    TokenScanner scanner_;
    std::size_t max_;
};

} // namespace mivo::ff
