#include "base/fixed_format.h"

#include <cmath>
#include <cstdio>

namespace mivo {

namespace {

std::string rightAligned(const std::string& text, int width, Overflow overflow) {
    const auto w = static_cast<std::size_t>(width > 0 ? width : 0);
    if (text.size() > w) return overflow == Overflow::Widen ? text : std::string(w, '*');
    return std::string(w - text.size(), ' ') + text;
}

} // namespace

std::string fixedInt(long long value, int width, Overflow overflow) {
    return rightAligned(std::to_string(value), width, overflow);
}

std::string leftInt(long long value, int width, Overflow overflow) {
    return std::string(trimmed(fixedInt(value, width, overflow)));
}

std::string fixedReal(double value, int width, int decimals, Overflow overflow) {
    const bool widen = overflow == Overflow::Widen;
    if (!widen && !std::isfinite(value)) return std::string(static_cast<std::size_t>(width), '*');
    char buffer[400];
    const int n = std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    if (n <= 0 || n >= static_cast<int>(sizeof buffer))
        return std::string(static_cast<std::size_t>(width), '*');
    std::string text(buffer, static_cast<std::size_t>(n));
    if (!widen && static_cast<int>(text.size()) > width) {
        if (text.rfind("0.", 0) == 0)
            text.erase(0, 1);
        else if (text.rfind("-0.", 0) == 0)
            text.erase(1, 1);
    }
    return rightAligned(text, width, overflow);
}

std::string leftReal(double value, int width, int decimals, Overflow overflow) {
    return std::string(trimmed(fixedReal(value, width, decimals, overflow)));
}

} // namespace mivo
