#include "core/control_ids.h"
#include "core/fixed_format.h"
#include "core/free_format.h"
#include "core/settings/labels.h"
#include "core/settings/operations.h"

#include <algorithm>
#include <cmath>

namespace mivo {

namespace {

constexpr int kPreviewSliderMax = 1000;

bool panScanSize(const SourceState& s) {
    return (s.width == 720 || s.width == 704) && (s.height == 576 || s.height == 480);
}

} // namespace

void resetToDefaults(SettingsContext& ctx) {
    ControlModel& c = ctx.controls;
    Settings& s = ctx.settings;
    const SourceState& src = ctx.source;
    auto enable = [&c](PageId page, std::initializer_list<int> list, bool on = true) {
        for (int id : list)
            c.setEnabled(page, id, on);
    };
    auto check = [&c](PageId page, std::initializer_list<int> list, bool on = true) {
        for (int id : list)
            c.setChecked(page, id, on);
    };
    auto upDown = [&c](PageId page, int id, int lo, int hi, int pos) {
        c.setRange(page, id, lo, hi);
        c.setPos(page, id, pos);
    };
    using P = PageId;
    namespace m = ids::main;
    namespace s1 = ids::settings1;
    namespace s2 = ids::settings2;
    namespace s3 = ids::settings3;
    namespace mx = ids::matrix;

    // 1. The encode button needs an open source and an output name.
    c.setEnabled(P::Window, ids::window::encode, src.sourceReady && src.outputChosen);

    // 2, 3. File and ini buttons.
    c.setEnabled(P::Main, m::inputFileButton, true);
    if (!src.inputAccepted) {
        c.setText(P::Main, m::inputFileButton, labels::inputNotSet);
        c.setEnabled(P::Main, m::outputFileButton, false);
        c.setText(P::Main, m::outputFileButton, labels::outputNotSet);
        c.setEnabled(P::Main, m::logFileButton, false);
        c.setText(P::Main, m::logFileButton, labels::logNotSet);
    } else {
        enable(P::Main, {m::outputFileButton, m::logFileButton});
    }
    enable(P::Main, {m::loadIniButton, m::saveIniButton, m::loadMivoIniButton, m::saveMivoIniButton});

    // 4. Bitrate group.
    if (src.sourceReady) {
        enable(P::Main,
               {m::averageBitrateRadio, m::fileLengthRadio, m::averageBitrateEdit, m::maxBitrateEdit});
        c.setEnabled(P::Main, m::fileLengthEdit, false);
    } else {
        enable(P::Main,
               {m::averageBitrateRadio, m::fileLengthRadio, m::fileLengthEdit, m::averageBitrateEdit,
                m::maxBitrateEdit},
               false);
    }
    c.setChecked(P::Main, m::averageBitrateRadio, true);
    c.setChecked(P::Main, m::fileLengthRadio, false);
    c.setText(P::Main, m::averageBitrateEdit, "4000");
    c.setText(P::Main, m::maxBitrateEdit, "8000");

    // 5. Profile.
    enable(P::Main, {m::profileFastRadio, m::profileNormalRadio, m::profileBestRadio});
    c.setChecked(P::Main, m::profileNormalRadio, true);

    // 6. Aspect ratio; "4:3 PanScan" only for DVD frame sizes.
    enable(P::Main, {m::aspect1to1Radio, m::aspect4to3Radio, m::aspect16to9Radio, m::aspect221to1Radio});
    c.setChecked(P::Main, m::aspect16to9Radio, true);
    c.setEnabled(P::Main, m::aspectPanScanRadio, panScanSize(src));

    // 7. DC precision.
    enable(P::Main,
           {m::dcPrecision8Radio, m::dcPrecision9Radio, m::dcPrecision10Radio, m::dcPrecision11Radio});
    c.setChecked(P::Main, m::dcPrecision9Radio, true);

    // 8. SMP follows the processor count.
    const bool smp = ctx.processorCount > 1;
    c.setChecked(P::Main, m::smpCheck, smp);

    // 9. The other switches, autogop length and the page buttons.
    check(P::Main, {m::sceneChangeCheck, m::autoGopCheck});
    enable(P::Main, {m::autoGopLengthEdit, m::autoGopLengthUpDown});
    c.setText(P::Main, m::autoGopLengthEdit, "15");
    upDown(P::Main, m::autoGopLengthUpDown, 12, 18, 15);
    check(P::Main, {m::closedGopsCheck, m::pulldownCheck, m::onePassVbrCheck}, false);
    enable(P::Main, {m::resetButton, m::dvdCompliantButton});

    // 10. Settings 1.
    c.setChecked(P::Settings1, s1::autoDetectRadio, true);
    enable(P::Settings1, {s1::autoDetectRadio, s1::progressiveRadio, s1::interlacedRadio, s1::dvSourceRadio});
    c.setChecked(P::Settings1, s1::tffRadio, true);
    enable(P::Settings1, {s1::tffRadio, s1::bffRadio});
    c.setChecked(P::Settings1, s1::constantQuantCheck, false);
    c.setText(P::Settings1, s1::quantValueEdit, "5.000");
    c.setEnabled(P::Settings1, s1::quantValueEdit, false);
    c.setChecked(P::Settings1, s1::checkVbvCheck, false);
    c.setEnabled(P::Settings1, s1::checkVbvCheck, false);
    c.setText(P::Settings1, s1::pFactorEdit, "1.00");
    c.setEnabled(P::Settings1, s1::pFactorEdit, false);
    c.setEnabled(P::Settings1, s1::pFactorUpDown, false);
    upDown(P::Settings1, s1::pFactorUpDown, 1, 32, 9);
    c.setText(P::Settings1, s1::bFactorEdit, "1.00");
    c.setEnabled(P::Settings1, s1::bFactorEdit, false);
    c.setEnabled(P::Settings1, s1::bFactorUpDown, false);
    upDown(P::Settings1, s1::bFactorUpDown, 1, 32, 9);
    upDown(P::Settings1, s1::aqStrengthTrackbar, 0, 4, 2);
    c.setText(P::Settings1, s1::aqStrengthEdit, "2");
    c.setText(P::Settings1, s1::gopLengthEdit, "15");
    c.setText(P::Settings1, s1::bFramesEdit, "2");
    enable(P::Settings1, {s1::gopLengthEdit, s1::bFramesEdit, s1::gopLengthUpDown, s1::bFramesUpDown}, false);
    upDown(P::Settings1, s1::gopLengthUpDown, 1, 36, 15);
    upDown(P::Settings1, s1::bFramesUpDown, 0, 2, 2);
    // Chroma downsampling is an option like the others: without this a value loaded from an earlier
    // file would survive every later load and reset.
    c.setChecked(P::Settings1, s1::chromaProgressiveRadio, true);

    // 11. Settings 2. The VBR bias field comes back enabled: constant quantisation, which disables it,
    // is switched off above.
    c.setText(P::Settings2, s2::vbrBiasEdit, "0");
    c.setEnabled(P::Settings2, s2::vbrBiasEdit, true);
    c.setText(P::Settings2, s2::waitForExitEdit, "5");
    c.setChecked(P::Settings2, s2::seqEndcodeCheck, true);
    check(P::Settings2, {s2::scdFileCheck, s2::frameLogCheck, s2::lastIFrameCheck}, false);
    c.setChecked(P::Settings2, s2::vbvCheck, true);
    c.setChecked(P::Settings2, s2::previewCheck, false);
    c.setEnabled(P::Settings2, s2::previewCheck, true);
    check(P::Settings2, {s2::shutdownCheck, s2::silentCheck}, false);
    for (int id : {s2::maskTopEdit, s2::maskBottomEdit, s2::maskShiftEdit})
        c.setText(P::Settings2, id, "0");
    upDown(P::Settings2, s2::lumGainTrackbar, 0, 4, 0);
    c.setText(P::Settings2, s2::lumGainEdit, "0");
    c.setEnabled(P::Settings2, s2::intraVlcCombo, true);
    c.selectText(P::Settings2, s2::intraVlcCombo, "AUTO");
    c.setEnabled(P::Settings2, s2::colorimetryCombo, true);
    c.selectText(P::Settings2, s2::colorimetryCombo, "DEFAULT");
    c.setEnabled(P::Settings2, s2::mpegLevelCombo, true);
    c.selectText(P::Settings2, s2::mpegLevelCombo, "AUTO");
    c.setChecked(P::Settings2, s2::allow3BFramesCheck, false);

    // 12. Settings 3.
    c.setChecked(P::Settings3, s3::cpuAutoRadio, true);
    c.setEnabled(P::Settings3, s3::cpuSse4Radio, false);
    c.setChecked(P::Settings3, s3::priorityIdleRadio, true);
    c.setChecked(P::Settings3, s3::chroma420Radio, true);
    c.setEnabled(P::Settings3, s3::chroma444Radio, false);
    for (int id :
         {s3::timecodeHourEdit, s3::timecodeMinuteEdit, s3::timecodeSecondEdit, s3::timecodeFrameEdit})
        c.setText(P::Settings3, id, "0");
    c.setText(P::Settings3, s3::avsMemoryEdit, "");
    c.setChecked(P::Settings3, s3::useLosslessCheck, false);
    c.setText(P::Settings3, s3::losslessEstimate, "");

    // 13. Matrix page.
    c.setChecked(P::Matrix, mx::adaptiveMatrixCheck, false);
    c.setEnabled(P::Matrix, mx::builtInRadio, true);
    c.setChecked(P::Matrix, mx::builtInRadio, true);
    c.setEnabled(P::Matrix, mx::builtInCombo, true);
    c.selectText(P::Matrix, mx::builtInCombo, "MPEG");
    enable(P::Matrix, {mx::loadCustomButton, mx::saveMtxButton, mx::saveCqmButton}, false);

    // 14. Preview pages.
    for (P page : {P::Chapters, P::Zones, P::PanScan})
        upDown(page, ids::preview::slider, 0, kPreviewSliderMax, 0);
    c.setText(P::Zones, ids::zones::factorEdit, "1.0");

    // 15. The record's options.
    static_cast<EncoderOptions&>(s) = EncoderOptions{};
    s.smp = smp;

    // 16. The matrix grids show the built-in pair and cannot be edited.
    if (ctx.hooks.showMatrix) ctx.hooks.showMatrix();
    if (ctx.hooks.enableMatrixGrid) ctx.hooks.enableMatrixGrid(false);

    // 17. File length from the average bitrate.
    if (src.sourceReady) {
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
    } else {
        c.setText(P::Main, m::fileLengthEdit, "");
    }

    // 18. Movie information.
    if (ctx.hooks.showMovieInfo) ctx.hooks.showMovieInfo();
}

} // namespace mivo
