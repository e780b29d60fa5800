#include "program/source/movie_info_display.h"

#include "base/fixed_format.h"
#include "base/paths.h"
#include "core/control_ids.h"
#include "core/free_format.h"
#include "core/lossless_estimate.h"
#include "core/source/movie_info.h"
#include "core/source/output_size.h"

#include <algorithm>
#include <cstdint>

namespace mivo {

namespace {

using namespace ids;
constexpr PageId kMain = PageId::Main;

// Figures stay readable when they outgrow their field.
std::string integerText(long long value, int width) {
    return leftInt(value, width, Overflow::Widen);
}
std::string realText(double value, int width, int decimals) {
    return leftReal(value, width, decimals, Overflow::Widen);
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

void showOpenSource(SourceContext& ctx) {
    const SourceState& s = ctx.state;
    const SourceSettings& set = ctx.settings;
    ControlModel& c = ctx.controls;
    c.setEnabled(kMain, main::allFramesButton, true);
    c.setText(kMain, main::startFrameEdit, integerText(set.startFrame, 12));
    c.setText(kMain, main::endFrameEdit, integerText(set.endFrame, 12));
    std::string size = integerText(s.width, 6) + "x" + integerText(s.height, 6);
    if (s.width >= 721 || s.height >= 577) size += " HD res";
    if (s.isVideoFile && s.videoFile.scaled) size += ", scaled";
    c.setText(kMain, main::frameSizeInfo, size);
    std::string format = realText(s.frameRate, 12, 4) + " / " + colourName(s.colourFormat);
    // A video file also names what it is: the codec and the container it came in.
    if (s.isVideoFile) format += ", " + s.videoFile.codec + "/" + s.videoFile.container;
    c.setText(kMain, main::frameRateInfo, format);
    c.setText(kMain, main::frameCountInfo, integerText(s.frameCount, 8));
    c.setText(kMain, main::movieSecondsInfo, realText(s.movieSeconds, 12, 2));
    c.setText(kMain, main::movieHmsInfo, formatHms(s.movieSeconds));
    c.setText(kMain, main::encodeFramesInfo, integerText(set.encodeFrameCount, 12));
    const float seconds = s.frameRate > 0.0f ? static_cast<float>(set.encodeFrameCount) / s.frameRate : 0.0f;
    c.setText(kMain, main::encodeSecondsInfo, realText(seconds, 12, 2));
    c.setText(kMain, main::encodeHmsInfo, formatHms(seconds));
}

} // namespace

void showMovieInfo(SourceContext& ctx) {
    if (ctx.state.sourceReady) return showOpenSource(ctx);
    SourceSettings& set = ctx.settings;
    ControlModel& c = ctx.controls;
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
    int bitrate = 0;
    if (ff::readInt(c.text(kMain, main::averageBitrateEdit), bitrate) == ff::ReadStatus::Ok)
        ctx.settings.bitrate = bitrate;
    const long long kb =
        estimateFileLengthKb(ctx.settings.encodeFrameCount, ctx.state.frameRate, ctx.settings.bitrate);
    ctx.settings.fileLengthKb = static_cast<int>(std::clamp<long long>(kb, INT32_MIN, INT32_MAX));
    c.setText(kMain, main::fileLengthEdit, integerText(kb, 12));
}

void checkFrameRateAndSize(SourceContext& ctx) {
    SourceState& s = ctx.state;
    const bool pulldown = ctx.controls.checked(kMain, main::pulldownCheck);
    s.filmRate = isFilmRate(s.frameRate);
    if (!s.filmRate && !isPalRate(s.frameRate) && !isNtscRate(s.frameRate))
        ctx.status.append(", WARNING, frame rate NOT DVD-COMPLIANT");
    if (s.filmRate && !pulldown) ctx.status.append(", use pulldown for DVD compliancy");
    // The size judged is the one the encoder writes.
    const FrameSize out = outputFrameSize(ctx.controls, s);
    if (out.width <= 720 && out.height <= 576 && !resolutionSuitsRate(out.width, out.height, s.frameRate))
        ctx.status.append(", WARNING, resolution/frame rate mismatch");
    if (s.height == 1088) {
        s.height = 1080;
        ctx.status.append(", 1088 vertical resolution detected, vertical resolution set to 1080");
    }
    if (ctx.hooks.dvdChecked) ctx.hooks.dvdChecked();
}

void refreshLosslessEstimate(SourceContext& ctx) {
    ControlModel& c = ctx.controls;
    const SourceState& s = ctx.state;
    if (!s.isAvisynthScript) {
        c.setChecked(PageId::Settings3, settings3::useLosslessCheck, false);
        c.setEnabled(PageId::Settings3, settings3::useLosslessCheck, false);
        c.setText(PageId::Settings3, settings3::losslessEstimate, "");
        return;
    }
    c.setEnabled(PageId::Settings3, settings3::useLosslessCheck, true);
    if (!ctx.settings.useLossless || !c.checked(PageId::Settings3, settings3::useLosslessCheck)) {
        c.setText(PageId::Settings3, settings3::losslessEstimate, "");
        return;
    }
    LosslessScan scan = LosslessScan::AutoDetect;
    if (c.checked(PageId::Settings1, settings1::progressiveRadio))
        scan = LosslessScan::Progressive;
    else if (c.checked(PageId::Settings1, settings1::interlacedRadio))
        scan = LosslessScan::Interlaced;
    else if (c.checked(PageId::Settings1, settings1::dvSourceRadio))
        scan = LosslessScan::DigitalVideo;
    c.setText(PageId::Settings3, settings3::losslessEstimate,
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
    c.setEnabled(PageId::Window, window::addToQueue, canEncode); // a job needs what an encode needs
    if (s.inputAccepted) c.setEnabled(kMain, main::logFileButton, true);
    if (s.logChosen) c.setText(kMain, main::logFileButton, "log: " + displayForm(ctx.settings.logFile));
}

} // namespace mivo
