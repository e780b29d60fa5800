#pragma once
// Trimming and case rules for the program's texts. Plain standard C++ with no other part of the program
// behind it, so the decoder library and the companion tools share it.

#include <string_view>

namespace mivo {

inline constexpr std::string_view kBlanks = " ";
inline constexpr std::string_view kBlanksAndTabs = " \t";

// The text without the given characters at both ends, at its start, or at its end. Stored values never
// carry trailing blanks, so trimming at the end takes only blanks unless told otherwise.
std::string_view trimmed(std::string_view text, std::string_view blanks = kBlanksAndTabs);
std::string_view trimmedLeft(std::string_view text, std::string_view blanks = kBlanksAndTabs);
std::string_view trimmedRight(std::string_view text, std::string_view blanks = kBlanks);

// Only the letters A to Z fold: file names and keywords are compared byte by byte otherwise.
char asciiLower(char c);
bool endsWithIgnoringCase(std::string_view text, std::string_view suffix);

} // namespace mivo
