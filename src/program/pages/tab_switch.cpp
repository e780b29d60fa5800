// The tab control: what each page needs when it comes up, and the hold on the chapter page while a
// scene-change scan runs.

#include "program/pages/tab_switch.h"
#include "core/control_ids.h"
#include "core/free_format.h"

#include "program/pages/disc_page.h"
#include "program/pages/list_boxes.h"
#include "program/pages/queue_page.h"
#include "program/pages/settings_listing.h"
#include "program/program.h"

#include <initializer_list>
#include <utility>

namespace mivo {

namespace {

constexpr int kChaptersTab = 5; // tab 6, counted from 0

// The controls each preview page enables or disables as a whole: usable only with an open source. The
// zone list box is among them like the other two pages' boxes: "remove zone" needs a line chosen in it.
void setPageControls(ControlModel& c, PageId page, std::initializer_list<int> ids, bool on) {
    for (int id : ids)
        c.setEnabled(page, id, on);
    for (int id : ids::preview::kNavigation)
        c.setEnabled(page, id, on);
}

void chaptersPage(ControlModel& c, bool on) {
    namespace ch = ids::chapters;
    setPageControls(c, PageId::Chapters,
                    {ch::setStartButton, ch::setEndButton, ids::preview::currentFrameEdit, ch::chapterList,
                     ch::importButton, ch::exportButton, ch::clearListButton, ch::addButton, ch::removeButton,
                     ch::scanButton},
                    on);
}
void zonesPage(ControlModel& c, bool on) {
    namespace z = ids::zones;
    setPageControls(c, PageId::Zones,
                    {ids::preview::currentFrameEdit, z::factorEdit, z::setZoneButton, z::removeZoneButton,
                     z::clearListButton, z::createBitmapButton, z::zoneList},
                    on);
}
void panScanPage(ControlModel& c, bool on) {
    namespace ps = ids::panscan;
    setPageControls(c, PageId::PanScan,
                    {ps::currentFrameEdit, ps::horizontalEdit, ps::importButton, ps::exportButton,
                     ps::clearListButton, ps::addButton, ps::removeButton, ps::positionList,
                     ps::horizontalLeftButton, ps::horizontalRightButton},
                    on);
}

// Luminance gain and the adaptive matrix exclude each other.
void matrixPageShown(Program& p) {
    ControlModel& c = p.controls();
    p.status().clear();
    int gain = 0;
    if (ff::readInt(c.text(PageId::Settings2, ids::settings2::lumGainEdit), gain) != ff::ReadStatus::Ok)
        gain = 0;
    if (gain > 0) {
        c.setChecked(PageId::Matrix, ids::matrix::adaptiveMatrixCheck, false);
        c.setEnabled(PageId::Matrix, ids::matrix::adaptiveMatrixCheck, false);
        p.status().show(" luminance gain active, adaptive matrix disabled");
    } else {
        c.setEnabled(PageId::Matrix, ids::matrix::adaptiveMatrixCheck, true);
    }
}

// A preview page is usable only with an open source (PanScan also only with "4:3 PanScan" chosen); its
// picture is redrawn at the next mouse press.
void previewPageShown(Program& p, PageId page) {
    ControlModel& c = p.controls();
    const SourceState& s = p.source();
    const bool source = s.sourceReady && s.frameCount > 0;
    const std::string frame = std::to_string(s.currentFrame);
    // The boxes are refilled from the lists, which the scene-change scan may have changed meanwhile.
    if (page == PageId::Chapters) {
        chaptersPage(c, source);
        if (source) {
            c.setText(PageId::Chapters, ids::preview::currentFrameEdit, frame);
            fillChapterListBox(c, p.settings());
        }
        p.status().clear();
    } else if (page == PageId::Zones) {
        zonesPage(c, source);
        if (source) {
            c.setText(PageId::Zones, ids::preview::currentFrameEdit, frame);
            fillZoneListBox(c, p.settings());
        }
        p.status().clear();
    } else if (source && c.checked(PageId::Main, ids::main::aspectPanScanRadio)) {
        panScanPage(c, true);
        c.setText(PageId::PanScan, ids::panscan::currentFrameEdit, frame);
        fillPanScanListBox(c, p.settings());
        p.status().clear();
    } else {
        panScanPage(c, false);
        p.status().show(" PanScan not activated");
    }
    p.setPreviewRedraw(true);
}

} // namespace

void tabChanged(Program& p) {
    ControlModel& c = p.controls();
    if (p.scanRunning()) {
        c.setSelected(PageId::Window, ids::window::tabs, kChaptersTab);
        p.status().show(" can't change tab while scene change detection scan is running");
        return;
    }
    const auto page = static_cast<PageId>(c.selected(PageId::Window, ids::window::tabs) + 1);
    switch (page) {
    case PageId::Main:
        p.status().clear();
        break;
    case PageId::Settings1:
    case PageId::Settings2:
    case PageId::Settings3:
        rebuildIniListing(p);
        p.status().clear();
        break;
    case PageId::Matrix:
        matrixPageShown(p);
        break;
    case PageId::Chapters:
    case PageId::Zones:
    case PageId::PanScan:
        previewPageShown(p, page);
        break;
    case PageId::Queue:
        p.status().clear();
        p.queuePage().shown();
        break;
    case PageId::Disc:
        p.status().clear();
        p.discPage().refresh();
        break;
    default:
        break;
    }
    // The page just brought up shows the current frame at once rather than at the next mouse press.
    p.servePreviewRedraw();
}

} // namespace mivo
