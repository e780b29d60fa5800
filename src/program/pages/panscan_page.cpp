#include "program/pages/panscan_page.h"

#include "core/control_ids.h"
#include "core/free_format.h"
#include "core/lists/list_messages.h"
#include "core/lists/panscan_file.h"
#include "core/lists/panscan_list.h"
#include "program/pages/list_boxes.h"
#include "program/preview/frame_preview.h"
#include "program/program.h"

namespace mivo {

namespace msg = list_messages;
using namespace ids::panscan;
constexpr PageId kPage = PageId::PanScan;

void PanScanPage::onDefault(int id) {
    if (routeNavigation(id)) return;
    switch (id) {
    case horizontalLeftButton:
    case horizontalRightButton:
        return step(id == horizontalRightButton ? 1 : -1);
    case addButton:
        return add();
    case removeButton:
        return remove();
    case clearListButton:
        return clear();
    case positionList:
        return selected();
    default:
        return; // the vertical position and the window size are never edited
    }
}

void PanScanPage::onGainFocus(int id) {
    if (id != horizontalEdit) return PreviewPage::onGainFocus(id);
    remembered_ = fieldOffset();
}

void PanScanPage::onLoseFocus(int id) {
    if (id != horizontalEdit) return PreviewPage::onLoseFocus(id);
    offsetLeft();
}

// The offset field's number; the current frame's offset when it holds none.
int PanScanPage::fieldOffset() const {
    int h = 0;
    if (ff::readInt(p_.controls().text(kPage, horizontalEdit), h) != ff::ReadStatus::Ok)
        h = lists::frameOffsetAt(p_.settings(), p_.frameOffsets(), p_.source().currentFrame);
    return h;
}

void PanScanPage::showCurrentOffset() {
    const int h = lists::frameOffsetAt(p_.settings(), p_.frameOffsets(), p_.source().currentFrame);
    p_.controls().setText(kPage, horizontalEdit, std::to_string(h));
}

// The picture again with the window where the current frame's offset puts it.
void PanScanPage::redraw() {
    p_.preview().showCurrentFrame();
    p_.status().clear();
}

// "<" and ">" move the window of the current frame alone, a pixel at a time, within the width's limits;
// widths without limits have no window to move.
void PanScanPage::step(int steps) {
    const int width = p_.source().width;
    int h = fieldOffset();
    if (lists::offsetLimits(width).limited) {
        if (const auto moved = lists::stepOffset(h, width, steps)) {
            h = *moved;
            lists::setFrameOffset(p_.frameOffsets(), p_.source().currentFrame, h);
        }
        p_.controls().setText(kPage, horizontalEdit, std::to_string(h));
    }
    redraw();
}

void PanScanPage::offsetLeft() {
    const int h =
        lists::offsetFieldValue(p_.controls().text(kPage, horizontalEdit), remembered_, p_.source().width);
    p_.controls().setText(kPage, horizontalEdit, std::to_string(h));
    lists::setFrameOffset(p_.frameOffsets(), p_.source().currentFrame, h);
    redraw();
}

void PanScanPage::add() {
    Settings& s = p_.settings();
    const lists::AddResult result = lists::setPanScanEntry(
        s, p_.frameOffsets(), p_.source().frameCount, fieldFrame(), lists::limitAddedOffset(fieldOffset()));
    if (result.outcome == lists::AddOutcome::Full) {
        p_.status().show(msg::kPanScanListFull);
        return;
    }
    fillPanScanListBox(p_.controls(), s);
    redraw();
    showCurrentOffset();
    p_.status().show(msg::kPanScanAdded);
}

void PanScanPage::remove() {
    const int line = selectedLine(positionList);
    if (line < 0) {
        p_.status().show(msg::kPanScanNotSelected);
        return;
    }
    lists::removePanScanAt(p_.settings(), p_.frameOffsets(), p_.source().frameCount, line);
    fillPanScanListBox(p_.controls(), p_.settings());
    redraw();
    // The field is the current frame's offset: it must not go on showing the one just removed.
    showCurrentOffset();
    p_.status().show(msg::kPanScanRemoved);
}

void PanScanPage::clear() {
    lists::clearPanScan(p_.settings(), p_.frameOffsets());
    fillPanScanListBox(p_.controls(), p_.settings());
    redraw();
    showCurrentOffset();
    p_.status().show(msg::kPanScanCleared);
}

void PanScanPage::selected() {
    const int line = selectedLine(positionList);
    if (line < 0) return;
    const Settings& s = p_.settings();
    showListedFrame(s.panScanFrames[static_cast<std::size_t>(line)]);
    p_.controls().setText(kPage, horizontalEdit,
                          std::to_string(s.panScanOffsets[static_cast<std::size_t>(line)]));
    p_.status().clear();
}

void PanScanPage::importFile(const std::string& path) {
    const lists::ListFileResult result = lists::importPanScanFile(p_.settings(), path, p_.source().width);
    p_.status().show(result.status);
    p_.refreshAfterFileChange();
}

void PanScanPage::exportFile(const std::string& path) {
    p_.status().show(lists::exportPanScanFile(p_.settings(), path).status);
    p_.refreshAfterFileChange();
}

} // namespace mivo
