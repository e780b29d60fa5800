#pragma once
// Editing the zone list of the settings record: (first frame, bitrate factor) pairs, ascending by frame,
// one zone a frame, factors in tenths from 0.2 to 5.0, no frame beyond the source. Entries count from 0,
// as the list box counts its lines.

#include "core/lists/keyed_list.h"
#include "core/settings/settings.h"

#include <optional>
#include <string>
#include <string_view>

namespace mivo::lists {

inline constexpr float kLeastZoneFactor = 0.2f;
inline constexpr float kGreatestZoneFactor = 5.0f;

// To the nearest tenth (halves away from zero), then into 0.2..5.0; not a number gives 0.2.
float normaliseZoneFactor(double factor);
// The factor field's text read as a free-form number and normalised; std::nullopt when it holds none.
std::optional<float> zoneFactorFromText(std::string_view text);

// A listed frame takes the new factor and nothing else changes; a new frame is inserted in order and
// the range trim against `frameCount` follows. A full list takes no new frame.
AddResult setZone(Settings& s, int frameCount, int frame, float factor);
// Removes zone `index`, the later ones moving up with their factors, then the range trim. False when
// there is no such zone.
bool removeZoneAt(Settings& s, int frameCount, int index);
// Ascending by frame, each factor staying with its frame.
void sortZones(Settings& s);

// The list-box line of zone `index`: the frame in 8 characters, " | ", the factor with one decimal in 3.
std::string zoneLine(const Settings& s, int index);

} // namespace mivo::lists
