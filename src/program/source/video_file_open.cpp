#include "program/source/video_file_open.h"

#include "core/control_ids.h"
#include "core/source/movie_info.h"
#include "program/source/dgdecode_source.h"
#include "program/source/movie_info_display.h"
#include "video_file_source.h"

#include <algorithm>
#include <cmath>

namespace mivo {

namespace {

void takeInfo(SourceState& s, const video::VideoFileInfo& info) {
    s.setPlanarFrames(info.width, info.height, info.frameCount,
                      static_cast<double>(info.rateNum) / info.rateDen);
    s.displayAspect =
        info.aspectNum > 0 && info.aspectDen > 0 ? static_cast<double>(info.aspectNum) / info.aspectDen : 0.0;
    s.colourFormat = ColourFormat::Planar420;
    VideoFileFacts& f = s.videoFile;
    f = VideoFileFacts{};
    f.codec = info.codec;
    f.container = info.container;
    f.pixelFormat = info.pixelFormat;
    f.fileWidth = info.sourceWidth;
    f.fileHeight = info.sourceHeight;
    f.converted = info.converted;
    f.scaled = info.scaled;
    f.variableRate = info.variableRate;
    for (const video::AudioTrack& a : info.audio)
        f.audio.push_back({a.codec, a.channels, a.sampleRate, a.language});
}

} // namespace

std::string indexingText(double done) {
    const int percent = static_cast<int>(std::floor(std::clamp(done, 0.0, 1.0) * 100.0));
    return " indexing video file ... " + std::to_string(percent) + " %";
}

void openVideoFileSource(SourceContext& ctx, std::unique_ptr<video::VideoFileSource>& slot,
                         const VideoFileOpening& how) {
    SourceState& s = ctx.state;
    SourceSettings& set = ctx.settings;
    // What the status line said before (an ini file's load) stays ahead of what the open says.
    const std::string before(ctx.status.buffer());
    slot.reset();
    s.currentFrame = 0;
    s.projectVersion = 0;

    video::OpenOptions options;
    options.threads = how.threads;
    options.fallbackIndexFolder = how.fallbackIndexFolder;
    options.progress = how.progress;
    std::string why;
    bool cancelled = false;
    std::unique_ptr<video::VideoFileSource> opened =
        video::VideoFileSource::open(set.inputFile, options, why, &cancelled);
    if (!opened) {
        s.sourceReady = false;
        s.inputAccepted = false;
        s.isVideoFile = false;
        s.frameCount = 0;
        s.displayAspect = 0.0;
        s.videoFile = VideoFileFacts{};
        set.inputFile.clear();
        ctx.controls.setText(PageId::Main, ids::main::inputFileButton, kInputButtonDefault);
        ctx.status.show(cancelled ? " indexing cancelled, video file not opened"
                                  : " ERROR, can't open video file: " + why);
        showMovieInfo(ctx);
        return;
    }

    takeInfo(s, opened->info());
    slot = std::move(opened);
    s.sourceReady = true;
    s.inputAccepted = true;
    fitFrameRange(s, set);
    ctx.status.show(before);
    ctx.status.append((before.empty() ? "" : ",") +
                      videoFileOpenedText(s.videoFile, s.width, s.height, s.frameRate));
    showMovieInfo(ctx);
    checkFrameRateAndSize(ctx);
    ctx.status.append(audioTracksText(s.videoFile.audio));
    s.currentFrame = 0;
}

} // namespace mivo
