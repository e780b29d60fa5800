#include "core/cpu_level.h"

#include "base/text.h"
#include "core/kernels/cpu_features.h"

#include <charconv>

namespace mivo {

int cpuLevelFromFlags(std::uint32_t edx, std::uint32_t ecx) {
    CpuidWords words;
    words.leaf1Edx = edx;
    words.leaf1Ecx = ecx;
    return cpuLevelFromFeatures(cpuFeaturesFromCpuid(words));
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
