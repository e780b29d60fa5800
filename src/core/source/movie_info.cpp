#include "core/source/movie_info.h"

#include "core/lossless_estimate.h"

#include "core/control_ids.h"
#include "core/source/d2v_project.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace mivo {

namespace {

using namespace ids;
constexpr PageId kMain = PageId::Main;
constexpr PageId kSettings1 = PageId::Settings1;
constexpr PageId kSettings2 = PageId::Settings2;
constexpr PageId kSettings3 = PageId::Settings3;

std::string leftJustify(const char* text) {
    std::string_view s(text);
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    return std::string(s);
}

// An integer in free format: blanks around it, the number ending at a blank, a comma or the end.
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

bool near(float rate, double value) {
    return std::fabs(static_cast<double>(rate) - value) < 0.01;
}

// An edit that holds an integer is brought into lo..hi; text that is no number stays as it is.
void clampEdit(ControlModel& c, PageId page, int id, long long lo, long long hi, int upDown = 0) {
    long long v = 0;
    if (!parseInteger(c.text(page, id), v)) return;
    v = std::clamp(v, lo, hi);
    c.setText(page, id, std::to_string(v));
    if (upDown != 0) c.setPos(page, upDown, static_cast<int>(v));
}

std::string colourName(ColourFormat f) {
    switch (f) {
    case ColourFormat::Planar420:
        return "YV12";
    case ColourFormat::Packed422:
        return "YUY2";
    default:
        return "";
    }
}

} // namespace

std::string formatInteger(long long value, int width) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%*lld", width, value);
    return leftJustify(buf);
}

std::string formatFixed(double value, int decimals, int width) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "%*.*f", width, decimals, value);
    return leftJustify(buf);
}

std::string formatHms(double seconds) {
    if (!(seconds > 0.0)) seconds = 0.0; // also catches NaN
    const long long s = std::llround(std::min(seconds, 1e15));
    const long long hours = s / 3600;
    const long long minutes = s / 60 - 60 * hours;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%2lld:%02lld:%02lld", hours, minutes, s % 60);
    return buf;
}

long long estimateFileLengthKb(int frames, float frameRate, int bitrate) {
    if (frameRate <= 1.0f) return 0;
    const double kbits = static_cast<double>(frames) / static_cast<double>(frameRate) * bitrate / 1.024;
    return std::llround(kbits) / 8;
}

bool isFilmRate(float frameRate) {
    return near(frameRate, 23.976);
}
bool isPalRate(float frameRate) {
    return near(frameRate, 25.0);
}
bool isNtscRate(float frameRate) {
    return near(frameRate, 29.97);
}

void showMovieInfo(SourceContext& ctx) {
    SourceState& s = ctx.state;
    SourceSettings& set = ctx.settings;
    ControlModel& c = ctx.controls;
    if (s.sourceReady) {
        if (ctx.hooks.frameSize) ctx.hooks.frameSize(s.width, s.height);
        c.setEnabled(kMain, main::allFramesButton, true);
        c.setText(kMain, main::startFrameEdit, formatInteger(set.startFrame, 12));
        c.setText(kMain, main::endFrameEdit, formatInteger(set.endFrame, 12));
        std::string size = formatInteger(s.width, 6) + "x" + formatInteger(s.height, 6);
        if (s.width >= 721 || s.height >= 577) size += " HD res";
        c.setText(kMain, main::frameSizeInfo, size);
        c.setText(kMain, main::frameRateInfo,
                  formatFixed(s.frameRate, 4, 12) + " / " + colourName(s.colourFormat));
        c.setText(kMain, main::frameCountInfo, formatInteger(s.frameCount, 8));
        c.setText(kMain, main::movieSecondsInfo, formatFixed(s.movieSeconds, 2, 12));
        c.setText(kMain, main::movieHmsInfo, formatHms(s.movieSeconds));
        c.setText(kMain, main::encodeFramesInfo, formatInteger(set.encodeFrameCount, 12));
        const float seconds =
            s.frameRate > 0.0f ? static_cast<float>(set.encodeFrameCount) / s.frameRate : 0.0f;
        c.setText(kMain, main::encodeSecondsInfo, formatFixed(seconds, 2, 12));
        c.setText(kMain, main::encodeHmsInfo, formatHms(seconds));
        return;
    }
    set.encodeFrameCount = 0;
    set.startFrame = -1;
    set.endFrame = -1;
    c.setEnabled(kMain, main::allFramesButton, false);
    for (int id : {main::startFrameEdit, main::endFrameEdit, main::frameSizeInfo, main::frameRateInfo,
                   main::frameCountInfo, main::movieSecondsInfo, main::movieHmsInfo, main::encodeFramesInfo,
                   main::encodeSecondsInfo, main::encodeHmsInfo})
        c.setText(kMain, id, "-");
}

void showFileLength(SourceContext& ctx) {
    ControlModel& c = ctx.controls;
    if (!ctx.state.sourceReady) {
        c.setText(kMain, main::fileLengthEdit, "");
        return;
    }
    long long bitrate = 0;
    if (parseInteger(c.text(kMain, main::averageBitrateEdit), bitrate) && bitrate >= INT32_MIN &&
        bitrate <= INT32_MAX)
        ctx.settings.bitrate = static_cast<int>(bitrate);
    const long long kb =
        estimateFileLengthKb(ctx.settings.encodeFrameCount, ctx.state.frameRate, ctx.settings.bitrate);
    ctx.settings.fileLengthKb = static_cast<int>(std::clamp<long long>(kb, INT32_MIN, INT32_MAX));
    c.setText(kMain, main::fileLengthEdit, formatInteger(kb, 12));
}

void checkFrameRateAndSize(SourceContext& ctx) {
    SourceState& s = ctx.state;
    const bool pulldown = ctx.controls.checked(kMain, main::pulldownCheck);
    const bool film = isFilmRate(s.frameRate), pal = isPalRate(s.frameRate), ntsc = isNtscRate(s.frameRate);
    s.filmRate = film;
    if (!film && !pal && !ntsc) ctx.status.append(", WARNING, frame rate NOT DVD-COMPLIANT");
    if (film && !pulldown) ctx.status.append(", use pulldown for DVD compliancy");
    if (s.width <= 720 && s.height <= 576) {
        bool fits = false;
        if (s.width == 720 || s.width == 704)
            fits = ((film || ntsc) && s.height == 480) || (pal && s.height == 576);
        else if (s.width == 352)
            fits = ((film || ntsc) && (s.height == 240 || s.height == 480)) ||
                   (pal && (s.height == 288 || s.height == 576));
        if (!fits) ctx.status.append(", WARNING, resolution/frame rate mismatch");
    }
    if (s.height == 1088) {
        s.height = 1080;
        ctx.status.append(", 1088 vertical resolution detected, vertical resolution set to 1080");
    }
}

void makeDvdCompliant(SourceContext& ctx) {
    ControlModel& c = ctx.controls;
    const SourceState& s = ctx.state;

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

    if (s.filmRate) {
        c.setChecked(kSettings1, settings1::progressiveRadio, true);
        c.setChecked(kSettings1, settings1::bffRadio, true);
        for (int id = settings1::autoDetectRadio; id <= settings1::bffRadio; ++id)
            c.setEnabled(kSettings1, id, false);
        c.setChecked(kMain, main::pulldownCheck, true);
    } else {
        c.setChecked(kMain, main::pulldownCheck, false);
        for (int id = settings1::autoDetectRadio; id <= settings1::dvSourceRadio; ++id)
            c.setEnabled(kSettings1, id, true);
        if (c.checked(kSettings1, settings1::autoDetectRadio)) {
            c.setEnabled(kSettings1, settings1::tffRadio, true);
            c.setEnabled(kSettings1, settings1::bffRadio, true);
        } else if (c.checked(kSettings1, settings1::progressiveRadio)) {
            c.setChecked(kSettings1, settings1::bffRadio, true);
            c.setEnabled(kSettings1, settings1::tffRadio, false);
            c.setEnabled(kSettings1, settings1::bffRadio, false);
        } else if (c.checked(kSettings1, settings1::interlacedRadio) ||
                   c.checked(kSettings1, settings1::dvSourceRadio)) {
            c.setEnabled(kSettings1, settings1::tffRadio, true);
            c.setEnabled(kSettings1, settings1::bffRadio, true);
        }
    }

    int gopMax = 0;
    if (isFilmRate(s.frameRate))
        gopMax = 12;
    else if (isPalRate(s.frameRate))
        gopMax = 15;
    else if (isNtscRate(s.frameRate))
        gopMax = 18;
    if (gopMax > 0) clampEdit(c, kSettings1, settings1::gopLengthEdit, 1, gopMax, settings1::gopLengthUpDown);
    clampEdit(c, kSettings1, settings1::bFramesEdit, 0, 2, settings1::bFramesUpDown);

    clampEdit(c, kMain, main::averageBitrateEdit, INT32_MIN, 9000);
    clampEdit(c, kMain, main::maxBitrateEdit, INT32_MIN, 9800);

    const bool sixtyHz = isFilmRate(s.frameRate) || isNtscRate(s.frameRate);
    const bool sizeFits = s.width <= 720 && s.height <= (sixtyHz ? 480 : 576);
    if (!sizeFits) ctx.status.show(", WARNING, resolution NOT DVD-COMPLIANT");

    if (gopMax > 0) {
        c.setText(kMain, main::autoGopLengthEdit, std::to_string(gopMax));
        c.setPos(kMain, main::autoGopLengthUpDown, gopMax);
    }
    c.selectText(kSettings2, settings2::mpegLevelCombo, "AUTO");
}

void refreshLosslessEstimate(SourceContext& ctx) {
    ControlModel& c = ctx.controls;
    const SourceState& s = ctx.state;
    if (!s.isAvisynthScript) {
        c.setChecked(kSettings3, settings3::useLosslessCheck, false);
        c.setEnabled(kSettings3, settings3::useLosslessCheck, false);
        c.setText(kSettings3, settings3::losslessEstimate, "");
        return;
    }
    c.setEnabled(kSettings3, settings3::useLosslessCheck, true);
    if (!ctx.settings.useLossless || !c.checked(kSettings3, settings3::useLosslessCheck)) {
        c.setText(kSettings3, settings3::losslessEstimate, "");
        return;
    }
    LosslessScan scan = LosslessScan::AutoDetect;
    if (c.checked(kSettings1, settings1::progressiveRadio))
        scan = LosslessScan::Progressive;
    else if (c.checked(kSettings1, settings1::interlacedRadio))
        scan = LosslessScan::Interlaced;
    else if (c.checked(kSettings1, settings1::dvSourceRadio))
        scan = LosslessScan::DigitalVideo;
    c.setText(kSettings3, settings3::losslessEstimate,
              losslessEstimateText(
                  losslessEstimateGb(ctx.settings.encodeFrameCount, s.lumaBytes, s.chromaPlaneBytes, scan)));
}

void showFileNames(SourceContext& ctx) {
    ControlModel& c = ctx.controls;
    const SourceState& s = ctx.state;
    if (s.inputAccepted) {
        c.setText(kMain, main::inputFileButton, "input: " + displayForm(ctx.settings.inputFile));
        c.setEnabled(kMain, main::outputFileButton, true);
    }
    if (s.outputChosen) {
        c.setEnabled(kMain, main::outputFileButton, true);
        c.setText(kMain, main::outputFileButton, "output: " + displayForm(ctx.settings.outputFile));
    }
    const bool canEncode = s.sourceReady && s.outputChosen && !(s.isAvisynthScript && !s.avisynthLoaded);
    c.setEnabled(PageId::Window, window::encode, canEncode);
    if (s.inputAccepted) c.setEnabled(kMain, main::logFileButton, true);
    if (s.logChosen) c.setText(kMain, main::logFileButton, "log: " + displayForm(ctx.settings.logFile));
}

void refreshAfterFileChange(SourceContext& ctx) {
    ControlModel& c = ctx.controls;
    SourceState& s = ctx.state;
    SourceSettings& set = ctx.settings;

    showFileNames(ctx);
    if (ctx.hooks.fillLists) ctx.hooks.fillLists(c);

    // Bitrate controls follow the rate control mode, and only make sense with a source.
    if (s.sourceReady) {
        if (c.checked(kSettings1, settings1::constantQuantCheck)) {
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
        c.setEnabled(kMain, main::startFrameEdit, true);
        c.setEnabled(kMain, main::endFrameEdit, true);
    } else {
        for (int id = main::averageBitrateRadio; id <= main::maxBitrateEdit; ++id)
            c.setEnabled(kMain, id, false);
        c.setEnabled(kMain, main::startFrameEdit, false);
        c.setEnabled(kMain, main::endFrameEdit, false);
    }

    c.setPos(PageId::Chapters, preview::slider, 0);

    // Pan-scan exists for the DVD frame sizes only.
    const bool panScanSize = (s.width == 720 || s.width == 704) && (s.height == 576 || s.height == 480);
    if (!panScanSize) {
        set.panScanOn = false;
        // Only a choice that is no longer possible is moved; another aspect ratio stays as chosen.
        if (c.checked(kMain, main::aspectPanScanRadio)) c.setChecked(kMain, main::aspect16to9Radio, true);
        c.setEnabled(kMain, main::aspectPanScanRadio, false);
    } else {
        c.setEnabled(kMain, main::aspectPanScanRadio, true);
        c.setText(PageId::PanScan, panscan::windowWidthEdit, s.width == 720 ? "540" : "528");
        c.setText(PageId::PanScan, panscan::windowHeightEdit, s.height == 576 ? "576" : "480");
        c.setText(PageId::PanScan, panscan::horizontalEdit, "0");
        c.setText(PageId::PanScan, panscan::verticalEdit, "0");
        if (set.panScanOn) c.setChecked(kMain, main::aspectPanScanRadio, true);
    }

    // 24000/1001 as the single-precision rate holds it.
    if (std::fabs(s.frameRate - 23.976025f) > 0.01f) {
        c.setChecked(kMain, main::pulldownCheck, false);
        c.setEnabled(kMain, main::pulldownCheck, false);
    } else {
        c.setEnabled(kMain, main::pulldownCheck, true);
    }

    if (s.colourFormat == ColourFormat::Planar420) {
        c.setEnabled(kSettings3, settings3::chroma422Radio, false);
        c.setChecked(kSettings3, settings3::chroma420Radio, true);
    } else if (s.colourFormat == ColourFormat::Packed422) {
        c.setEnabled(kSettings3, settings3::chroma422Radio, true);
    }

    using namespace settings1;
    if (c.checked(kMain, main::pulldownCheck)) {
        c.setChecked(kSettings1, progressiveRadio, true);
        c.setChecked(kSettings1, bffRadio, true);
        for (int id = autoDetectRadio; id <= bffRadio; ++id)
            c.setEnabled(kSettings1, id, false);
    } else {
        for (int id = autoDetectRadio; id <= dvSourceRadio; ++id)
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

    if (ctx.hooks.buildPanScanOffsets) ctx.hooks.buildPanScanOffsets();

    showMovieInfo(ctx);
    showFileLength(ctx);
    refreshLosslessEstimate(ctx);

    s.currentFrame = 0;
    if (s.sourceReady && ctx.hooks.showFirstFrame) ctx.hooks.showFirstFrame();
}

} // namespace mivo
