#include "core/lists/zone_list.h"

#include "core/free_format.h"
#include "core/lists/list_columns.h"

#include <cmath>

namespace mivo::lists {

namespace {
KeyedColumns<float> zones(Settings& s) {
    return {s.zoneFrames.data(), s.zoneFactors.data(), s.zoneCount, kZoneCapacity};
}
} // namespace

float normaliseZoneFactor(double factor) {
    if (std::isnan(factor)) return kLeastZoneFactor;
    const double tenths = std::round(10.0 * factor) / 10.0; // std::round takes halves away from zero
    return static_cast<float>(std::clamp(tenths, double{kLeastZoneFactor}, double{kGreatestZoneFactor}));
}

std::optional<float> zoneFactorFromText(std::string_view text) {
    float factor = 0.0f;
    if (ff::readReal(text, factor) != ff::ReadStatus::Ok) return std::nullopt;
    return normaliseZoneFactor(factor);
}

AddResult setZone(Settings& s, int frameCount, int frame, float factor) {
    return setKeyed(zones(s), frameCount, frame, factor);
}

bool removeZoneAt(Settings& s, int frameCount, int index) {
    return removeKeyedAt(zones(s), frameCount, index);
}

void sortZones(Settings& s) {
    sortKeyed(zones(s));
}

std::string zoneLine(const Settings& s, int index) {
    std::string line;
    if (index < 0 || index >= std::clamp(s.zoneCount, 0, kZoneCapacity)) return line;
    const auto i = static_cast<std::size_t>(index);
    appendAligned(line, s.zoneFrames[i], 8);
    line += " | ";
    appendAlignedTenths(line, s.zoneFactors[i], 3);
    return line;
}

} // namespace mivo::lists
