#pragma once
// Numbers as the program shows and writes them: formatted right-aligned in a field of fixed width, then
// usually left-justified (leading blanks removed).

#include "base/text.h" // trimmed and trimmedRight have their home there

#include <string>
#include <string_view>

namespace mivo {

// What a value too wide for its field shows: the field's width of asterisks (what files and listings
// get), or the whole value (the movie information, where a figure must stay readable).
enum class Overflow { Asterisks, Widen };

// Right-aligned in `width` characters.
std::string fixedInt(long long value, int width, Overflow overflow = Overflow::Asterisks);
// fixedInt without its leading blanks.
std::string leftInt(long long value, int width = 8, Overflow overflow = Overflow::Asterisks);

// `decimals` decimals, right-aligned in `width` characters. With asterisks for overflow, a value below
// 1 loses its leading zero when only that keeps it in the field (".500" in 4).
std::string fixedReal(double value, int width, int decimals, Overflow overflow = Overflow::Asterisks);
// fixedReal without its leading blanks.
std::string leftReal(double value, int width, int decimals, Overflow overflow = Overflow::Asterisks);

} // namespace mivo
