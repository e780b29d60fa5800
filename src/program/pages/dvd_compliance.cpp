#include "program/pages/dvd_compliance.h"

#include "core/control_ids.h"
#include "core/picture/frame_fit.h"
#include "core/source/movie_info.h"
#include "core/source/output_size.h"
#include "program/source/field_options.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>
#include <string>

namespace mivo {

namespace {

using namespace ids;
constexpr PageId kMain = PageId::Main;
constexpr PageId kSettings1 = PageId::Settings1;
constexpr PageId kSettings2 = PageId::Settings2;
constexpr PageId kSettings3 = PageId::Settings3;

// An integer in free format: blanks before it, the number ending at a blank, a comma or the end. Any
// size is read, so a figure far beyond a limit is brought down to it rather than left alone.
bool parseInteger(std::string_view text, long long& value) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    long long v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc()) return false;
    const std::string_view rest = text.substr(static_cast<std::size_t>(end - text.data()));
    if (!rest.empty() && rest.front() != ' ' && rest.front() != ',' && rest.front() != '\t') return false;
    value = v;
    return true;
}

// An edit that holds an integer is brought into lo..hi; text that is no number stays as it is.
void clampEdit(ControlModel& c, PageId page, int id, long long lo, long long hi, int upDown = 0) {
    long long v = 0;
    if (!parseInteger(c.text(page, id), v)) return;
    v = std::clamp(v, lo, hi);
    c.setText(page, id, std::to_string(v));
    if (upDown != 0) c.setPos(page, upDown, static_cast<int>(v));
}

void limitStreamOptions(SourceContext& ctx) {
    ControlModel& c = ctx.controls;
    if (c.checked(kMain, main::aspect1to1Radio)) {
        c.setChecked(kMain, main::aspect4to3Radio, true);
        ctx.settings.aspectRatio = 2;
    }
    if (c.checked(kMain, main::aspect221to1Radio)) {
        c.setChecked(kMain, main::aspect16to9Radio, true);
        ctx.settings.aspectRatio = 3;
    }
    if (c.checked(kMain, main::dcPrecision11Radio)) c.setChecked(kMain, main::dcPrecision10Radio, true);

    c.setChecked(kSettings2, settings2::vbvCheck, true);
    c.setChecked(kSettings2, settings2::allow3BFramesCheck, false);
    ctx.settings.maxConsecutiveB = 2;
    c.setRange(kSettings1, settings1::bFramesUpDown, 0, 2);

    if (c.checked(kSettings1, settings1::constantQuantCheck)) {
        c.setEnabled(kMain, main::maxBitrateEdit, true);
        c.setChecked(kSettings1, settings1::checkVbvCheck, true);
    }
    clampEdit(c, kSettings3, settings3::timecodeHourEdit, 0, 23);
    clampEdit(c, kSettings3, settings3::timecodeMinuteEdit, 0, 59);
    clampEdit(c, kSettings3, settings3::timecodeSecondEdit, 0, 59);
    clampEdit(c, kSettings3, settings3::timecodeFrameEdit, 0, 59);
}

// Film is stored progressive with 3:2 pulldown; any other rate leaves the field options to the user,
// with the field order fixed where the scan mode decides it.
void limitFieldOptions(ControlModel& c, bool filmRate) {
    using namespace settings1;
    if (filmRate) {
        lockFieldOptionsForPulldown(c);
        c.setChecked(kMain, main::pulldownCheck, true);
        return;
    }
    c.setChecked(kMain, main::pulldownCheck, false);
    for (int id : {autoDetectRadio, progressiveRadio, interlacedRadio, dvSourceRadio})
        c.setEnabled(kSettings1, id, true);
    if (c.checked(kSettings1, autoDetectRadio)) {
        c.setEnabled(kSettings1, tffRadio, true);
        c.setEnabled(kSettings1, bffRadio, true);
    } else if (c.checked(kSettings1, progressiveRadio)) {
        c.setChecked(kSettings1, bffRadio, true);
        c.setEnabled(kSettings1, tffRadio, false);
        c.setEnabled(kSettings1, bffRadio, false);
    } else if (c.checked(kSettings1, interlacedRadio) || c.checked(kSettings1, dvSourceRadio)) {
        c.setEnabled(kSettings1, tffRadio, true);
        c.setEnabled(kSettings1, bffRadio, true);
    }
}

// A source of a size no DVD holds is scaled to the DVD frame of its rate, in the aspect nearer its own;
// a size typed that no DVD holds gives way to the source's own size where a DVD holds that.
void fitFrameSize(SourceContext& ctx) {
    ControlModel& c = ctx.controls;
    const SourceState& s = ctx.state;
    if (!s.sourceReady) return;
    const std::optional<FrameSize> typed = typedFrameSize(c);
    if (typed && dvdAllowsFrameSize(typed->width, typed->height, s.frameRate)) return;
    if (dvdAllowsFrameSize(s.width, s.height, s.frameRate)) {
        c.setText(kSettings3, settings3::frameWidthEdit, "");
        c.setText(kSettings3, settings3::frameHeightEdit, "");
        return;
    }
    const DvdFrame dvd = dvdFrameFor(s.frameRate, sourceDisplayAspect(s));
    c.setText(kSettings3, settings3::frameWidthEdit, std::to_string(dvd.width));
    c.setText(kSettings3, settings3::frameHeightEdit, std::to_string(dvd.height));
    // Pixels of the MPEG widths are seldom square: without the source's own word on its shape, the
    // aspect ratio chosen stays.
    const bool mpegWidth = s.width == 720 || s.width == 704 || s.width == 352;
    if (s.displayAspect <= 0 && mpegWidth) return;
    c.setChecked(kMain, dvd.aspectCode == 2 ? main::aspect4to3Radio : main::aspect16to9Radio, true);
    ctx.settings.aspectRatio = dvd.aspectCode;
}

} // namespace

void makeDvdCompliant(SourceContext& ctx) {
    ControlModel& c = ctx.controls;
    const SourceState& s = ctx.state;
    limitStreamOptions(ctx);
    limitFieldOptions(c, s.filmRate);

    const int gopMax = dvdMaxGopLength(s.frameRate);
    if (gopMax > 0) clampEdit(c, kSettings1, settings1::gopLengthEdit, 1, gopMax, settings1::gopLengthUpDown);
    clampEdit(c, kSettings1, settings1::bFramesEdit, 0, 2, settings1::bFramesUpDown);
    clampEdit(c, kMain, main::averageBitrateEdit, INT32_MIN, 9000);
    clampEdit(c, kMain, main::maxBitrateEdit, INT32_MIN, 9800);

    fitFrameSize(ctx);
    const FrameSize out = outputFrameSize(c, s);
    if (!dvdFrameSizeFits(out.width, out.height, s.frameRate))
        ctx.status.show(", WARNING, resolution NOT DVD-COMPLIANT");
    if (gopMax > 0) {
        c.setText(kMain, main::autoGopLengthEdit, std::to_string(gopMax));
        c.setPos(kMain, main::autoGopLengthUpDown, gopMax);
    }
    c.selectText(kSettings2, settings2::mpegLevelCombo, "AUTO");
}

} // namespace mivo
