#include "program/pages/list_boxes.h"

#include "core/control_ids.h"
#include "core/lists/chapter_list.h"
#include "core/lists/panscan_list.h"
#include "core/lists/zone_list.h"

#include <algorithm>

namespace mivo {

namespace {

using LineOf = std::string (*)(const Settings&, int);

// The record outlives the control model's boxes (both belong to the program), so the provider may keep
// a reference; a line past the count gives an empty text.
void fill(ControlModel& c, PageId page, int id, const Settings& s, int count, int capacity, LineOf line) {
    const int n = std::clamp(count, 0, capacity);
    if (n == 0) {
        c.setItems(page, id, {});
        return;
    }
    c.setLines(page, id, n, [&s, line](int i) { return line(s, i); });
}

} // namespace

void fillChapterListBox(ControlModel& c, const Settings& s) {
    fill(c, PageId::Chapters, ids::chapters::chapterList, s, s.chapterCount, kChapterCapacity,
         lists::chapterLine);
}

void fillZoneListBox(ControlModel& c, const Settings& s) {
    fill(c, PageId::Zones, ids::zones::zoneList, s, s.zoneCount, kZoneCapacity, lists::zoneLine);
}

void fillPanScanListBox(ControlModel& c, const Settings& s) {
    fill(c, PageId::PanScan, ids::panscan::positionList, s, s.panScanCount, kPanScanCapacity,
         lists::panScanLine);
}

void sortAndFillListBoxes(ControlModel& c, Settings& s) {
    lists::sortChapters(s);
    lists::sortZones(s);
    lists::sortPanScan(s);
    fillChapterListBox(c, s);
    fillZoneListBox(c, s);
    fillPanScanListBox(c, s);
}

} // namespace mivo
