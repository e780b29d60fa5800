// The refresh after an ini load: what the file said, shown in the controls. Only what the reader saw
// is applied; everything else keeps the state the reset gave it.

#include "core/control_ids.h"
#include "core/fixed_format.h"
#include "core/settings/labels.h"
#include "core/settings/operations.h"

#include <algorithm>
#include <array>

namespace mivo {

namespace {

using P = PageId;
namespace m = ids::main;
namespace s1 = ids::settings1;
namespace s2 = ids::settings2;
namespace s3 = ids::settings3;
namespace mx = ids::matrix;

// A long path shows as its first 5 characters, "..." and its last 32.
std::string displayForm(const std::string& path) {
    if (path.size() <= 40) return path;
    return path.substr(0, 5) + "..." + path.substr(path.size() - 32);
}

std::string realText(float value) {
    return leftReal(value, 6, 3);
}

} // namespace

void applySettingsToControls(SettingsContext& ctx) {
    ControlModel& c = ctx.controls;
    Settings& s = ctx.settings;
    const SettingsHooks& hooks = ctx.hooks;
    auto seen = [&s](Keyword k) { return s.seen.test(k); };
    auto enable = [&c](P page, std::initializer_list<int> list, bool on = true) {
        for (int id : list)
            c.setEnabled(page, id, on);
    };
    auto checkOne = [&c](P page, int value, std::initializer_list<std::pair<int, int>> table) {
        for (const auto& [v, id] : table)
            if (v == value) c.setChecked(page, id, true);
    };

    // 1, 2. Input and output names.
    if (seen(Keyword::InFile)) {
        c.setText(P::Main, m::inputFileButton, "input: " + displayForm(s.inputFile));
        c.setEnabled(P::Main, m::outputFileButton, true);
    }
    if (seen(Keyword::OutFile)) {
        c.setEnabled(P::Main, m::outputFileButton, true);
        c.setText(P::Main, m::outputFileButton, "output: " + displayForm(s.outputFile));
    }
    // 3. Folders.
    if (seen(Keyword::DbPath)) c.setText(P::Settings3, s3::dbPathButton, labels::dbPathSet);
    if (seen(Keyword::LlPath)) c.setText(P::Settings3, s3::losslessPathButton, labels::llPathSet);
    // 4. Frame range.
    if (seen(Keyword::Frames)) {
        c.setText(P::Main, m::startFrameEdit, leftInt(s.startFrame, 8));
        c.setText(P::Main, m::endFrameEdit, leftInt(s.endFrame, 8));
        const long long count = static_cast<long long>(s.endFrame) - s.startFrame + 1;
        s.encodeFrameCount = static_cast<int>(std::clamp(count, -2147483648LL, 2147483647LL));
    }
    // 5. Constant quantisation; like the page's own switch, it turns the VBR bias off.
    if (seen(Keyword::Cq)) {
        c.setText(P::Settings1, s1::quantValueEdit, realText(s.cqValue));
        c.setChecked(P::Settings1, s1::constantQuantCheck, true);
        enable(P::Settings1, {s1::quantValueEdit, s1::checkVbvCheck, s1::pFactorEdit, s1::pFactorUpDown,
                              s1::bFactorEdit, s1::bFactorUpDown});
        enable(P::Main,
               {m::averageBitrateRadio, m::fileLengthRadio, m::fileLengthEdit, m::averageBitrateEdit,
                m::maxBitrateEdit},
               false);
        c.setEnabled(P::Settings2, s2::vbrBiasEdit, false);
    }
    // 6, 7. Bitrates: the maximum is never below the average shown, also when the file gives no maximum
    // (the default maximum is raised then). A constant-quantisation file carries no average (the writer
    // leaves it out), so there the maximum stands as written unless the file also gives an average.
    if (seen(Keyword::Bitrate)) c.setText(P::Main, m::averageBitrateEdit, leftInt(s.bitrate, 6));
    if (seen(Keyword::MaxBitrate) || seen(Keyword::Bitrate)) {
        const bool constantQuant = seen(Keyword::Cq) || seen(Keyword::CqMaxBitrate);
        if (!constantQuant || seen(Keyword::Bitrate)) s.maxBitrate = std::max(s.maxBitrate, s.bitrate);
        c.setText(P::Main, m::maxBitrateEdit, leftInt(s.maxBitrate, 6));
    }
    // 8, 9. Profile and aspect ratio (4:3 PanScan follows the pan-scan switch after the source opens).
    if (seen(Keyword::Profile))
        checkOne(P::Main, s.profile,
                 {{1, m::profileFastRadio},
                  {2, m::profileNormalRadio},
                  {3, m::profileNormalRadio},
                  {4, m::profileBestRadio}});
    if (seen(Keyword::Aspect))
        checkOne(P::Main, s.aspectRatio,
                 {{1, m::aspect1to1Radio},
                  {2, m::aspect4to3Radio},
                  {3, m::aspect16to9Radio},
                  {4, m::aspect221to1Radio}});
    // 10. Constant quantisation with the VBV/maximum bitrate check.
    if (seen(Keyword::CqMaxBitrate)) {
        c.setText(P::Settings1, s1::quantValueEdit, realText(s.cqMaxBitrateValue));
        c.setChecked(P::Settings1, s1::constantQuantCheck, true);
        c.setEnabled(P::Settings1, s1::quantValueEdit, true);
        c.setChecked(P::Settings1, s1::checkVbvCheck, true);
        enable(P::Settings1,
               {s1::pFactorEdit, s1::pFactorUpDown, s1::bFactorEdit, s1::bFactorUpDown, s1::checkVbvCheck});
        enable(P::Main,
               {m::averageBitrateRadio, m::fileLengthRadio, m::fileLengthEdit, m::averageBitrateEdit}, false);
        c.setEnabled(P::Settings2, s2::vbrBiasEdit, false);
    }
    // 11. Log name.
    if (seen(Keyword::InFile)) c.setEnabled(P::Main, m::logFileButton, true);
    if (seen(Keyword::LogFile)) {
        c.setEnabled(P::Main, m::logFileButton, true);
        c.setText(P::Main, m::logFileButton, "log: " + displayForm(s.logFile));
    }
    // 12. Last I-frame, preview, silent (silent rules out the encoder's preview).
    if (seen(Keyword::LastIFrame)) c.setChecked(P::Settings2, s2::lastIFrameCheck, true);
    if (seen(Keyword::Preview)) c.setChecked(P::Settings2, s2::previewCheck, true);
    if (seen(Keyword::Silent)) {
        c.setChecked(P::Settings2, s2::silentCheck, true);
        c.setChecked(P::Settings2, s2::previewCheck, false);
        c.setEnabled(P::Settings2, s2::previewCheck, false);
    }
    // 13, 14. Avisynth memory, lossless file.
    c.setText(P::Settings3, s3::avsMemoryEdit, seen(Keyword::AvsMemory) ? leftInt(s.avsMemory, 6) : "");
    c.setChecked(P::Settings3, s3::useLosslessCheck, seen(Keyword::Lossless));
    // 15. Three consecutive B-frames.
    if (seen(Keyword::B3)) {
        s.maxConsecutiveB = 3;
        c.setChecked(P::Settings2, s2::allow3BFramesCheck, true);
        c.setRange(P::Settings1, s1::bFramesUpDown, 0, 3);
        c.setPos(P::Settings1, s1::bFramesUpDown, 3);
        c.setText(P::Settings1, s1::bFramesEdit, "3");
    } else {
        s.maxConsecutiveB = 2;
        c.setChecked(P::Settings2, s2::allow3BFramesCheck, false);
        c.setRange(P::Settings1, s1::bFramesUpDown, 0, 2);
        c.setPos(P::Settings1, s1::bFramesUpDown, 2);
        c.setText(P::Settings1, s1::bFramesEdit, "2");
    }
    // 16. Interlacing and field order.
    c.setChecked(P::Settings1, s1::autoDetectRadio, true);
    c.setChecked(P::Settings1, s1::tffRadio, true);
    enable(P::Settings1, {s1::tffRadio, s1::bffRadio});
    if (seen(Keyword::Progressive)) {
        c.setChecked(P::Settings1, s1::progressiveRadio, true);
        c.setChecked(P::Settings1, s1::bffRadio, true);
        enable(P::Settings1, {s1::tffRadio, s1::bffRadio}, false);
    }
    if (seen(Keyword::Interlaced)) {
        c.setChecked(P::Settings1, s1::interlacedRadio, true);
        c.setChecked(P::Settings1, s1::tffRadio, true);
        enable(P::Settings1, {s1::tffRadio, s1::bffRadio});
    }
    if (seen(Keyword::DvSource)) {
        c.setChecked(P::Settings1, s1::dvSourceRadio, true);
        c.setChecked(P::Settings1, s1::bffRadio, true);
        enable(P::Settings1, {s1::tffRadio, s1::bffRadio});
    }
    // 17. Chroma downsampling.
    c.setChecked(P::Settings1,
                 s.chromaDownsampling == 0 ? s1::chromaProgressiveRadio : s1::chromaInterlacedRadio, true);
    // 18. P and B factors, snapped to the up-down controls' table.
    auto factor = [&c](float& f, int edit, int upDown) {
        const int position = nearestFactorPosition(f);
        f = kQuantFactors[static_cast<std::size_t>(position - 1)];
        c.setText(P::Settings1, edit, realText(f));
        c.setPos(P::Settings1, upDown, position);
    };
    if (seen(Keyword::CqPFactor)) factor(s.cqPFactor, s1::pFactorEdit, s1::pFactorUpDown);
    if (seen(Keyword::CqBFactor)) factor(s.cqBFactor, s1::bFactorEdit, s1::bFactorUpDown);
    // 19 to 21. Processor extensions, chroma format, priority.
    if (seen(Keyword::Cpu))
        checkOne(P::Settings3, s.cpuMode,
                 {{0, s3::cpuAutoRadio},
                  {1, s3::cpuMmxRadio},
                  {2, s3::cpuSse2Radio},
                  {3, s3::cpuSse3Radio},
                  {4, s3::cpuSsse3Radio}});
    if (seen(Keyword::ChromaFormat))
        checkOne(P::Settings3, s.chromaFormat, {{1, s3::chroma420Radio}, {2, s3::chroma422Radio}});
    if (seen(Keyword::Priority))
        checkOne(P::Settings3, s.priority,
                 {{0, s3::priorityIdleRadio},
                  {1, s3::priorityLowRadio},
                  {2, s3::priorityNormalRadio},
                  {3, s3::priorityHighRadio}});
    // 22. Fixed GOP.
    if (seen(Keyword::Gop)) {
        c.setChecked(P::Main, m::autoGopCheck, false);
        s.gopLength = std::clamp(s.gopLength, 1, 36);
        c.setText(P::Settings1, s1::gopLengthEdit, leftInt(s.gopLength, 8));
        enable(P::Settings1, {s1::gopLengthEdit, s1::gopLengthUpDown});
        c.setPos(P::Settings1, s1::gopLengthUpDown, s.gopLength);
        s.bFrames = std::clamp(s.bFrames, 0, s.maxConsecutiveB);
        c.setText(P::Settings1, s1::bFramesEdit, leftInt(s.bFrames, 8));
        enable(P::Settings1, {s1::bFramesEdit, s1::bFramesUpDown});
        c.setPos(P::Settings1, s1::bFramesUpDown, s.bFrames);
    }
    // 23, 24. DC precision, time code.
    if (seen(Keyword::DcPrec))
        checkOne(P::Main, s.dcPrecision,
                 {{8, m::dcPrecision8Radio},
                  {9, m::dcPrecision9Radio},
                  {10, m::dcPrecision10Radio},
                  {11, m::dcPrecision11Radio}});
    if (seen(Keyword::Timecode)) {
        c.setText(P::Settings3, s3::timecodeHourEdit, leftInt(s.timecodeHour, 6));
        c.setText(P::Settings3, s3::timecodeMinuteEdit, leftInt(s.timecodeMinute, 6));
        c.setText(P::Settings3, s3::timecodeSecondEdit, leftInt(s.timecodeSecond, 6));
        c.setText(P::Settings3, s3::timecodeFrameEdit, leftInt(s.timecodeFrame, 6));
    }
    // 25, 26. Built-in or custom matrix.
    if (seen(Keyword::Matrix)) {
        c.setChecked(P::Matrix, mx::builtInRadio, true);
        c.setEnabled(P::Matrix, mx::builtInCombo, true);
        c.selectText(P::Matrix, mx::builtInCombo, matrixDisplayName(s.matrixChoice));
        enable(P::Matrix, {mx::loadCustomButton, mx::saveMtxButton, mx::saveCqmButton}, false);
        if (hooks.showMatrix) hooks.showMatrix();
        if (hooks.enableMatrixGrid) hooks.enableMatrixGrid(false);
    }
    if (seen(Keyword::CustomMatrix)) {
        c.setChecked(P::Matrix, mx::customRadio, true);
        c.setEnabled(P::Matrix, mx::builtInCombo, false);
        enable(P::Matrix, {mx::loadCustomButton, mx::saveMtxButton, mx::saveCqmButton});
        s.matrixChoice = 99;
        if (hooks.showMatrix) hooks.showMatrix();
        if (hooks.enableMatrixGrid) hooks.enableMatrixGrid(true);
    }
    // 27, 28. VBR bias and the Main page switches.
    if (seen(Keyword::Bias)) c.setText(P::Settings2, s2::vbrBiasEdit, leftInt(s.vbrBias, 3));
    if (seen(Keyword::ClosedGops)) c.setChecked(P::Main, m::closedGopsCheck, true);
    if (seen(Keyword::OnePass)) c.setChecked(P::Main, m::onePassVbrCheck, true);
    if (seen(Keyword::NoVbv)) c.setChecked(P::Settings2, s2::vbvCheck, false);
    if (seen(Keyword::NoScd)) c.setChecked(P::Main, m::sceneChangeCheck, false);
    // 29. Field order where the interlacing mode lets the file choose it.
    if (seen(Keyword::Tff) && c.checked(P::Settings1, s1::dvSourceRadio))
        c.setChecked(P::Settings1, s1::tffRadio, true);
    if (seen(Keyword::Bff) &&
        (c.checked(P::Settings1, s1::autoDetectRadio) || c.checked(P::Settings1, s1::interlacedRadio)))
        c.setChecked(P::Settings1, s1::bffRadio, true);
    // 30, 31. Adaptive matrix, adaptive quantisation.
    if (seen(Keyword::AdaptiveMatrix)) c.setChecked(P::Matrix, mx::adaptiveMatrixCheck, true);
    if (seen(Keyword::Aq)) {
        c.setText(P::Settings1, s1::aqStrengthEdit, leftInt(s.aqStrength, 3));
        c.setPos(P::Settings1, s1::aqStrengthTrackbar, s.aqStrength);
    }
    // 32. Pulldown: progressive with bottom field first, and the interlacing radios locked.
    if (seen(Keyword::Pulldown)) {
        c.setChecked(P::Main, m::pulldownCheck, true);
        c.setChecked(P::Settings1, s1::progressiveRadio, true);
        enable(P::Settings1,
               {s1::autoDetectRadio, s1::progressiveRadio, s1::interlacedRadio, s1::dvSourceRadio}, false);
        c.setChecked(P::Settings1, s1::bffRadio, true);
        enable(P::Settings1, {s1::tffRadio, s1::bffRadio}, false);
    }
    // 33, 34. Mask and shift lines, wait for exit.
    if (seen(Keyword::MaskShift)) {
        c.setText(P::Settings2, s2::maskTopEdit, leftInt(s.maskTop, 8));
        c.setText(P::Settings2, s2::maskBottomEdit, leftInt(s.maskBottom, 8));
        c.setText(P::Settings2, s2::maskShiftEdit, leftInt(s.maskShift, 8));
    }
    if (seen(Keyword::Wait)) c.setText(P::Settings2, s2::waitForExitEdit, leftInt(s.waitSeconds, 3));
    // 35. Settings 2 switches.
    if (seen(Keyword::NoSeqEndcode)) c.setChecked(P::Settings2, s2::seqEndcodeCheck, false);
    if (seen(Keyword::ScdFile)) c.setChecked(P::Settings2, s2::scdFileCheck, true);
    if (seen(Keyword::FrameLog)) c.setChecked(P::Settings2, s2::frameLogCheck, true);
    if (seen(Keyword::Shutdown)) c.setChecked(P::Settings2, s2::shutdownCheck, true);
    // 36. Autogop length.
    if (seen(Keyword::AutoGop)) {
        c.setText(P::Main, m::autoGopLengthEdit, leftInt(s.autoGopLength, 3));
        enable(P::Main, {m::autoGopLengthEdit, m::autoGopLengthUpDown});
        c.setPos(P::Main, m::autoGopLengthUpDown, s.autoGopLength);
    }
    // 37. Luminance gain; a gain above 0 and the adaptive matrix exclude each other (a gain of 0 does
    // not, as on the Settings 2 page).
    if (seen(Keyword::LumGain)) {
        c.setText(P::Settings2, s2::lumGainEdit, leftInt(s.lumGain, 3));
        c.setPos(P::Settings2, s2::lumGainTrackbar, s.lumGain);
        if (s.lumGain > 0) {
            c.setChecked(P::Matrix, mx::adaptiveMatrixCheck, false);
            c.setEnabled(P::Matrix, mx::adaptiveMatrixCheck, false);
        }
    }
    // 38, 39 and the intra VLC table: the combo boxes of Settings 2.
    if (seen(Keyword::Colour)) {
        static constexpr std::array<std::pair<int, std::string_view>, 6> kColours = {{{0, "DEFAULT"},
                                                                                      {1, "BT.709"},
                                                                                      {4, "BT.470-2M"},
                                                                                      {5, "BT.470-2BG"},
                                                                                      {6, "SMPTE170M"},
                                                                                      {7, "SMPTE240M"}}};
        for (const auto& [code, text] : kColours)
            if (code == s.colour) c.selectText(P::Settings2, s2::colorimetryCombo, text);
    }
    if (seen(Keyword::MpegLevel)) {
        static constexpr std::array<std::string_view, 4> kLevels = {"AUTO", "MP@ML", "MP@H-14", "MP@HL"};
        if (s.mpegLevel >= 0 && s.mpegLevel <= 3)
            c.selectText(P::Settings2, s2::mpegLevelCombo, kLevels[static_cast<std::size_t>(s.mpegLevel)]);
    }
    if (seen(Keyword::IntraVlc)) {
        static constexpr std::array<std::string_view, 3> kTables = {"TABLE 14", "TABLE 15", "AUTO"};
        if (s.intraVlc >= 0 && s.intraVlc <= 2)
            c.selectText(P::Settings2, s2::intraVlcCombo, kTables[static_cast<std::size_t>(s.intraVlc)]);
    }
    // 40. SMP.
    c.setChecked(P::Main, m::smpCheck, s.smp);
    // 41. Nothing that needs a source stays enabled until one is open.
    enable(P::Main,
           {m::averageBitrateRadio, m::fileLengthRadio, m::fileLengthEdit, m::averageBitrateEdit,
            m::maxBitrateEdit},
           false);
    c.setEnabled(P::Window, ids::window::encode, false);
}

} // namespace mivo
