#pragma once
// The chapter, zone and pan-scan list boxes as views of the lists in the settings record. A refill hands
// the box the list's count and a provider of line i: the box formats only the lines it shows, so a list
// of 640000 chapters fills as fast as one of three.

#include "core/control_model.h"
#include "core/settings/settings.h"

namespace mivo {

void fillChapterListBox(ControlModel& c, const Settings& s);
void fillZoneListBox(ControlModel& c, const Settings& s);
void fillPanScanListBox(ControlModel& c, const Settings& s);

// After an ini file or a list file was read: the three lists in frame order, then their boxes refilled.
void sortAndFillListBoxes(ControlModel& c, Settings& s);

} // namespace mivo
