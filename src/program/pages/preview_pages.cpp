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

} // namespace mivo
