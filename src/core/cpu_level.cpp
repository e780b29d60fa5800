#include "core/cpu_level.h"

#include "core/text.h"

#include <charconv>

namespace mivo {

int cpuLevelFromFlags(std::uint32_t edx, std::uint32_t ecx) {
    constexpr std::uint32_t mmx = 1u << 23, sse2 = 1u << 26;
    constexpr std::uint32_t sse3 = 1u << 0, ssse3 = 1u << 9, sse41 = 1u << 19, sse42 = 1u << 20;
    int level = 0;
    if (edx & mmx) level = 1;
    if (edx & sse2) level = 2;
    if (ecx & sse3) level = 3;
    if (ecx & ssse3) level = 4;
    if (ecx & sse41) level = 5;
    if (ecx & sse42) level = 6;
    return level;
}

int processorCountFromText(std::string_view text) {
    text = trimmed(text.substr(0, 20));
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return 0;
    return value;
}

} // namespace mivo
