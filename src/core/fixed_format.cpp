#include "core/fixed_format.h"

#include <cmath>
#include <cstdio>
#include <string_view>

namespace mivo {

std::string fixedInt(long long value, int width) {
    std::string digits = std::to_string(value);
    if (static_cast<int>(digits.size()) > width) return std::string(static_cast<std::size_t>(width), '*');
    return std::string(static_cast<std::size_t>(width) - digits.size(), ' ') + digits;
}

std::string leftInt(long long value, int width) {
    return std::string(trimmed(fixedInt(value, width)));
}

std::string fixedReal(double value, int width, int decimals) {
    if (!std::isfinite(value)) return std::string(static_cast<std::size_t>(width), '*');
    char buffer[400];
    const int n = std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    if (n <= 0 || n >= static_cast<int>(sizeof buffer))
        return std::string(static_cast<std::size_t>(width), '*');
    std::string text(buffer, static_cast<std::size_t>(n));
    if (static_cast<int>(text.size()) > width) {
        if (text.rfind("0.", 0) == 0)
            text.erase(0, 1);
        else if (text.rfind("-0.", 0) == 0)
            text.erase(1, 1);
    }
    if (static_cast<int>(text.size()) > width) return std::string(static_cast<std::size_t>(width), '*');
    return std::string(static_cast<std::size_t>(width) - text.size(), ' ') + text;
}

std::string leftReal(double value, int width, int decimals) {
    return std::string(trimmed(fixedReal(value, width, decimals)));
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::string_view trimmedRight(std::string_view text) {
    const auto last = text.find_last_not_of(' ');
    return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

} // namespace mivo
