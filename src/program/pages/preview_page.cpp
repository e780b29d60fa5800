#include "program/pages/preview_page.h"

#include "core/control_ids.h"
#include "core/free_format.h"
#include "program/preview/frame_preview.h"
#include "program/program.h"

#include <algorithm>

namespace mivo {

bool PreviewPage::routeNavigation(int id) {
    using namespace ids::preview;
    const bool navigation = id == currentFrameField(page_) || id == slider ||
                            (id >= stepBackButton && id <= largeStepForwardButton);
    if (navigation) p_.preview().navigate(page_, id);
    return navigation;
}

void PreviewPage::onLoseFocus(int id) {
    if (id == currentFrameField(page_)) p_.preview().fieldLeft(page_);
}

void PreviewPage::onGainFocus(int id) {
    if (id != currentFrameField(page_)) PageHandler::onGainFocus(id);
}

int PreviewPage::fieldFrame() const {
    int frame = p_.source().currentFrame;
    // The field's lose-focus check runs before any button's click, so it holds the frame shown; a text
    // that is no number (a program that skipped the focus move) falls back to that frame.
    if (ff::readInt(p_.controls().text(page_, currentFrameField(page_)), frame) != ff::ReadStatus::Ok)
        frame = p_.source().currentFrame;
    return frame;
}

void PreviewPage::showListedFrame(int frame) {
    p_.preview().showFrame(std::max(frame, 0));
}

int PreviewPage::selectedLine(int id) const {
    return p_.controls().selected(page_, id);
}

} // namespace mivo
