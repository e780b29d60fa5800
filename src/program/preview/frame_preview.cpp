#include "program/preview/frame_preview.h"

#include "core/control_ids.h"
#include "core/free_format.h"
#include "core/picture/bitmap_file.h"
#include "core/picture/frame_adjustments.h"
#include "core/picture/navigation.h"
#include "program/program.h"

#include <algorithm>
#include <array>
#include <string>

namespace mivo {

namespace {

constexpr std::array<PageId, 3> kPreviewPages = {PageId::Chapters, PageId::Zones, PageId::PanScan};

int stepOfButton(int id) {
    using namespace ids::preview;
    switch (id) {
    case stepBackButton:
        return -1;
    case stepForwardButton:
        return 1;
    case smallStepBackButton:
        return -picture::kSmallStep;
    case smallStepForwardButton:
        return picture::kSmallStep;
    case largeStepBackButton:
        return -picture::kLargeStep;
    case largeStepForwardButton:
        return picture::kLargeStep;
    default:
        return 0;
    }
}

} // namespace

int currentFrameField(PageId page) {
    return page == PageId::PanScan ? ids::panscan::currentFrameEdit : ids::preview::currentFrameEdit;
}

FramePreview::FramePreview(Program& program) : p_(program) {}

bool FramePreview::hasFrames() const {
    return p_.source().sourceReady && p_.source().frameCount > 0;
}

// The frame planes as the frame access left them, adjusted once and converted into the one picture.
bool FramePreview::fetchAndBuild(int frame) {
    if (p_.frames().fetchFrame(frame) != FetchResult::Ok) return false;
    const SourceState& s = p_.source();
    const Settings& set = p_.settings();
    FramePlanes& planes = p_.frames().planes();
    picture::applyFrameAdjustments(
        {planes.luma, planes.plane2, planes.plane3, s.width, s.height, s.lumaBytes, s.chromaPlaneBytes},
        {set.maskShift, set.maskTop, set.maskBottom, set.panScanOn,
         lists::frameOffsetAt(set, p_.frameOffsets(), frame)});
    // The frame access leaves U (Cb) in plane 2 and V (Cr) in plane 3 for every decoder.
    picture_.build({planes.luma, planes.plane2, planes.plane3, s.width, s.height});
    return true;
}

void FramePreview::showPicture() {
    PictureImage image;
    if (hasFrames() && !picture_.empty())
        image = {picture_.pixels(), picture_.width(), picture_.height(), picture_.rowBytes(),
                 p_.settings().aspectRatio};
    for (PageId page : kPreviewPages)
        p_.controls().setPicture(page, ids::preview::picture, image);
}

void FramePreview::setSliders(int frame) {
    const int pos = picture::sliderFromFrame(frame, p_.source().frameCount);
    for (PageId page : kPreviewPages)
        p_.controls().setPos(page, ids::preview::slider, pos);
}

void FramePreview::showCurrentFrame() {
    SourceState& s = p_.source();
    if (hasFrames()) {
        s.currentFrame = std::clamp(s.currentFrame, 0, s.frameCount - 1);
        // A frame that cannot be fetched leaves nothing to show: the planes still hold another frame,
        // already adjusted once.
        if (!fetchAndBuild(s.currentFrame)) picture_.clear();
        setSliders(s.currentFrame);
        for (PageId page : kPreviewPages)
            p_.controls().setText(page, currentFrameField(page), std::to_string(s.currentFrame));
    } else {
        picture_.clear();
    }
    showPicture();
}

// Shows `frame` as the current frame. A frame the source cannot deliver changes nothing: the picture, the
// fields, the sliders and the frame that chapters and zones are set at keep agreeing.
bool FramePreview::moveTo(int frame) {
    if (!fetchAndBuild(frame)) return false;
    p_.source().currentFrame = frame;
    showPicture();
    return true;
}

void FramePreview::navigate(PageId page, int id) {
    if (!hasFrames()) return;
    if (id == ids::preview::slider) return sliderMoved(page);
    if (id == currentFrameField(page)) return fieldChanged(page);
    const int step = stepOfButton(id);
    if (step != 0) stepTo(page, picture::stepFrame(p_.source().currentFrame, step, p_.source().frameCount));
}

void FramePreview::stepTo(PageId page, int frame) {
    if (!moveTo(frame)) return;
    p_.controls().setText(page, currentFrameField(page), std::to_string(frame));
    setSliders(frame);
    p_.status().clear();
    if (stepListener_) stepListener_(page);
}

bool FramePreview::showFrame(int frame) {
    if (!hasFrames()) return false;
    // A list may hold a frame past the last one (an entry on the frame count itself stays in a list).
    frame = std::clamp(frame, 0, p_.source().frameCount - 1);
    if (!moveTo(frame)) return false;
    for (PageId page : kPreviewPages)
        p_.controls().setText(page, currentFrameField(page), std::to_string(frame));
    setSliders(frame);
    p_.status().clear();
    return true;
}

void FramePreview::fieldChanged(PageId page) {
    ControlModel& c = p_.controls();
    const int field = currentFrameField(page);
    const std::string text = c.text(page, field);
    int typed = 0;
    // While the user types, a text that is no number yet ("", "-") is left alone; leaving the field
    // puts the frame back.
    if (ff::readInt(text, typed) != ff::ReadStatus::Ok) return;
    const SourceState& s = p_.source();
    const int frame = picture::frameFromFieldText(text, s.currentFrame, s.frameCount);
    if (!moveTo(frame)) return;
    c.setText(page, field, std::to_string(frame));
    setSliders(frame);
    p_.status().clear();
}

void FramePreview::fieldLeft(PageId page) {
    // Whatever the text became (no number yet, a frame that could not be fetched), leaving the field
    // shows the frame on screen.
    if (hasFrames())
        p_.controls().setText(page, currentFrameField(page), std::to_string(p_.source().currentFrame));
}

void FramePreview::sliderMoved(PageId page) {
    ControlModel& c = p_.controls();
    const SourceState& s = p_.source();
    const int pos = c.pos(page, ids::preview::slider);
    const int frame = picture::frameFromSlider(pos, s.frameCount);
    if (!moveTo(frame)) {
        // The slider the user moved goes back to the frame still shown.
        c.setPos(page, ids::preview::slider, picture::sliderFromFrame(s.currentFrame, s.frameCount));
        return;
    }
    // The other sliders take the user's position as it is; the slider itself is not set again.
    for (PageId other : kPreviewPages)
        if (other != page) c.setPos(other, ids::preview::slider, pos);
    c.setText(page, currentFrameField(page), std::to_string(frame));
    p_.status().clear();
    if (stepListener_) stepListener_(page);
}

void FramePreview::key(PageId page, PreviewKey key) {
    using namespace ids::preview;
    // The keys act like the buttons, and only where the buttons could be pressed.
    if (!hasFrames() || !p_.controls().enabled(page, stepForwardButton)) return;
    switch (key) {
    case PreviewKey::StepBack:
        return navigate(page, stepBackButton);
    case PreviewKey::StepForward:
        return navigate(page, stepForwardButton);
    case PreviewKey::LargeBack:
        return navigate(page, largeStepBackButton);
    case PreviewKey::LargeForward:
        return navigate(page, largeStepForwardButton);
    case PreviewKey::First:
    case PreviewKey::Last:
        break;
    }
    stepTo(page, key == PreviewKey::First ? 0 : p_.source().frameCount - 1);
}

void FramePreview::createBitmap() {
    if (!hasFrames()) return;
    // A fresh fetch: the planes on hand were adjusted for the last drawing already, and masks, shift and
    // the pan-scan window must act on the saved picture once.
    const int frame = p_.source().currentFrame;
    if (!fetchAndBuild(frame)) {
        p_.status().show(" bitmap creation failed, can't fetch frame " + std::to_string(frame));
        return;
    }
    showPicture();
    std::string path;
    if (picture::writeBitmapFile(picture_, p_.paths().programFolder, frame, path))
        p_.status().show(" bitmap created:   " + path);
    else
        p_.status().show(" bitmap creation failed, can't open bitmap file");
}

} // namespace mivo
