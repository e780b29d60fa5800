#include "program/pages/settings1_page.h"

#include "base/fixed_format.h"
#include "core/control_ids.h"
#include "core/numeric_edit.h"
#include "program/pages/settings_listing.h"
#include "program/program.h"
#include "program/source/movie_info_display.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace mivo {

namespace {

using namespace ids::settings1;
constexpr PageId kPage = PageId::Settings1;

constexpr int kGopMin = 1;
constexpr int kGopMax = 36;
constexpr int kPalGopMax = 15;
constexpr int kNtscGopMax = 18;
constexpr int kDvdMaxB = 2;
constexpr float kQuantMin = 1.0f;
constexpr float kQuantMax = 31.0f;
constexpr RealFormat kQuantFormat{8, 3};

struct InterlaceChoice {
    int radio;
    InterlaceMode mode;
    int fieldOrder; // the radio of the field order that goes with it
    bool fieldOrderChoosable;
    std::string_view message;
};

constexpr std::array<InterlaceChoice, 4> kInterlaceChoices = {{
    {autoDetectRadio, InterlaceMode::AutoDetect, tffRadio, true,
     " auto detect progressive / interlaced frames"},
    {progressiveRadio, InterlaceMode::Progressive, bffRadio, false,
     " encode all frames progressive, zigzag scan"},
    {interlacedRadio, InterlaceMode::Interlaced, tffRadio, true,
     " encode all frames interlaced, alternate scan, TFF set"},
    {dvSourceRadio, InterlaceMode::DvSource, bffRadio, true,
     " encode all frames interlaced, alternate scan, BFF set"},
}};

// The GOP length warnings; the up-down words them more loudly than the edit.
void gopLengthMessage(StatusLine& status, int length, bool fromUpDown) {
    if (length <= kPalGopMax) {
        status.clear();
    } else if (length <= kNtscGopMax) {
        status.show(fromUpDown ? " WARNING !!, GOP length not valid for PAL"
                               : " WARNING, GOP length not valid for PAL");
    } else {
        status.show(fromUpDown ? " WARNING !!, GOP length not valid for PAL and NTSC"
                               : " WARNING, GOP length not valid for PAL and NTSC");
    }
}

void bFramesMessage(StatusLine& status, int bFrames) {
    if (bFrames > kDvdMaxB) status.show(" allow 3 consecutive B-frames, NOT DVD-COMPLIANT !!");
}

} // namespace

void Settings1Page::onDefault(int id) {
    ControlModel& c = p_.controls();
    StatusLine& status = p_.status();
    switch (id) {
    case autoDetectRadio:
    case progressiveRadio:
    case interlacedRadio:
    case dvSourceRadio:
        interlacing(id);
        break;
    case tffRadio:
        if (c.checked(kPage, id)) {
            p_.settings().fieldOrder = FieldOrder::TopFirst;
            status.show(" Top Field First flagged");
        }
        break;
    case bffRadio:
        if (c.checked(kPage, id)) {
            p_.settings().fieldOrder = FieldOrder::BottomFirst;
            status.show(" Bottom Field First flagged");
        }
        break;
    case chromaProgressiveRadio:
        if (c.checked(kPage, id)) {
            p_.settings().chromaDownsampling = 0;
            status.show(" progressive chroma downsampling (YUY2 --> YV12)");
        }
        break;
    case chromaInterlacedRadio:
        if (c.checked(kPage, id)) {
            p_.settings().chromaDownsampling = 1;
            status.show(" interlaced chroma downsampling (YUY2 --> YV12)");
        }
        break;
    case gopLengthEdit:
        gopLengthTyped();
        break;
    case gopLengthUpDown:
        gopLengthStepped();
        break;
    case bFramesEdit:
        bFramesTyped();
        break;
    case bFramesUpDown:
        bFramesStepped();
        break;
    case aqStrengthTrackbar:
        adaptiveQuantisation();
        break;
    case checkVbvCheck:
        checkVbv();
        break;
    case constantQuantCheck:
        constantQuantisation();
        break;
    case pFactorUpDown:
    case bFactorUpDown:
        quantiserFactor(id);
        break;
    default: // the factor and AQ fields have no action of their own
        break;
    }
    rebuildIniListing(p_);
}

void Settings1Page::onLoseFocus(int id) {
    if (id != quantValueEdit) return;
    Settings& s = p_.settings();
    s.cqValue =
        applyRealEdit(p_.controls(), kPage, quantValueEdit, s.cqValue, kQuantMin, kQuantMax, kQuantFormat);
    rebuildIniListing(p_);
}

void Settings1Page::interlacing(int id) {
    ControlModel& c = p_.controls();
    if (!c.checked(kPage, id)) return;
    const auto choice = std::find_if(kInterlaceChoices.begin(), kInterlaceChoices.end(),
                                     [id](const InterlaceChoice& x) { return x.radio == id; });
    Settings& s = p_.settings();
    s.interlaceMode = choice->mode;
    s.fieldOrder = choice->fieldOrder == tffRadio ? FieldOrder::TopFirst : FieldOrder::BottomFirst;
    c.setChecked(kPage, choice->fieldOrder, true);
    c.setEnabled(kPage, tffRadio, choice->fieldOrderChoosable);
    c.setEnabled(kPage, bffRadio, choice->fieldOrderChoosable);
    p_.status().show(choice->message);
    SourceContext ctx = p_.sourceContext();
    refreshLosslessEstimate(ctx);
}

// The edits act on every change of their text. The up-down beside each holds the last value the
// program accepted, so text that does not read falls back to it; the value is written back without a
// notification, so the rewrite starts no second round.
void Settings1Page::gopLengthTyped() {
    ControlModel& c = p_.controls();
    const int length =
        applyIntegerEdit(c, kPage, gopLengthEdit, c.pos(kPage, gopLengthUpDown), kGopMin, kGopMax);
    c.setPos(kPage, gopLengthUpDown, length);
    p_.settings().gopLength = length;
    gopLengthMessage(p_.status(), length, false);
}

void Settings1Page::gopLengthStepped() {
    ControlModel& c = p_.controls();
    const int length = c.pos(kPage, gopLengthUpDown);
    c.setText(kPage, gopLengthEdit, leftInt(length, 8));
    p_.settings().gopLength = length;
    gopLengthMessage(p_.status(), length, true);
}

void Settings1Page::bFramesTyped() {
    ControlModel& c = p_.controls();
    Settings& s = p_.settings();
    p_.status().clear();
    const int bFrames =
        applyIntegerEdit(c, kPage, bFramesEdit, c.pos(kPage, bFramesUpDown), 0, s.maxConsecutiveB);
    bFramesMessage(p_.status(), bFrames);
    c.setPos(kPage, bFramesUpDown, bFrames);
    s.bFrames = bFrames;
}

void Settings1Page::bFramesStepped() {
    ControlModel& c = p_.controls();
    Settings& s = p_.settings();
    p_.status().clear();
    const int bFrames = std::clamp(c.pos(kPage, bFramesUpDown), 0, s.maxConsecutiveB);
    c.setPos(kPage, bFramesUpDown, bFrames);
    bFramesMessage(p_.status(), bFrames);
    c.setText(kPage, bFramesEdit, leftInt(bFrames, 8));
    s.bFrames = bFrames;
}

void Settings1Page::adaptiveQuantisation() {
    ControlModel& c = p_.controls();
    const int strength = c.pos(kPage, aqStrengthTrackbar);
    c.setText(kPage, aqStrengthEdit, leftInt(strength, 8));
    p_.settings().aqStrength = strength;
    if (strength == 0)
        p_.status().show(" no adaptive quantization");
    else
        p_.status().show(" adaptive quantization, strength = " + std::to_string(strength));
}

void Settings1Page::checkVbv() {
    ControlModel& c = p_.controls();
    const bool on = c.checked(kPage, checkVbvCheck);
    p_.settings().cqCheckMaxBitrate = on;
    c.setEnabled(PageId::Main, ids::main::maxBitrateEdit, on);
    p_.status().show(on ? " check VBV/max bitrate turned on, maximum bitrate set will not be exceeded"
                        : " check VBV/max bitrate turned off");
}

void Settings1Page::constantQuantisation() {
    namespace m = ids::main;
    ControlModel& c = p_.controls();
    Settings& s = p_.settings();
    const bool on = c.checked(kPage, constantQuantCheck);
    s.constantQuant = on;
    s.cqCheckMaxBitrate = on;
    for (int id : {quantValueEdit, checkVbvCheck, pFactorEdit, bFactorEdit, pFactorUpDown, bFactorUpDown})
        c.setEnabled(kPage, id, on);
    c.setChecked(kPage, checkVbvCheck, on);
    // One pass at a constant quantiser has no average bitrate or file length; the VBR bias tunes the
    // bitrate curve of the two-pass encode only.
    c.setEnabled(PageId::Main, m::averageBitrateRadio, !on);
    c.setEnabled(PageId::Main, m::fileLengthRadio, !on);
    c.setEnabled(PageId::Main, m::fileLengthEdit, false);
    c.setEnabled(PageId::Main, m::averageBitrateEdit, !on);
    c.setEnabled(PageId::Main, m::maxBitrateEdit, true);
    c.setEnabled(PageId::Settings2, ids::settings2::vbrBiasEdit, !on);
    if (on) {
        p_.status().show(" 1 pass constant quantization turned on, check VBV/max bitrate also turned on, "
                         "maximum bitrate set will not be exceeded");
    } else {
        c.setChecked(PageId::Main, m::averageBitrateRadio, true);
        p_.status().show(" constant quantization turned off");
    }
}

void Settings1Page::quantiserFactor(int upDown) {
    ControlModel& c = p_.controls();
    if (!c.checked(kPage, constantQuantCheck)) return;
    // Taking the focus runs the quantiser field's own check first, so the value read below is one the
    // program accepted.
    c.userFocus(kPage, upDown);
    const bool pFactor = upDown == pFactorUpDown;
    const int position = std::clamp(c.pos(kPage, upDown), 1, static_cast<int>(kQuantFactors.size()));
    const float factor = kQuantFactors[static_cast<std::size_t>(position - 1)];
    c.setText(kPage, pFactor ? pFactorEdit : bFactorEdit, leftReal(factor, 5, 2));
    (pFactor ? p_.settings().cqPFactor : p_.settings().cqBFactor) = factor;
    const std::optional<float> quant = readRealField(c, kPage, quantValueEdit);
    if (!quant) {
        p_.status().show(" WARNING, invalid CQ value, not a number");
        return;
    }
    const float q = std::clamp(*quant * factor, kQuantMin, kQuantMax);
    p_.status().show(std::string(pFactor ? " Constant Quantization for P-frames set to "
                                         : " Constant Quantization for B-frames set to ") +
                     leftReal(q, 8, 3));
}

} // namespace mivo
