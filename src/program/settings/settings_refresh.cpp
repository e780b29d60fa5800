// The refresh after an ini load: what the file said, shown in the controls. Only what the reader saw
// is applied; everything else keeps the state the reset gave it. The steps keep their order: several
// touch the same controls, and the later one wins (silent over preview, pulldown over the interlacing
// the file chose, a luminance gain over the adaptive matrix).

#include "program/settings/settings_refresh.h"

#include "base/fixed_format.h"
#include "core/control_ids.h"
#include "core/source/d2v_check.h"
#include "program/settings/labels.h"

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

constexpr std::initializer_list<int> kBitrateGroup = {
    m::averageBitrateRadio, m::fileLengthRadio, m::fileLengthEdit, m::averageBitrateEdit, m::maxBitrateEdit};

std::string realText(float value) {
    return leftReal(value, 6, 3);
}

// A name on its button keeps what trailing blanks it has, as the buttons always showed it.
std::string shown(const std::string& path) {
    return displayForm(path, TrailingBlanks::Keep);
}

class Refresh {
  public:
    explicit Refresh(SettingsContext& ctx) : c(ctx.controls), s(ctx.settings), hooks(ctx.hooks) {}

    bool seen(Keyword k) const { return s.seen.test(k); }
    void enable(P page, std::initializer_list<int> list, bool on = true) {
        for (int id : list)
            c.setEnabled(page, id, on);
    }
    // Checks the radio that stands for `value` (a radio checked turns its group's others off).
    void checkOne(P page, int value, std::initializer_list<std::pair<int, int>> table) {
        for (const auto& [v, id] : table)
            if (v == value) c.setChecked(page, id, true);
    }

    ControlModel& c;
    Settings& s;
    const SettingsHooks& hooks;
};

void fileNames(Refresh& r) {
    ControlModel& c = r.c;
    if (r.seen(Keyword::InFile)) {
        c.setText(P::Main, m::inputFileButton, "input: " + shown(r.s.inputFile));
        c.setEnabled(P::Main, m::outputFileButton, true);
    }
    if (r.seen(Keyword::OutFile)) {
        c.setEnabled(P::Main, m::outputFileButton, true);
        c.setText(P::Main, m::outputFileButton, "output: " + shown(r.s.outputFile));
    }
    if (r.seen(Keyword::DbPath)) c.setText(P::Settings3, s3::dbPathButton, labels::dbPathSet);
    if (r.seen(Keyword::LlPath)) c.setText(P::Settings3, s3::losslessPathButton, labels::llPathSet);
}

void frameRange(Refresh& r) {
    if (!r.seen(Keyword::Frames)) return;
    Settings& s = r.s;
    r.c.setText(P::Main, m::startFrameEdit, leftInt(s.startFrame, 8));
    r.c.setText(P::Main, m::endFrameEdit, leftInt(s.endFrame, 8));
    const long long count = static_cast<long long>(s.endFrame) - s.startFrame + 1;
    s.encodeFrameCount = static_cast<int>(std::clamp(count, -2147483648LL, 2147483647LL));
}

// Constant quantisation: like the page's own switch, it turns the VBR bias off.
void constantQuantisation(Refresh& r) {
    if (!r.seen(Keyword::Cq)) return;
    ControlModel& c = r.c;
    c.setText(P::Settings1, s1::quantValueEdit, realText(r.s.cqValue));
    c.setChecked(P::Settings1, s1::constantQuantCheck, true);
    r.enable(P::Settings1, {s1::quantValueEdit, s1::checkVbvCheck, s1::pFactorEdit, s1::pFactorUpDown,
                            s1::bFactorEdit, s1::bFactorUpDown});
    r.enable(P::Main, kBitrateGroup, false);
    c.setEnabled(P::Settings2, s2::vbrBiasEdit, false);
}

// The maximum is never below the average shown, also when the file gives no maximum (the default
// maximum is raised then). A constant-quantisation file carries no average (the writer leaves it out),
// so there the maximum stands as written unless the file also gives an average.
void bitrates(Refresh& r) {
    Settings& s = r.s;
    if (r.seen(Keyword::Bitrate)) r.c.setText(P::Main, m::averageBitrateEdit, leftInt(s.bitrate, 6));
    if (!r.seen(Keyword::MaxBitrate) && !r.seen(Keyword::Bitrate)) return;
    const bool constantQuant = r.seen(Keyword::Cq) || r.seen(Keyword::CqMaxBitrate);
    if (!constantQuant || r.seen(Keyword::Bitrate)) s.maxBitrate = std::max(s.maxBitrate, s.bitrate);
    r.c.setText(P::Main, m::maxBitrateEdit, leftInt(s.maxBitrate, 6));
}

// "4:3 PanScan" follows the pan-scan switch once the source is open.
void profileAndAspect(Refresh& r) {
    if (r.seen(Keyword::Profile))
        r.checkOne(P::Main, r.s.profile,
                   {{1, m::profileFastRadio},
                    {2, m::profileNormalRadio},
                    {3, m::profileNormalRadio},
                    {4, m::profileBestRadio}});
    if (r.seen(Keyword::Aspect))
        r.checkOne(P::Main, r.s.aspectRatio,
                   {{1, m::aspect1to1Radio},
                    {2, m::aspect4to3Radio},
                    {3, m::aspect16to9Radio},
                    {4, m::aspect221to1Radio}});
}

// Constant quantisation with the VBV/maximum bitrate check keeps the maximum bitrate field as it is.
void quantisationWithMaximum(Refresh& r) {
    if (!r.seen(Keyword::CqMaxBitrate)) return;
    ControlModel& c = r.c;
    c.setText(P::Settings1, s1::quantValueEdit, realText(r.s.cqMaxBitrateValue));
    c.setChecked(P::Settings1, s1::constantQuantCheck, true);
    c.setEnabled(P::Settings1, s1::quantValueEdit, true);
    c.setChecked(P::Settings1, s1::checkVbvCheck, true);
    r.enable(P::Settings1,
             {s1::pFactorEdit, s1::pFactorUpDown, s1::bFactorEdit, s1::bFactorUpDown, s1::checkVbvCheck});
    r.enable(P::Main, {m::averageBitrateRadio, m::fileLengthRadio, m::fileLengthEdit, m::averageBitrateEdit},
             false);
    c.setEnabled(P::Settings2, s2::vbrBiasEdit, false);
}

// Silent rules out the encoder's preview.
void logNameAndEncoderWindow(Refresh& r) {
    ControlModel& c = r.c;
    if (r.seen(Keyword::InFile)) c.setEnabled(P::Main, m::logFileButton, true);
    if (r.seen(Keyword::LogFile)) {
        c.setEnabled(P::Main, m::logFileButton, true);
        c.setText(P::Main, m::logFileButton, "log: " + shown(r.s.logFile));
    }
    if (r.seen(Keyword::LastIFrame)) c.setChecked(P::Settings2, s2::lastIFrameCheck, true);
    if (r.seen(Keyword::Preview)) c.setChecked(P::Settings2, s2::previewCheck, true);
    if (r.seen(Keyword::Silent)) {
        c.setChecked(P::Settings2, s2::silentCheck, true);
        c.setChecked(P::Settings2, s2::previewCheck, false);
        c.setEnabled(P::Settings2, s2::previewCheck, false);
    }
    c.setText(P::Settings3, s3::avsMemoryEdit, r.seen(Keyword::AvsMemory) ? leftInt(r.s.avsMemory, 6) : "");
    const bool frameSize = r.seen(Keyword::FrameSize);
    c.setText(P::Settings3, s3::frameWidthEdit, frameSize ? leftInt(r.s.frameWidth, 8) : "");
    c.setText(P::Settings3, s3::frameHeightEdit, frameSize ? leftInt(r.s.frameHeight, 8) : "");
    c.setChecked(P::Settings3, s3::useLosslessCheck, r.seen(Keyword::Lossless));
}

void threeBFrames(Refresh& r) {
    const bool on = r.seen(Keyword::B3);
    r.s.maxConsecutiveB = on ? 3 : 2;
    r.c.setChecked(P::Settings2, s2::allow3BFramesCheck, on);
    r.c.setRange(P::Settings1, s1::bFramesUpDown, 0, r.s.maxConsecutiveB);
    r.c.setPos(P::Settings1, s1::bFramesUpDown, r.s.maxConsecutiveB);
    r.c.setText(P::Settings1, s1::bFramesEdit, on ? "3" : "2");
}

void interlacing(Refresh& r) {
    ControlModel& c = r.c;
    c.setChecked(P::Settings1, s1::autoDetectRadio, true);
    c.setChecked(P::Settings1, s1::tffRadio, true);
    r.enable(P::Settings1, {s1::tffRadio, s1::bffRadio});
    if (r.seen(Keyword::Progressive)) {
        c.setChecked(P::Settings1, s1::progressiveRadio, true);
        c.setChecked(P::Settings1, s1::bffRadio, true);
        r.enable(P::Settings1, {s1::tffRadio, s1::bffRadio}, false);
    }
    if (r.seen(Keyword::Interlaced)) {
        c.setChecked(P::Settings1, s1::interlacedRadio, true);
        c.setChecked(P::Settings1, s1::tffRadio, true);
        r.enable(P::Settings1, {s1::tffRadio, s1::bffRadio});
    }
    if (r.seen(Keyword::DvSource)) {
        c.setChecked(P::Settings1, s1::dvSourceRadio, true);
        c.setChecked(P::Settings1, s1::bffRadio, true);
        r.enable(P::Settings1, {s1::tffRadio, s1::bffRadio});
    }
    c.setChecked(P::Settings1,
                 r.s.chromaDownsampling == 0 ? s1::chromaProgressiveRadio : s1::chromaInterlacedRadio, true);
}

// The P and B factors snap to the up-down controls' table.
void quantiserFactors(Refresh& r) {
    auto factor = [&r](Keyword k, float& f, int edit, int upDown) {
        if (!r.seen(k)) return;
        const int position = nearestFactorPosition(f);
        f = kQuantFactors[static_cast<std::size_t>(position - 1)];
        r.c.setText(P::Settings1, edit, realText(f));
        r.c.setPos(P::Settings1, upDown, position);
    };
    factor(Keyword::CqPFactor, r.s.cqPFactor, s1::pFactorEdit, s1::pFactorUpDown);
    factor(Keyword::CqBFactor, r.s.cqBFactor, s1::bFactorEdit, s1::bFactorUpDown);
}

void settings3Radios(Refresh& r) {
    const Settings& s = r.s;
    if (r.seen(Keyword::Cpu))
        r.checkOne(P::Settings3, s.cpuMode,
                   {{0, s3::cpuAutoRadio},
                    {1, s3::cpuMmxRadio},
                    {2, s3::cpuSse2Radio},
                    {3, s3::cpuSse3Radio},
                    {4, s3::cpuSsse3Radio}});
    if (r.seen(Keyword::ChromaFormat))
        r.checkOne(P::Settings3, s.chromaFormat, {{1, s3::chroma420Radio}, {2, s3::chroma422Radio}});
    if (r.seen(Keyword::Priority))
        r.checkOne(P::Settings3, s.priority,
                   {{0, s3::priorityIdleRadio},
                    {1, s3::priorityLowRadio},
                    {2, s3::priorityNormalRadio},
                    {3, s3::priorityHighRadio}});
}

// A fixed GOP turns autogop off; its B-frames stay within what the three-B-frames switch allows.
void fixedGop(Refresh& r) {
    if (!r.seen(Keyword::Gop)) return;
    ControlModel& c = r.c;
    Settings& s = r.s;
    c.setChecked(P::Main, m::autoGopCheck, false);
    s.gopLength = std::clamp(s.gopLength, 1, 36);
    c.setText(P::Settings1, s1::gopLengthEdit, leftInt(s.gopLength, 8));
    r.enable(P::Settings1, {s1::gopLengthEdit, s1::gopLengthUpDown});
    c.setPos(P::Settings1, s1::gopLengthUpDown, s.gopLength);
    s.bFrames = std::clamp(s.bFrames, 0, s.maxConsecutiveB);
    c.setText(P::Settings1, s1::bFramesEdit, leftInt(s.bFrames, 8));
    r.enable(P::Settings1, {s1::bFramesEdit, s1::bFramesUpDown});
    c.setPos(P::Settings1, s1::bFramesUpDown, s.bFrames);
}

void precisionAndTimecode(Refresh& r) {
    const Settings& s = r.s;
    if (r.seen(Keyword::DcPrec))
        r.checkOne(P::Main, s.dcPrecision,
                   {{8, m::dcPrecision8Radio},
                    {9, m::dcPrecision9Radio},
                    {10, m::dcPrecision10Radio},
                    {11, m::dcPrecision11Radio}});
    if (!r.seen(Keyword::Timecode)) return;
    r.c.setText(P::Settings3, s3::timecodeHourEdit, leftInt(s.timecodeHour, 6));
    r.c.setText(P::Settings3, s3::timecodeMinuteEdit, leftInt(s.timecodeMinute, 6));
    r.c.setText(P::Settings3, s3::timecodeSecondEdit, leftInt(s.timecodeSecond, 6));
    r.c.setText(P::Settings3, s3::timecodeFrameEdit, leftInt(s.timecodeFrame, 6));
}

// A built-in matrix is chosen in the combo box; a custom pair is edited in the grids.
void matrixChoice(Refresh& r) {
    ControlModel& c = r.c;
    for (Keyword k : {Keyword::Matrix, Keyword::CustomMatrix}) {
        if (!r.seen(k)) continue;
        const bool custom = k == Keyword::CustomMatrix;
        c.setChecked(P::Matrix, custom ? mx::customRadio : mx::builtInRadio, true);
        c.setEnabled(P::Matrix, mx::builtInCombo, !custom);
        if (custom)
            r.s.matrixChoice = 99;
        else
            c.selectText(P::Matrix, mx::builtInCombo, matrixDisplayName(r.s.matrixChoice));
        r.enable(P::Matrix, {mx::loadCustomButton, mx::saveMtxButton, mx::saveCqmButton}, custom);
        if (r.hooks.showMatrix) r.hooks.showMatrix();
        if (r.hooks.enableMatrixGrid) r.hooks.enableMatrixGrid(custom);
    }
}

// The field order where the interlacing mode lets the file choose it.
void switchesAndFieldOrder(Refresh& r) {
    ControlModel& c = r.c;
    if (r.seen(Keyword::Bias)) c.setText(P::Settings2, s2::vbrBiasEdit, leftInt(r.s.vbrBias, 3));
    if (r.seen(Keyword::ClosedGops)) c.setChecked(P::Main, m::closedGopsCheck, true);
    if (r.seen(Keyword::OnePass)) c.setChecked(P::Main, m::onePassVbrCheck, true);
    if (r.seen(Keyword::NoVbv)) c.setChecked(P::Settings2, s2::vbvCheck, false);
    if (r.seen(Keyword::NoScd)) c.setChecked(P::Main, m::sceneChangeCheck, false);
    if (r.seen(Keyword::Tff) && c.checked(P::Settings1, s1::dvSourceRadio))
        c.setChecked(P::Settings1, s1::tffRadio, true);
    if (r.seen(Keyword::Bff) &&
        (c.checked(P::Settings1, s1::autoDetectRadio) || c.checked(P::Settings1, s1::interlacedRadio)))
        c.setChecked(P::Settings1, s1::bffRadio, true);
    if (r.seen(Keyword::AdaptiveMatrix)) c.setChecked(P::Matrix, mx::adaptiveMatrixCheck, true);
    if (r.seen(Keyword::Aq)) {
        c.setText(P::Settings1, s1::aqStrengthEdit, leftInt(r.s.aqStrength, 3));
        c.setPos(P::Settings1, s1::aqStrengthTrackbar, r.s.aqStrength);
    }
}

// Pulldown means progressive with bottom field first, and the interlacing radios locked.
void pulldown(Refresh& r) {
    if (!r.seen(Keyword::Pulldown)) return;
    ControlModel& c = r.c;
    c.setChecked(P::Main, m::pulldownCheck, true);
    c.setChecked(P::Settings1, s1::progressiveRadio, true);
    r.enable(P::Settings1,
             {s1::autoDetectRadio, s1::progressiveRadio, s1::interlacedRadio, s1::dvSourceRadio}, false);
    c.setChecked(P::Settings1, s1::bffRadio, true);
    r.enable(P::Settings1, {s1::tffRadio, s1::bffRadio}, false);
}

void settings2Values(Refresh& r) {
    ControlModel& c = r.c;
    const Settings& s = r.s;
    if (r.seen(Keyword::MaskShift)) {
        c.setText(P::Settings2, s2::maskTopEdit, leftInt(s.maskTop, 8));
        c.setText(P::Settings2, s2::maskBottomEdit, leftInt(s.maskBottom, 8));
        c.setText(P::Settings2, s2::maskShiftEdit, leftInt(s.maskShift, 8));
    }
    if (r.seen(Keyword::Wait)) c.setText(P::Settings2, s2::waitForExitEdit, leftInt(s.waitSeconds, 3));
    if (r.seen(Keyword::NoSeqEndcode)) c.setChecked(P::Settings2, s2::seqEndcodeCheck, false);
    if (r.seen(Keyword::ScdFile)) c.setChecked(P::Settings2, s2::scdFileCheck, true);
    if (r.seen(Keyword::FrameLog)) c.setChecked(P::Settings2, s2::frameLogCheck, true);
    if (r.seen(Keyword::Shutdown)) c.setChecked(P::Settings2, s2::shutdownCheck, true);
    if (r.seen(Keyword::AutoGop)) {
        c.setText(P::Main, m::autoGopLengthEdit, leftInt(s.autoGopLength, 3));
        r.enable(P::Main, {m::autoGopLengthEdit, m::autoGopLengthUpDown});
        c.setPos(P::Main, m::autoGopLengthUpDown, s.autoGopLength);
    }
}

// A gain above 0 and the adaptive matrix exclude each other (a gain of 0 does not, as on the Settings 2
// page).
void luminanceGain(Refresh& r) {
    if (!r.seen(Keyword::LumGain)) return;
    r.c.setText(P::Settings2, s2::lumGainEdit, leftInt(r.s.lumGain, 3));
    r.c.setPos(P::Settings2, s2::lumGainTrackbar, r.s.lumGain);
    if (r.s.lumGain > 0) {
        r.c.setChecked(P::Matrix, mx::adaptiveMatrixCheck, false);
        r.c.setEnabled(P::Matrix, mx::adaptiveMatrixCheck, false);
    }
}

// The combo boxes of Settings 2 show the entry that stands for the value read.
void settings2Combos(Refresh& r) {
    ControlModel& c = r.c;
    const Settings& s = r.s;
    if (r.seen(Keyword::Colour)) {
        static constexpr std::array<std::pair<int, std::string_view>, 6> kColours = {{{0, "DEFAULT"},
                                                                                      {1, "BT.709"},
                                                                                      {4, "BT.470-2M"},
                                                                                      {5, "BT.470-2BG"},
                                                                                      {6, "SMPTE170M"},
                                                                                      {7, "SMPTE240M"}}};
        for (const auto& [code, text] : kColours)
            if (code == s.colour) c.selectText(P::Settings2, s2::colorimetryCombo, text);
    }
    if (r.seen(Keyword::MpegLevel)) {
        static constexpr std::array<std::string_view, 4> kLevels = {"AUTO", "MP@ML", "MP@H-14", "MP@HL"};
        if (s.mpegLevel >= 0 && s.mpegLevel <= 3)
            c.selectText(P::Settings2, s2::mpegLevelCombo, kLevels[static_cast<std::size_t>(s.mpegLevel)]);
    }
    if (r.seen(Keyword::IntraVlc)) {
        static constexpr std::array<std::string_view, 3> kTables = {"TABLE 14", "TABLE 15", "AUTO"};
        if (s.intraVlc >= 0 && s.intraVlc <= 2)
            c.selectText(P::Settings2, s2::intraVlcCombo, kTables[static_cast<std::size_t>(s.intraVlc)]);
    }
}

} // namespace

void applySettingsToControls(SettingsContext& ctx) {
    Refresh r(ctx);
    fileNames(r);
    frameRange(r);
    constantQuantisation(r);
    bitrates(r);
    profileAndAspect(r);
    quantisationWithMaximum(r);
    logNameAndEncoderWindow(r);
    threeBFrames(r);
    interlacing(r);
    quantiserFactors(r);
    settings3Radios(r);
    fixedGop(r);
    precisionAndTimecode(r);
    matrixChoice(r);
    switchesAndFieldOrder(r);
    pulldown(r);
    settings2Values(r);
    luminanceGain(r);
    settings2Combos(r);
    r.c.setChecked(P::Main, m::smpCheck, r.s.smp);
    // Nothing that needs a source stays enabled until one is open.
    r.enable(P::Main, kBitrateGroup, false);
    r.c.setEnabled(P::Window, ids::window::encode, false);
    r.c.setEnabled(P::Window, ids::window::addToQueue, false);
}

} // namespace mivo
