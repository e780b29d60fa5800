#include "program/pages/settings2_page.h"

#include "base/fixed_format.h"
#include "core/control_ids.h"
#include "core/numeric_edit.h"
#include "program/pages/settings_listing.h"
#include "program/program.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace mivo {

namespace {

using namespace ids::settings2;
constexpr PageId kPage = PageId::Settings2;

constexpr int kMaxWaitSeconds = 99;
constexpr int kMaxVbrBias = 100;
constexpr int kMaxShift = 1152; // the tallest frame the encoder takes
constexpr std::size_t kComboTextLimit = 20;
constexpr int kDvdWidth = 720;
constexpr int kHigh1440Width = 1440;

struct Switch {
    int id;
    bool EncoderOptions::*field;
    std::string_view on, off;
};

constexpr std::array<Switch, 7> kSwitches = {{
    {vbvCheck, &EncoderOptions::vbvCheck, " VBV checking turned on",
     " VBV checking turned off, NOT DVD-COMPLIANT"},
    {lastIFrameCheck, &EncoderOptions::lastIFrame,
     " last I-frame turned on, last frame will be encoded as an I-frame", " last I-frame turned off"},
    {seqEndcodeCheck, &EncoderOptions::writeSeqEndcode,
     " sequence end code turned on, an end of sequence header will be written",
     " sequence end code turned off, no end of sequence header will be written"},
    {scdFileCheck, &EncoderOptions::scdFile,
     " writing scene change detection file turned on, file name: outfile.scd",
     " writing scene change detection file turned off"},
    {frameLogCheck, &EncoderOptions::frameLog, " frame logging turned on, file name: framelog.txt",
     " frame logging turned off"},
    {previewCheck, &EncoderOptions::preview, " turns on the preview window in the encoder",
     " turns off the preview window in the encoder (default)"},
    {shutdownCheck, &EncoderOptions::shutdown,
     " shutdown turned on, system will shutdown in 300 sec after encoding finishes", " shutdown turned off"},
}};

// A combo box entry found in the shown text, and the value it stands for.
struct Entry {
    std::string_view text;
    int value;
};

constexpr std::array<Entry, 4> kLevels = {{{"AUTO", 0}, {"MP@ML", 1}, {"MP@H-14", 2}, {"MP@HL", 3}}};
constexpr std::array<std::string_view, 4> kLevelMessages = {
    " auto setting for level, depending on resolution",
    " level set to MP@ML, max. resolution 720x576",
    " level set to MP@H-14, max. resolution 1440x1152, NOT DVD_COMPLIANT",
    " level set to MP@HL, max. resolution 1920x1152, NOT DVD_COMPLIANT",
};

// The colour primaries codes of the sequence display extension.
constexpr std::array<Entry, 6> kColours = {
    {{"DEFAULT", 0}, {"BT.709", 1}, {"BT.470-2M", 4}, {"BT.470-2BG", 5}, {"SMPTE170M", 6}, {"SMPTE240M", 7}}};
constexpr std::array<Entry, 3> kIntraVlcTables = {{{"AUTO", 2}, {"TABLE 14", 0}, {"TABLE 15", 1}}};

constexpr std::array<std::string_view, 5> kLumGainMessages = {
    " no change on dark scenes",
    " mild matrix change on dark scenes",
    " moderate matrix change on dark scenes",
    " heavy matrix change on dark scenes",
    " hit dark scenes real hard...",
};

// Sets `value` from the first entry whose text stands in the combo box's shown text; leaves it alone
// when none does.
template <std::size_t N>
void entryIn(const ControlModel& c, int combo, const std::array<Entry, N>& entries, int& value) {
    const std::string_view shown = std::string_view(c.text(kPage, combo)).substr(0, kComboTextLimit);
    for (const Entry& e : entries) {
        if (shown.find(e.text) != std::string_view::npos) {
            value = e.value;
            return;
        }
    }
}

int lowerToEven(int value) {
    return value % 2 != 0 ? value - 1 : value;
}

} // namespace

void Settings2Page::onDefault(int id) {
    ControlModel& c = p_.controls();
    const auto sw =
        std::find_if(kSwitches.begin(), kSwitches.end(), [id](const Switch& s) { return s.id == id; });
    if (sw != kSwitches.end()) {
        const bool on = c.checked(kPage, id);
        p_.settings().*(sw->field) = on;
        p_.status().show(on ? sw->on : sw->off);
    } else {
        switch (id) {
        case silentCheck:
            silent();
            break;
        case allow3BFramesCheck:
            allow3BFrames();
            break;
        case waitForExitEdit:
            waitForExit();
            break;
        case vbrBiasEdit:
            vbrBias();
            break;
        case mpegLevelCombo:
            mpegLevel();
            break;
        case colorimetryCombo:
            colorimetry();
            break;
        case intraVlcCombo:
            intraVlc();
            break;
        case lumGainTrackbar:
            luminanceGain();
            break;
        default: // the gain field has no action of its own
            break;
        }
    }
    rebuildIniListing(p_);
}

void Settings2Page::onLoseFocus(int id) {
    ControlModel& c = p_.controls();
    Settings& s = p_.settings();
    switch (id) {
    case maskShiftEdit:
        s.maskShift = applyIntegerEdit(c, kPage, id, s.maskShift, [](int v) {
            return lowerToEven(std::clamp(v, -kMaxShift, kMaxShift));
        });
        break;
    case maskTopEdit:
        s.maskTop = applyIntegerEdit(c, kPage, id, s.maskTop, lowerToEven);
        break;
    case maskBottomEdit:
        s.maskBottom = applyIntegerEdit(c, kPage, id, s.maskBottom, lowerToEven);
        break;
    default:
        return;
    }
    rebuildIniListing(p_);
}

// The encoder's preview window needs its user interface, so silent mode rules it out.
void Settings2Page::silent() {
    ControlModel& c = p_.controls();
    Settings& s = p_.settings();
    s.silent = c.checked(kPage, silentCheck);
    if (s.silent) {
        c.setChecked(kPage, previewCheck, false);
        c.setEnabled(kPage, previewCheck, false);
        s.preview = false;
        p_.status().show(" turns off the encoder GUI, background encode");
    } else {
        c.setEnabled(kPage, previewCheck, true);
        p_.status().show(" turns on the encoder GUI (default)");
    }
}

void Settings2Page::allow3BFrames() {
    namespace s1 = ids::settings1;
    ControlModel& c = p_.controls();
    Settings& s = p_.settings();
    s.allow3BFrames = c.checked(kPage, allow3BFramesCheck);
    s.maxConsecutiveB = s.allow3BFrames ? 3 : 2;
    c.setRange(PageId::Settings1, s1::bFramesUpDown, 0, s.maxConsecutiveB);
    if (s.allow3BFrames) {
        p_.status().show(" allow 3 consecutive B-frames, NOT DVD-COMPLIANT !!");
        return;
    }
    p_.status().show(" allow 3 consecutive B-frames turned off");
    if (readIntegerField(c, PageId::Settings1, s1::bFramesEdit) == 3) {
        c.setText(PageId::Settings1, s1::bFramesEdit, "2");
        s.bFrames = 2;
    }
}

// Both fields act on every change of their text; the rewrite raises no notification of its own.
void Settings2Page::waitForExit() {
    Settings& s = p_.settings();
    s.waitSeconds = applyIntegerEdit(p_.controls(), kPage, waitForExitEdit, s.waitSeconds,
                                     [](int v) { return std::min(v, kMaxWaitSeconds); });
    p_.status().clear();
}

void Settings2Page::vbrBias() {
    Settings& s = p_.settings();
    s.vbrBias = applyIntegerEdit(p_.controls(), kPage, vbrBiasEdit, s.vbrBias,
                                 [](int v) { return std::min(v, kMaxVbrBias); });
    p_.status().clear();
    p_.status().show(" tweaks the compression curve, 0 = full VBR, 100 tends to CBR");
}

void Settings2Page::mpegLevel() {
    Settings& s = p_.settings();
    entryIn(p_.controls(), mpegLevelCombo, kLevels, s.mpegLevel);
    const int level = std::clamp(s.mpegLevel, 0, 3);
    p_.status().show(kLevelMessages[static_cast<std::size_t>(level)]);
    // Only the width is compared: the heights of the levels are those of the widths' usual frames.
    const int width = p_.source().width;
    if ((width > kDvdWidth && level == 1) || (width > kHigh1440Width && (level == 1 || level == 2)))
        p_.status().append(", WARNING, level incompatible with resolution");
}

void Settings2Page::colorimetry() {
    Settings& s = p_.settings();
    entryIn(p_.controls(), colorimetryCombo, kColours, s.colour);
    StatusLine& status = p_.status();
    switch (s.colour) {
    case 0:
        status.show(" colorimetry not flagged, Sequence Display Extension header is not written");
        // The pan-scan vectors travel in that header.
        if (s.panScanOn) status.append(", WARNING: colorimetry must be flagged using 4:3 panscan");
        break;
    case 1:
        status.show(" stream flagged as ITU-R BT.709");
        break;
    case 4:
        status.show(" stream flagged as ITU-R BT.470-2 System M");
        break;
    case 5:
        status.show(" stream flagged as ITU-R BT.470-2 System B,G");
        break;
    case 6:
        status.show(" stream flagged as SMPTE 170M");
        break;
    case 7:
        status.show(" stream flagged as SMPTE 240M");
        break;
    default:
        break;
    }
}

void Settings2Page::intraVlc() {
    Settings& s = p_.settings();
    entryIn(p_.controls(), intraVlcCombo, kIntraVlcTables, s.intraVlc);
    switch (s.intraVlc) {
    case 0:
        p_.status().show(" Intra blocks will use Table 14 for Variable Length Coding");
        break;
    case 1:
        p_.status().show(" Intra blocks will use Table 15 for Variable Length Coding");
        break;
    case 2:
        p_.status().show(" Optimized Variable Length Coding for Intra blocks");
        break;
    default:
        break;
    }
}

// The gain lowers the matrix on dark scenes; the adaptive matrix would fight it, so the two exclude
// each other.
void Settings2Page::luminanceGain() {
    namespace mx = ids::matrix;
    ControlModel& c = p_.controls();
    Settings& s = p_.settings();
    const int gain =
        std::clamp(c.pos(kPage, lumGainTrackbar), 0, static_cast<int>(kLumGainMessages.size()) - 1);
    c.setText(kPage, lumGainEdit, leftInt(gain, 8));
    s.lumGain = gain;
    p_.status().show(kLumGainMessages[static_cast<std::size_t>(gain)]);
    if (gain == 0) {
        c.setEnabled(PageId::Matrix, mx::adaptiveMatrixCheck, true);
        return;
    }
    const bool wasChecked = c.checked(PageId::Matrix, mx::adaptiveMatrixCheck);
    c.setChecked(PageId::Matrix, mx::adaptiveMatrixCheck, false);
    c.setEnabled(PageId::Matrix, mx::adaptiveMatrixCheck, false);
    s.adaptiveMatrix = false;
    if (wasChecked) p_.status().append(", adaptive matrix disabled");
}

} // namespace mivo
