#include "core/lists/list_columns.h"

#include <charconv>
#include <cstdio>

namespace mivo::lists {

namespace {
void appendPadded(std::string& out, const char* text, std::size_t length, int width) {
    if (static_cast<int>(length) < width) out.append(static_cast<std::size_t>(width) - length, ' ');
    out.append(text, length);
}
} // namespace

void appendAligned(std::string& out, long long value, int width) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    appendPadded(out, digits, static_cast<std::size_t>(end - digits), width);
}

void appendAlignedTenths(std::string& out, double value, int width) {
    char text[400]; // room for the widest double in %.1f (311 characters)
    const int n = std::snprintf(text, sizeof text, "%.1f", value);
    if (n > 0) appendPadded(out, text, static_cast<std::size_t>(n), width);
}

} // namespace mivo::lists
