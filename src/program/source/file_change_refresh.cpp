#include "program/source/file_change_refresh.h"

#include "core/control_ids.h"
#include "core/source/movie_info.h"
#include "program/source/field_options.h"
#include "program/source/movie_info_display.h"

namespace mivo {

namespace {

using namespace ids;
constexpr PageId kMain = PageId::Main;
constexpr PageId kSettings1 = PageId::Settings1;

void call(const std::function<void()>& hook) {
    if (hook) hook();
}

// The bitrate controls follow the rate control mode, and only make sense with a source.
void refreshBitrateControls(ControlModel& c, bool sourceReady) {
    const int bitrateControls[] = {main::averageBitrateRadio, main::fileLengthRadio, main::fileLengthEdit,
                                   main::averageBitrateEdit, main::maxBitrateEdit};
    if (!sourceReady) {
        for (int id : bitrateControls)
            c.setEnabled(kMain, id, false);
    } else if (c.checked(kSettings1, settings1::constantQuantCheck)) {
        c.setEnabled(kSettings1, settings1::quantValueEdit, true);
        c.setEnabled(kSettings1, settings1::checkVbvCheck, true);
        for (int id : {main::averageBitrateRadio, main::fileLengthRadio, main::fileLengthEdit,
                       main::averageBitrateEdit})
            c.setEnabled(kMain, id, false);
        c.setEnabled(kMain, main::maxBitrateEdit, c.checked(kSettings1, settings1::checkVbvCheck));
    } else {
        c.setEnabled(kMain, main::averageBitrateRadio, true);
        c.setChecked(kMain, main::averageBitrateRadio, true);
        c.setEnabled(kMain, main::fileLengthRadio, true);
        c.setEnabled(kMain, main::fileLengthEdit, false);
        c.setEnabled(kMain, main::averageBitrateEdit, true);
        c.setEnabled(kMain, main::maxBitrateEdit, true);
    }
    c.setEnabled(kMain, main::startFrameEdit, sourceReady);
    c.setEnabled(kMain, main::endFrameEdit, sourceReady);
}

void refreshPanScan(SourceContext& ctx) {
    ControlModel& c = ctx.controls;
    const SourceState& s = ctx.state;
    if (!panScanPossible(s.width, s.height)) {
        ctx.settings.panScanOn = false;
        // Only a choice that is no longer possible is moved; another aspect ratio stays as chosen.
        if (c.checked(kMain, main::aspectPanScanRadio)) c.setChecked(kMain, main::aspect16to9Radio, true);
        c.setEnabled(kMain, main::aspectPanScanRadio, false);
        return;
    }
    c.setEnabled(kMain, main::aspectPanScanRadio, true);
    c.setText(PageId::PanScan, panscan::windowWidthEdit, s.width == 720 ? "540" : "528");
    c.setText(PageId::PanScan, panscan::windowHeightEdit, s.height == 576 ? "576" : "480");
    c.setText(PageId::PanScan, panscan::horizontalEdit, "0");
    c.setText(PageId::PanScan, panscan::verticalEdit, "0");
    if (ctx.settings.panScanOn) c.setChecked(kMain, main::aspectPanScanRadio, true);
}

void refreshPulldownAndChroma(ControlModel& c, const SourceState& s) {
    if (!pulldownPossible(s.frameRate)) {
        c.setChecked(kMain, main::pulldownCheck, false);
        c.setEnabled(kMain, main::pulldownCheck, false);
    } else {
        c.setEnabled(kMain, main::pulldownCheck, true);
    }
    if (s.colourFormat == ColourFormat::Planar420) {
        c.setEnabled(PageId::Settings3, settings3::chroma422Radio, false);
        c.setChecked(PageId::Settings3, settings3::chroma420Radio, true);
    } else if (s.colourFormat == ColourFormat::Packed422) {
        c.setEnabled(PageId::Settings3, settings3::chroma422Radio, true);
    }
}

// 3:2 pulldown fixes the field options; otherwise they follow what the last ini file named.
void refreshFieldOptions(ControlModel& c, const SourceSettings& set) {
    using namespace settings1;
    if (c.checked(kMain, main::pulldownCheck)) {
        lockFieldOptionsForPulldown(c);
        return;
    }
    for (int id : {autoDetectRadio, progressiveRadio, interlacedRadio, dvSourceRadio})
        c.setEnabled(kSettings1, id, true);
    const auto fieldOrder = [&](bool on, int mode, int order) {
        c.setEnabled(kSettings1, tffRadio, on);
        c.setEnabled(kSettings1, bffRadio, on);
        c.setChecked(kSettings1, mode, true);
        c.setChecked(kSettings1, order, true);
    };
    if (set.progressiveSet)
        fieldOrder(false, progressiveRadio, bffRadio);
    else if (set.interlacedSet)
        fieldOrder(true, interlacedRadio, tffRadio);
    else if (set.dvSourceSet)
        fieldOrder(true, dvSourceRadio, bffRadio);
    else
        fieldOrder(true, autoDetectRadio, tffRadio);
    if (!set.progressiveSet) {
        if (set.tffSet) c.setChecked(kSettings1, tffRadio, true);
        if (set.bffSet) c.setChecked(kSettings1, bffRadio, true);
    }
}

} // namespace

void refreshAfterFileChange(SourceContext& ctx) {
    ControlModel& c = ctx.controls;
    SourceState& s = ctx.state;

    showFileNames(ctx);
    if (ctx.hooks.fillLists) ctx.hooks.fillLists(c);
    refreshBitrateControls(c, s.sourceReady);
    c.setPos(PageId::Chapters, preview::slider, 0);
    refreshPanScan(ctx);
    refreshPulldownAndChroma(c, s);
    refreshFieldOptions(c, ctx.settings);
    call(ctx.hooks.buildPanScanOffsets);

    showMovieInfo(ctx);
    showFileLength(ctx);
    refreshLosslessEstimate(ctx);

    s.currentFrame = 0;
    if (s.sourceReady) call(ctx.hooks.showFirstFrame);
}

} // namespace mivo
