#include "program/pages/zones_page.h"

#include "core/control_ids.h"
#include "core/lists/list_messages.h"
#include "core/lists/zone_list.h"
#include "program/pages/list_boxes.h"
#include "program/preview/frame_preview.h"
#include "program/program.h"

namespace mivo {

namespace msg = list_messages;
using namespace ids::zones;

void ZonesPage::onDefault(int id) {
    if (routeNavigation(id)) return;
    switch (id) {
    case setZoneButton:
        return set();
    case removeZoneButton:
        return remove();
    case clearListButton:
        return clear();
    case createBitmapButton:
        return p_.preview().createBitmap();
    case factorEdit:
        return p_.status().clear();
    case zoneList:
        if (const int line = selectedLine(zoneList); line >= 0) {
            showListedFrame(p_.settings().zoneFrames[static_cast<std::size_t>(line)]);
            p_.status().clear();
        }
        return;
    default:
        return;
    }
}

void ZonesPage::set() {
    // The factor field takes any text: one that holds no number sets no zone, rather than a made-up factor.
    const auto factor = lists::zoneFactorFromText(p_.controls().text(PageId::Zones, factorEdit));
    if (!factor) {
        p_.status().show(msg::kZoneFactorUnreadable);
        return;
    }
    Settings& s = p_.settings();
    if (lists::setZone(s, p_.source().frameCount, fieldFrame(), *factor).outcome == lists::AddOutcome::Full) {
        p_.status().show(msg::kZoneListFull);
        return;
    }
    fillZoneListBox(p_.controls(), s);
    p_.status().show(msg::kZoneAdded);
}

void ZonesPage::remove() {
    const int line = selectedLine(zoneList);
    if (line < 0) {
        p_.status().show(msg::kZoneNotSelected);
        return;
    }
    lists::removeZoneAt(p_.settings(), p_.source().frameCount, line);
    fillZoneListBox(p_.controls(), p_.settings());
    p_.status().show(msg::kZoneRemoved);
}

void ZonesPage::clear() {
    p_.settings().clearZones();
    fillZoneListBox(p_.controls(), p_.settings());
    p_.status().show(msg::kZonesCleared);
}

} // namespace mivo
