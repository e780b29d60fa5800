// The tab control: what each page needs when it comes up, and the hold on the chapter page while a
// scene-change scan runs.

#include "core/control_ids.h"
#include "core/free_format.h"
#include "program/pages/page_handlers.h"
#include "program/pages/settings_listing.h"
#include "program/program.h"

#include <initializer_list>
#include <utility>

namespace mivo {

namespace {

constexpr int kChaptersTab = 5; // tab 6, counted from 0

struct IdRange {
    int first, last;
};

// The controls each preview page enables or disables as a whole.
void setPageControls(ControlModel& c, PageId page, std::initializer_list<IdRange> ranges, bool on) {
    for (const IdRange& r : ranges)
        for (int id = r.first; id <= r.last; ++id)
            if (c.find(page, id)) c.setEnabled(page, id, on);
}

void chaptersPage(ControlModel& c, bool on) {
    setPageControls(c, PageId::Chapters, {{1601, 1617}}, on);
}
void zonesPage(ControlModel& c, bool on) {
    setPageControls(c, PageId::Zones, {{1603, 1603}, {1605, 1611}, {1711, 1715}}, on);
}
void panScanPage(ControlModel& c, bool on) {
    setPageControls(c, PageId::PanScan, {{1605, 1611}, {1811, 1812}, {1816, 1823}}, on);
}

} // namespace

void WindowHandlers::tabChanged() {
    ControlModel& c = p_.controls();
    if (p_.scanRunning()) {
        c.setSelected(PageId::Window, ids::window::tabs, kChaptersTab);
        p_.status().show(" can't change tab while scene change detection scan is running");
        return;
    }
    const SourceState& s = p_.source();
    const bool source = s.sourceReady && s.frameCount > 0;
    const std::string frame = std::to_string(s.currentFrame);
    switch (static_cast<PageId>(c.selected(PageId::Window, ids::window::tabs) + 1)) {
    case PageId::Main:
        p_.status().clear();
        break;
    case PageId::Settings1:
    case PageId::Settings2:
    case PageId::Settings3:
        rebuildIniListing(p_);
        p_.status().clear();
        break;
    case PageId::Matrix: {
        p_.status().clear();
        // Luminance gain and the adaptive matrix exclude each other.
        int gain = 0;
        if (ff::readInt(c.text(PageId::Settings2, ids::settings2::lumGainEdit), gain) != ff::ReadStatus::Ok)
            gain = 0;
        if (gain > 0) {
            c.setChecked(PageId::Matrix, ids::matrix::adaptiveMatrixCheck, false);
            c.setEnabled(PageId::Matrix, ids::matrix::adaptiveMatrixCheck, false);
            p_.status().show(" luminance gain active, adaptive matrix disabled");
        } else {
            c.setEnabled(PageId::Matrix, ids::matrix::adaptiveMatrixCheck, true);
        }
        break;
    }
    case PageId::Chapters:
        chaptersPage(c, source);
        if (source) c.setText(PageId::Chapters, ids::preview::currentFrameEdit, frame);
        p_.status().clear();
        p_.setPreviewRedraw(true);
        break;
    case PageId::Zones:
        zonesPage(c, source);
        if (source) c.setText(PageId::Zones, ids::preview::currentFrameEdit, frame);
        p_.status().clear();
        p_.setPreviewRedraw(true);
        break;
    case PageId::PanScan:
        if (source && c.checked(PageId::Main, ids::main::aspectPanScanRadio)) {
            panScanPage(c, true);
            c.setText(PageId::PanScan, ids::panscan::currentFrameEdit, frame);
            p_.status().clear();
        } else {
            panScanPage(c, false);
            p_.status().show(" PanScan not activated");
        }
        p_.setPreviewRedraw(true);
        break;
    default:
        break;
    }
    // The page just brought up shows the current frame at once rather than at the next mouse press.
    p_.servePreviewRedraw();
}

} // namespace mivo
