// "reset GUI to default": every option back to its default, in the controls and in the record. Also run
// at start-up and at the beginning of every ini load.

#include "program/settings/settings_reset.h"

#include "base/fixed_format.h"
#include "core/control_ids.h"
#include "core/free_format.h"
#include "program/settings/labels.h"

#include <algorithm>
#include <cmath>

namespace mivo {

namespace {

using P = PageId;
namespace m = ids::main;
namespace s1 = ids::settings1;
namespace s2 = ids::settings2;
namespace s3 = ids::settings3;
namespace mx = ids::matrix;

constexpr int kPreviewSliderMax = 1000;

bool panScanSize(const SourceState& s) {
    return (s.width == 720 || s.width == 704) && (s.height == 576 || s.height == 480);
}

class Reset {
  public:
    explicit Reset(ControlModel& controls) : c(controls) {}

    void enable(P page, std::initializer_list<int> list, bool on = true) {
        for (int id : list)
            c.setEnabled(page, id, on);
    }
    void check(P page, std::initializer_list<int> list, bool on = true) {
        for (int id : list)
            c.setChecked(page, id, on);
    }
    void upDown(P page, int id, int lo, int hi, int pos) {
        c.setRange(page, id, lo, hi);
        c.setPos(page, id, pos);
    }

    ControlModel& c;
};

// The encode button needs an open source and an output name; the output and log buttons need an input.
void fileButtons(Reset& r, const SourceState& src) {
    r.c.setEnabled(P::Window, ids::window::encode, src.sourceReady && src.outputChosen);
    r.c.setEnabled(P::Window, ids::window::addToQueue, src.sourceReady && src.outputChosen);
    r.c.setEnabled(P::Main, m::inputFileButton, true);
    if (!src.inputAccepted) {
        r.c.setText(P::Main, m::inputFileButton, labels::inputNotSet);
        r.c.setEnabled(P::Main, m::outputFileButton, false);
        r.c.setText(P::Main, m::outputFileButton, labels::outputNotSet);
        r.c.setEnabled(P::Main, m::logFileButton, false);
        r.c.setText(P::Main, m::logFileButton, labels::logNotSet);
    } else {
        r.enable(P::Main, {m::outputFileButton, m::logFileButton});
    }
    r.enable(P::Main, {m::loadIniButton, m::saveIniButton, m::loadMivoIniButton, m::saveMivoIniButton});
}

// The bitrate group works only on an open source.
void bitrateGroup(Reset& r, const SourceState& src) {
    if (src.sourceReady) {
        r.enable(P::Main,
                 {m::averageBitrateRadio, m::fileLengthRadio, m::averageBitrateEdit, m::maxBitrateEdit});
        r.c.setEnabled(P::Main, m::fileLengthEdit, false);
    } else {
        r.enable(P::Main,
                 {m::averageBitrateRadio, m::fileLengthRadio, m::fileLengthEdit, m::averageBitrateEdit,
                  m::maxBitrateEdit},
                 false);
    }
    r.c.setChecked(P::Main, m::averageBitrateRadio, true);
    r.c.setChecked(P::Main, m::fileLengthRadio, false);
    r.c.setText(P::Main, m::averageBitrateEdit, "4000");
    r.c.setText(P::Main, m::maxBitrateEdit, "8000");
}

// "4:3 PanScan" is offered only for DVD frame sizes; SMP follows the processor count.
void mainPageOptions(Reset& r, const SourceState& src, bool smp) {
    r.enable(P::Main, {m::profileFastRadio, m::profileNormalRadio, m::profileBestRadio});
    r.c.setChecked(P::Main, m::profileNormalRadio, true);
    r.enable(P::Main, {m::aspect1to1Radio, m::aspect4to3Radio, m::aspect16to9Radio, m::aspect221to1Radio});
    r.c.setChecked(P::Main, m::aspect16to9Radio, true);
    r.c.setEnabled(P::Main, m::aspectPanScanRadio, panScanSize(src));
    r.enable(P::Main,
             {m::dcPrecision8Radio, m::dcPrecision9Radio, m::dcPrecision10Radio, m::dcPrecision11Radio});
    r.c.setChecked(P::Main, m::dcPrecision9Radio, true);
    r.c.setChecked(P::Main, m::smpCheck, smp);
    r.check(P::Main, {m::sceneChangeCheck, m::autoGopCheck});
    r.enable(P::Main, {m::autoGopLengthEdit, m::autoGopLengthUpDown});
    r.c.setText(P::Main, m::autoGopLengthEdit, "15");
    r.upDown(P::Main, m::autoGopLengthUpDown, 12, 18, 15);
    r.check(P::Main, {m::closedGopsCheck, m::pulldownCheck, m::onePassVbrCheck}, false);
    r.enable(P::Main, {m::resetButton, m::dvdCompliantButton});
}

void settings1Page(Reset& r) {
    ControlModel& c = r.c;
    c.setChecked(P::Settings1, s1::autoDetectRadio, true);
    r.enable(P::Settings1,
             {s1::autoDetectRadio, s1::progressiveRadio, s1::interlacedRadio, s1::dvSourceRadio});
    c.setChecked(P::Settings1, s1::tffRadio, true);
    r.enable(P::Settings1, {s1::tffRadio, s1::bffRadio});
    c.setChecked(P::Settings1, s1::constantQuantCheck, false);
    c.setText(P::Settings1, s1::quantValueEdit, "5.000");
    c.setEnabled(P::Settings1, s1::quantValueEdit, false);
    c.setChecked(P::Settings1, s1::checkVbvCheck, false);
    c.setEnabled(P::Settings1, s1::checkVbvCheck, false);
    for (auto [edit, upDown] :
         {std::pair{s1::pFactorEdit, s1::pFactorUpDown}, {s1::bFactorEdit, s1::bFactorUpDown}}) {
        c.setText(P::Settings1, edit, "1.00");
        c.setEnabled(P::Settings1, edit, false);
        c.setEnabled(P::Settings1, upDown, false);
        r.upDown(P::Settings1, upDown, 1, 32, 9);
    }
    r.upDown(P::Settings1, s1::aqStrengthTrackbar, 0, 4, 2);
    c.setText(P::Settings1, s1::aqStrengthEdit, "2");
    c.setText(P::Settings1, s1::gopLengthEdit, "15");
    c.setText(P::Settings1, s1::bFramesEdit, "2");
    r.enable(P::Settings1, {s1::gopLengthEdit, s1::bFramesEdit, s1::gopLengthUpDown, s1::bFramesUpDown},
             false);
    r.upDown(P::Settings1, s1::gopLengthUpDown, 1, 36, 15);
    r.upDown(P::Settings1, s1::bFramesUpDown, 0, 2, 2);
    // Chroma downsampling is an option like the others: without this a value loaded from an earlier
    // file would survive every later load and reset.
    c.setChecked(P::Settings1, s1::chromaProgressiveRadio, true);
}

// The VBR bias field comes back enabled: constant quantisation, which disables it, is switched off
// on Settings 1.
void settings2Page(Reset& r) {
    ControlModel& c = r.c;
    c.setText(P::Settings2, s2::vbrBiasEdit, "0");
    c.setEnabled(P::Settings2, s2::vbrBiasEdit, true);
    c.setText(P::Settings2, s2::waitForExitEdit, "5");
    c.setChecked(P::Settings2, s2::seqEndcodeCheck, true);
    r.check(P::Settings2, {s2::scdFileCheck, s2::frameLogCheck, s2::lastIFrameCheck}, false);
    c.setChecked(P::Settings2, s2::vbvCheck, true);
    c.setChecked(P::Settings2, s2::previewCheck, false);
    c.setEnabled(P::Settings2, s2::previewCheck, true);
    r.check(P::Settings2, {s2::shutdownCheck, s2::silentCheck}, false);
    for (int id : {s2::maskTopEdit, s2::maskBottomEdit, s2::maskShiftEdit})
        c.setText(P::Settings2, id, "0");
    r.upDown(P::Settings2, s2::lumGainTrackbar, 0, 4, 0);
    c.setText(P::Settings2, s2::lumGainEdit, "0");
    for (auto [combo, text] : {std::pair{s2::intraVlcCombo, "AUTO"},
                               {s2::colorimetryCombo, "DEFAULT"},
                               {s2::mpegLevelCombo, "AUTO"}}) {
        c.setEnabled(P::Settings2, combo, true);
        c.selectText(P::Settings2, combo, text);
    }
    c.setChecked(P::Settings2, s2::allow3BFramesCheck, false);
}

void settings3Page(Reset& r) {
    ControlModel& c = r.c;
    c.setChecked(P::Settings3, s3::cpuAutoRadio, true);
    c.setEnabled(P::Settings3, s3::cpuSse4Radio, false);
    c.setChecked(P::Settings3, s3::priorityIdleRadio, true);
    c.setChecked(P::Settings3, s3::chroma420Radio, true);
    c.setEnabled(P::Settings3, s3::chroma444Radio, false);
    for (int id :
         {s3::timecodeHourEdit, s3::timecodeMinuteEdit, s3::timecodeSecondEdit, s3::timecodeFrameEdit})
        c.setText(P::Settings3, id, "0");
    c.setText(P::Settings3, s3::avsMemoryEdit, "");
    c.setText(P::Settings3, s3::frameWidthEdit, "");
    c.setText(P::Settings3, s3::frameHeightEdit, "");
    c.setChecked(P::Settings3, s3::useLosslessCheck, false);
    c.setText(P::Settings3, s3::losslessEstimate, "");
}

void matrixAndPreviewPages(Reset& r) {
    ControlModel& c = r.c;
    c.setChecked(P::Matrix, mx::adaptiveMatrixCheck, false);
    c.setEnabled(P::Matrix, mx::builtInRadio, true);
    c.setChecked(P::Matrix, mx::builtInRadio, true);
    c.setEnabled(P::Matrix, mx::builtInCombo, true);
    c.selectText(P::Matrix, mx::builtInCombo, "MPEG");
    r.enable(P::Matrix, {mx::loadCustomButton, mx::saveMtxButton, mx::saveCqmButton}, false);
    for (P page : {P::Chapters, P::Zones, P::PanScan})
        r.upDown(page, ids::preview::slider, 0, kPreviewSliderMax, 0);
    c.setText(P::Zones, ids::zones::factorEdit, "1.0");
}

// The file length follows the average bitrate over the frames to encode; empty without a source.
void fileLength(ControlModel& c, Settings& s, const SourceState& src) {
    if (!src.sourceReady) {
        c.setText(P::Main, m::fileLengthEdit, "");
        return;
    }
    int bitrate = s.bitrate;
    if (ff::readInt(c.text(P::Main, m::averageBitrateEdit), bitrate) == ff::ReadStatus::Ok)
        s.bitrate = bitrate;
    if (src.frameRate > 1.0f) {
        const double kbits = static_cast<double>(s.bitrate) * s.encodeFrameCount / src.frameRate / 1.024;
        s.fileLengthKb =
            static_cast<int>(std::clamp(std::trunc(std::round(kbits) / 8), -2147483648.0, 2147483647.0));
    } else {
        s.fileLengthKb = 0;
    }
    c.setText(P::Main, m::fileLengthEdit, leftInt(s.fileLengthKb, 12));
}

} // namespace

void resetToDefaults(SettingsContext& ctx) {
    Reset r(ctx.controls);
    Settings& s = ctx.settings;
    const SourceState& src = ctx.source;
    const bool smp = ctx.processorCount > 1;

    fileButtons(r, src);
    bitrateGroup(r, src);
    mainPageOptions(r, src, smp);
    settings1Page(r);
    settings2Page(r);
    settings3Page(r);
    matrixAndPreviewPages(r);

    static_cast<EncoderOptions&>(s) = EncoderOptions{};
    s.smp = smp;
    // The matrix grids show the built-in pair and cannot be edited.
    if (ctx.hooks.showMatrix) ctx.hooks.showMatrix();
    if (ctx.hooks.enableMatrixGrid) ctx.hooks.enableMatrixGrid(false);
    fileLength(ctx.controls, s, src);
    if (ctx.hooks.showMovieInfo) ctx.hooks.showMovieInfo();
}

} // namespace mivo
