#pragma once
// Numbers as the program shows and writes them: formatted right-aligned in a field of fixed width, then
// usually left-justified (leading blanks removed). A value too wide for its field shows as asterisks,
// the field's width of them.

#include <string>
#include <string_view>

namespace mivo {

// Right-aligned in `width` characters; `width` asterisks when it does not fit.
std::string fixedInt(long long value, int width);
// fixedInt without its leading blanks.
std::string leftInt(long long value, int width = 8);

// `decimals` decimals, right-aligned in `width` characters. A value below 1 loses its leading zero when
// only that keeps it in the field (".500" in 4); asterisks when it does not fit at all.
std::string fixedReal(double value, int width, int decimals);
// fixedReal without its leading blanks.
std::string leftReal(double value, int width, int decimals);

// The text without leading and trailing blanks (and tabs).
std::string_view trimmed(std::string_view text);
// The text without trailing blanks.
std::string_view trimmedRight(std::string_view text);

} // namespace mivo
