// The Main page: bitrate mode, frame range, profile, aspect ratio, DC precision and the switches, each
// with its status message; the switches also govern controls of the Settings 1 page. Then the reset and
// "make DVD compliant" buttons, the three information buttons and the checks of the number fields when
// the focus leaves them.

#include "program/pages/main_page.h"

#include "base/fixed_format.h"
#include "core/control_ids.h"
#include "core/numeric_edit.h"
#include "core/source/file_version.h"
#include "platform/platform.h"
#include "program/pages/dvd_compliance.h"
#include "program/program.h"
#include "program/source/avisynth_source.h"
#include "program/source/field_options.h"
#include "program/source/movie_info_display.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <span>
#include <string_view>

namespace mivo {

namespace {

namespace m = ids::main;
namespace s1 = ids::settings1;
constexpr PageId kMain = PageId::Main;

constexpr int kPanScanAspect = 5;
constexpr int kPanScanColour = 5; // BT.470-2BG, the colour primaries of PAL pan-scan material

struct RadioMessage {
    int id;
    std::string_view text;
};

constexpr std::array<RadioMessage, 3> kProfileMessages{{
    {m::profileFastRadio, " fastest encode, lowest quality but still pretty good :)"},
    {m::profileNormalRadio, " normal speed encode, normal quality"},
    {m::profileBestRadio, " slowest encode, high quality"},
}};

constexpr std::array<RadioMessage, 4> kDcPrecisionMessages{{
    {m::dcPrecision8Radio, " dc precision 8 set, recommended for low bitrate"},
    {m::dcPrecision9Radio, " dc precision 9 set, recommended for normal bitrate"},
    {m::dcPrecision10Radio, " dc precision 10 set, recommended for high bitrate"},
    {m::dcPrecision11Radio, " dc precision 11 set, NOT DVD-COMPLIANT !!"},
}};

struct AspectChoice {
    int id;
    int code;
    std::string_view text;
    std::string_view colorimetryReset; // appended when leaving "4:3 PanScan"
};

constexpr std::string_view kColorimetryReset = ",  colorimetry reset to default";

constexpr std::array<AspectChoice, 4> kAspectChoices{{
    {m::aspect1to1Radio, 1, " aspect ratio set to 1:1, NOT DVD-COMPLIANT !!", kColorimetryReset},
    {m::aspect4to3Radio, 2, " aspect ratio set to 4:3", kColorimetryReset},
    {m::aspect16to9Radio, 3, " aspect ratio set to 16:9", kColorimetryReset},
    // This message already ends in "!!", so the note follows without a comma.
    {m::aspect221to1Radio, 4, " aspect ratio set to 2.21:1, NOT DVD-COMPLIANT !!",
     "  colorimetry reset to default"},
}};

struct Switch {
    int id;
    std::string_view on;
    std::string_view off;
};

constexpr std::array<Switch, 4> kPlainSwitches{{
    {m::sceneChangeCheck, " scene change detection turned on, new closed GOP on every scene change",
     " scene change detection turned off"},
    {m::closedGopsCheck, " closedgops turned on, every GOP will be closed", " closedgops turned off"},
    {m::onePassVbrCheck, " 1 pass Variable BitRate turned on", " 1 pass Variable BitRate turned off"},
    {m::smpCheck, " SMP (Symmetric MultiProcessing) turned on",
     " SMP (Symmetric MultiProcessing) turned off"},
}};

// The decoder libraries by project version, in the order the information lists them.
constexpr std::array<std::string_view, 7> kDecoderVersions{"06", "10", "11", "12", "13", "15", "16"};
constexpr std::size_t kVersionListLength = 120;

void writeInt(ControlModel& c, int id, int value) {
    c.setText(kMain, id, leftInt(value, 8));
}

// A companion field is read as it stands; text that does not read keeps the value held before.
int readCompanion(const ControlModel& c, int id, int previous) {
    return readIntegerField(c, kMain, id).value_or(previous);
}

// Half away from zero, kept wide: a file length of millions of kbytes over a short range gives
// bitrates beyond int before they are capped.
long long nearest(double v) {
    return std::llround(v);
}

} // namespace

std::string decoderVersionList(const std::function<bool(std::string_view version)>& present) {
    // Each version found is written behind two blanks: "6" as one digit, the others as two.
    std::string list;
    for (std::string_view v : kDecoderVersions) {
        if (!present(v)) continue;
        list += "  ";
        list += v == "06" ? std::string_view("6") : v;
    }
    list.resize(std::min(list.size(), kVersionListLength));
    return list;
}

std::optional<std::string> fileVersionText(const std::string& path) {
    const FileVersion v = queryFileVersion(path);
    if (v.result != 0) return std::nullopt;
    std::string text;
    for (std::size_t i = 0; i < v.parts.size(); ++i) {
        if (i > 0) text += '.';
        text += leftInt(v.parts[i], 8);
    }
    return text;
}

// The radios and switches whose answer is a message from the page's tables.
bool MainPage::answeredByTable(int id) {
    StatusLine& status = p_.status();
    const std::span<const RadioMessage> messageTables[] = {kProfileMessages, kDcPrecisionMessages};
    for (std::span<const RadioMessage> table : messageTables)
        for (const RadioMessage& r : table)
            if (id == r.id) {
                status.show(r.text);
                return true;
            }
    for (const AspectChoice& a : kAspectChoices)
        if (id == a.id) {
            aspectChosen(a.code, a.text, a.colorimetryReset);
            return true;
        }
    for (const Switch& s : kPlainSwitches) {
        if (id != s.id) continue;
        const bool on = p_.controls().checked(kMain, id);
        status.show(on ? s.on : s.off);
        if (id == m::smpCheck)
            status.append("   (nr. of processors detected: " + leftInt(p_.processorCount(), 12) + ")");
        return true;
    }
    return false;
}

// Average bitrate or file length: the edit of the chosen mode opens, the other closes.
void MainPage::bitrateModeChosen(bool fileLength) {
    ControlModel& c = p_.controls();
    // A click that leaves the radio off changes nothing.
    if (!c.checked(kMain, fileLength ? m::fileLengthRadio : m::averageBitrateRadio)) return;
    p_.status().show(fileLength ? " please set file length and maximum bitrate"
                                : " please set average and maximum bitrate");
    c.setEnabled(kMain, m::fileLengthEdit, fileLength);
    c.setEnabled(kMain, m::averageBitrateEdit, !fileLength);
    c.setEnabled(kMain, m::maxBitrateEdit, true);
}

void MainPage::onDefault(int id) {
    ControlModel& c = p_.controls();
    StatusLine& status = p_.status();
    if (answeredByTable(id)) return;

    switch (id) {
    case m::averageBitrateRadio:
    case m::fileLengthRadio:
        return bitrateModeChosen(id == m::fileLengthRadio);
    case m::allFramesButton:
        return allFrames();
    case m::aspectPanScanRadio: {
        Settings& s = p_.settings();
        s.aspectRatio = kPanScanAspect;
        status.show(" aspect ratio set to 4:3 panscan, colorimetry set to BT.470-2BG");
        c.selectText(PageId::Settings2, ids::settings2::colorimetryCombo, "BT.470-2BG");
        s.colour = kPanScanColour;
        s.panScanOn = true;
        return;
    }
    case m::autoGopCheck:
        return autoGopSwitched(c.checked(kMain, id));
    case m::autoGopLengthUpDown:
        return autoGopLengthChanged();
    case m::pulldownCheck:
        return pulldownSwitched(c.checked(kMain, id));
    case m::resetButton: {
        SettingsContext ctx = p_.settingsContext();
        resetButton(ctx);
        return;
    }
    case m::dvdCompliantButton: {
        status.show(" possible non-DVD compliant settings fixed");
        SourceContext ctx = p_.sourceContext();
        makeDvdCompliant(ctx);
        checkFrameRateAndSize(ctx);
        return;
    }
    case m::encoderInfoButton:
        return encoderInfo();
    case m::avisynthInfoButton:
        showAvisynthInfo(status, p_.paths().avisynthLibrary, p_.paths().avisynthDllDate,
                         [](const std::string& path) { return frameServerVersion(path, fileVersionText); });
        return;
    case m::dgdecodeInfoButton:
        return decoderInfo();
    default:
        return;
    }
}

void MainPage::aspectChosen(int code, std::string_view message, std::string_view colorimetryNote) {
    Settings& s = p_.settings();
    p_.status().show(message);
    // Pan-scan material carried its own colorimetry; leaving it puts the default back.
    if (s.aspectRatio == kPanScanAspect) {
        p_.controls().selectText(PageId::Settings2, ids::settings2::colorimetryCombo, "DEFAULT");
        s.colour = 0;
        p_.status().append(colorimetryNote);
    }
    s.aspectRatio = code;
    s.panScanOn = false;
}

void MainPage::allFrames() {
    Settings& s = p_.settings();
    const int frames = p_.source().frameCount;
    s.startFrame = 0;
    s.endFrame = frames - 1;
    s.encodeFrameCount = frames;
    ControlModel& c = p_.controls();
    writeInt(c, m::startFrameEdit, s.startFrame);
    writeInt(c, m::endFrameEdit, s.endFrame);
    frameRangeChanged();
    p_.status().show(" frame range set to all frames in video");
}

void MainPage::frameRangeChanged() {
    SourceContext ctx = p_.sourceContext();
    showMovieInfo(ctx);
    showFileLength(ctx);
    refreshLosslessEstimate(ctx);
}

void MainPage::autoGopSwitched(bool on) {
    ControlModel& c = p_.controls();
    p_.status().show(on ? " autogop turned on, variable B frames"
                        : " autogop turned off, you can change GOP settings in Settings 1 tab");
    c.setEnabled(kMain, m::autoGopLengthEdit, on);
    c.setEnabled(kMain, m::autoGopLengthUpDown, on);
    for (int id : {s1::gopLengthEdit, s1::bFramesEdit, s1::gopLengthUpDown, s1::bFramesUpDown})
        c.setEnabled(PageId::Settings1, id, !on);
}

void MainPage::autoGopLengthChanged() {
    ControlModel& c = p_.controls();
    const int length = c.pos(kMain, m::autoGopLengthUpDown);
    writeInt(c, m::autoGopLengthEdit, length);
    if (length <= 14)
        p_.status().show(" GOP length valid for PAL, NTSC and pulldown");
    else if (length == 15)
        p_.status().show(" GOP length valid for PAL, 29.97 NTSC, not for pulldown");
    else
        p_.status().show(" GOP length only valid for 29.97 NTSC");
}

void MainPage::pulldownSwitched(bool on) {
    ControlModel& c = p_.controls();
    StatusLine& status = p_.status();
    if (on) {
        status.show(" pulldown turned on, set flags for 23.976 --> 29.97 fps, interlaced is disabled");
        status.append(", if your source is interlaced please de-interlace it first");
        status.append(", if input rate is not equal to 23.976, setting is ignored");
        lockFieldOptionsForPulldown(c);
    } else {
        status.show(" pulldown turned off, interlacing options set to default");
        c.setChecked(PageId::Settings1, s1::autoDetectRadio, true);
        c.setChecked(PageId::Settings1, s1::tffRadio, true);
        enableFieldOptions(c, true);
    }
    // The interlacing choice scales the lossless size estimate, which would otherwise show the old one.
    SourceContext ctx = p_.sourceContext();
    refreshLosslessEstimate(ctx);
}

void MainPage::encoderInfo() {
    const ProgramPaths& paths = p_.paths();
    StatusLine& status = p_.status();
    if (!platform::fileExists(paths.encoder)) {
        status.show(" Mivo encoder: " + paths.programFolder + "Dazuzer_024.exe NOT found");
        return;
    }
    status.show(" Dazuzer found: " + paths.programFolder + "Dazuzer_024.exe");
    if (const auto version = fileVersionText(paths.encoder))
        status.append(", file version: " + *version);
    else
        status.append(", no file version information available");
}

void MainPage::decoderInfo() {
    const std::string& folder = p_.paths().dgdecodeFolder;
    const std::string list = decoderVersionList([&folder](std::string_view version) {
        return platform::fileExists(folder + "DGDecode" + std::string(version) + ".dll");
    });
    if (list.empty())
        p_.status().show(" DGDecode NOT found");
    else
        p_.status().show(" DGDecode decoder found, valid project versions: " + list);
}

void MainPage::onLoseFocus(int id) {
    ControlModel& c = p_.controls();
    Settings& s = p_.settings();
    switch (id) {
    case m::averageBitrateEdit:
        s.bitrate = applyIntegerEdit(c, kMain, id, s.bitrate);
        s.maxBitrate = std::max(readCompanion(c, m::maxBitrateEdit, s.maxBitrate), s.bitrate);
        writeInt(c, m::maxBitrateEdit, s.maxBitrate);
        {
            SourceContext ctx = p_.sourceContext();
            showFileLength(ctx);
        }
        return;
    case m::maxBitrateEdit:
        s.bitrate = readCompanion(c, m::averageBitrateEdit, s.bitrate);
        s.maxBitrate = applyIntegerEdit(c, kMain, id, s.maxBitrate);
        s.bitrate = std::min(s.bitrate, s.maxBitrate);
        writeInt(c, m::averageBitrateEdit, s.bitrate);
        return;
    case m::fileLengthEdit:
        return fileLengthLeft();
    case m::startFrameEdit:
        s.startFrame = std::max(readIntegerField(c, kMain, id).value_or(s.startFrame), 0);
        s.endFrame = readCompanion(c, m::endFrameEdit, s.endFrame);
        s.startFrame = std::min(s.startFrame, s.endFrame);
        s.encodeFrameCount = s.endFrame - s.startFrame + 1;
        writeInt(c, id, s.startFrame);
        return frameRangeChanged();
    case m::endFrameEdit:
        s.startFrame = readCompanion(c, m::startFrameEdit, s.startFrame);
        s.endFrame =
            std::min(readIntegerField(c, kMain, id).value_or(s.endFrame), p_.source().frameCount - 1);
        s.endFrame = std::max(s.endFrame, s.startFrame);
        s.encodeFrameCount = s.endFrame - s.startFrame + 1;
        writeInt(c, id, s.endFrame);
        return frameRangeChanged();
    default:
        return;
    }
}

void MainPage::fileLengthLeft() {
    ControlModel& c = p_.controls();
    Settings& s = p_.settings();
    const SourceState& src = p_.source();
    s.fileLengthKb =
        applyIntegerEdit(c, kMain, m::fileLengthEdit, s.fileLengthKb, [](int kb) { return std::max(kb, 1); });
    // Without an open source there is no length to spread the file over: the bitrate stays.
    if (!src.sourceReady || !(src.frameRate > 0.0f) || s.encodeFrameCount <= 0) return;
    const double seconds = static_cast<double>(s.encodeFrameCount) / static_cast<double>(src.frameRate);
    long long bitrate = nearest(static_cast<double>(nearest(s.fileLengthKb * 8.192)) / seconds);
    s.maxBitrate = readCompanion(c, m::maxBitrateEdit, s.maxBitrate);
    if (bitrate > s.maxBitrate) {
        bitrate = s.maxBitrate;
        // Whole kbits first, then kbytes by integer division (toward zero, as the field shows them).
        const double kbits =
            std::clamp(std::trunc(static_cast<double>(bitrate) * seconds), -8.0 * INT_MAX, 8.0 * INT_MAX);
        s.fileLengthKb = static_cast<int>(static_cast<long long>(kbits) / 8);
        writeInt(c, m::fileLengthEdit, s.fileLengthKb);
    }
    s.bitrate = static_cast<int>(std::clamp<long long>(bitrate, INT_MIN, INT_MAX));
    writeInt(c, m::averageBitrateEdit, s.bitrate);
}

} // namespace mivo
