// The Chapters, Zones and PanScan pages: what they share is the preview, reached through its stepping
// buttons, current-frame field and slider.

#include "core/control_ids.h"
#include "program/pages/page_handlers.h"
#include "program/preview/frame_preview.h"
#include "program/program.h"

namespace mivo {

namespace {

bool isNavigation(PageId page, int id) {
    using namespace ids::preview;
    return id == currentFrameField(page) || id == slider ||
           (id >= stepBackButton && id <= largeStepForwardButton);
}

void route(Program& p, PageId page, int id) {
    if (isNavigation(page, id)) p.preview().navigate(page, id);
}

// Leaving the current-frame field shows the frame again; the field's gain of focus changes nothing.
bool leftField(Program& p, PageId page, int id) {
    if (id != currentFrameField(page)) return false;
    p.preview().fieldLeft(page);
    return true;
}

} // namespace

void ChaptersPage::onDefault(int id) {
    route(p_, PageId::Chapters, id);
}

void ZonesPage::onDefault(int id) {
    if (id == ids::zones::createBitmapButton)
        p_.preview().createBitmap();
    else
        route(p_, PageId::Zones, id);
}

void PanScanPage::onDefault(int id) {
    route(p_, PageId::PanScan, id);
}

void ChaptersPage::onLoseFocus(int id) {
    leftField(p_, PageId::Chapters, id);
}
void ZonesPage::onLoseFocus(int id) {
    leftField(p_, PageId::Zones, id);
}
void PanScanPage::onLoseFocus(int id) {
    leftField(p_, PageId::PanScan, id);
}

void ChaptersPage::onGainFocus(int id) {
    if (id != currentFrameField(PageId::Chapters)) PageHandler::onGainFocus(id);
}
void ZonesPage::onGainFocus(int id) {
    if (id != currentFrameField(PageId::Zones)) PageHandler::onGainFocus(id);
}
void PanScanPage::onGainFocus(int id) {
    if (id != currentFrameField(PageId::PanScan)) PageHandler::onGainFocus(id);
}

} // namespace mivo
