#pragma once
// Right-aligned columns of the list-box lines and list files. Unlike the fixed-width fields of the
// numeric edits, a column here never shows asterisks: a value wider than its column is written whole,
// so a list line always tells the entry it stands for and a written file reads back to the same list.

#include <string>

namespace mivo::lists {

// `value` right-aligned in `width` characters, or its digits alone when they need more.
void appendAligned(std::string& out, long long value, int width);

// One decimal, right-aligned in `width` characters, or the digits alone when they need more.
void appendAlignedTenths(std::string& out, double value, int width);

} // namespace mivo::lists
