#include "program/source/avisynth_source.h"

#include "platform/frame_server.h"
#include "platform/platform.h"

#include <algorithm>
#include <cstdio>

namespace mivo {

namespace {

void call(const std::function<void()>& hook) {
    if (hook) hook();
}

void reportImportFailure(StatusLine& status, AvisynthResult result, const std::string& errorText) {
    switch (result) {
    case AvisynthResult::NotLoaded:
        status.show(" Avisynth.dll not loaded");
        break;
    case AvisynthResult::NoEnvironment:
        status.show(" can't create Avisynth script environment");
        break;
    case AvisynthResult::ScriptError:
        // One message, so the blank after the comma survives (a message's trailing blanks are dropped).
        status.show(" error loading Avisynth script, " + errorText);
        break;
    case AvisynthResult::NoColourSpace:
        status.show(" no YV12 or YUY2 color space");
        break;
    default:
        status.show(" can't load video");
        break;
    }
}

bool fitsThePlanes(const AvisynthClipInfo& info, std::size_t lumaCapacity) {
    return info.height > 0 &&
           static_cast<std::uint64_t>(info.width) * static_cast<std::uint64_t>(info.height) <= lumaCapacity;
}

// Everything the source state derives from the clip.
void takeClipInfo(SourceState& s, const AvisynthClipInfo& info) {
    s.width = info.width;
    s.height = info.height;
    s.frameCount = info.frameCount;
    s.colourFormat = info.colourFormat;
    s.lumaBytes = info.width * info.height;
    s.frameBytes = 2 * info.width * info.height;
    s.chromaPlaneBytes = info.width * info.height / 4;
    s.lumaPitch = info.width;
    s.chromaPitch = info.width / 2;
    // A clip may report a rate of 0/0; the lengths are then 0 rather than a division by zero.
    s.frameRate = info.rateDenominator != 0
                      ? static_cast<float>(info.rateNumerator) / static_cast<float>(info.rateDenominator)
                      : 0.0f;
    s.movieSeconds = s.frameRate > 0.0f ? static_cast<float>(info.frameCount) / s.frameRate : 0.0f;
    s.isYuy2 = info.colourFormat == ColourFormat::Packed422;
}

} // namespace

void openAvisynthSource(AvisynthSourceContext& ctx) {
    SourceState& s = ctx.source;
    ctx.layer.releaseAvisynth();
    if (ctx.layer.loadAvisynth(ctx.memoryRequest) != AvisynthResult::Ok) {
        ctx.status.append(", Avisynth.dll NOT loaded");
    } else {
        ctx.status.append(", Avisynth.dll loaded");
        s.avisynthLoaded = true;
        s.inputAccepted = false;
    }
    // Once set, the flag stays: a failed reload then shows up as the import's "not loaded".
    if (!s.avisynthLoaded) return;

    AvisynthClipInfo info;
    std::string errorText;
    const AvisynthResult result = ctx.layer.importScript(ctx.inputFileName, info, errorText);
    if (result == AvisynthResult::Ok || result == AvisynthResult::NoColourSpace) {
        s.width = info.width;
        s.height = info.height;
        s.frameCount = info.frameCount;
        s.colourFormat = info.colourFormat;
    }
    s.currentFrame = 0;
    s.projectVersion = 0;
    const bool tooLarge = result == AvisynthResult::Ok && !fitsThePlanes(info, ctx.lumaCapacity);

    if (result != AvisynthResult::Ok || tooLarge) {
        s.sourceReady = false;
        ctx.inputFileName.clear();
        s.isAvisynthScript = false;
        s.inputAccepted = false;
        s.frameCount = 0;
        call(ctx.hooks.showMovieInfo);
        if (tooLarge)
            ctx.status.show(" can't load video, frame size " + std::to_string(info.width) + "x" +
                            std::to_string(info.height) + " too large");
        else
            reportImportFailure(ctx.status, result, errorText);
        call(ctx.hooks.resetInputLabel);
        return;
    }

    s.sourceReady = true;
    s.inputAccepted = true;
    takeClipInfo(s, info);
    ctx.status.append(", Avisynth successfully initialized");

    if (!s.frameRangeGiven) {
        ctx.range.startFrame = 0;
        ctx.range.endFrame = s.frameCount - 1;
    }
    if (ctx.range.endFrame >= s.frameCount) ctx.range.endFrame = s.frameCount - 1;
    ctx.range.encodeFrameCount = ctx.range.endFrame - ctx.range.startFrame + 1;

    call(ctx.hooks.showMovieInfo);
    call(ctx.hooks.checkFrameRateAndSize);
    s.currentFrame = 0;
}

void reopenAvisynthSource(AvisynthSourceContext& ctx) {
    SourceState& s = ctx.source;
    ctx.layer.loadAvisynth(ctx.memoryRequest);
    AvisynthClipInfo info;
    std::string errorText;
    const AvisynthResult result = ctx.layer.importScript(ctx.inputFileName, info, errorText);
    if (result != AvisynthResult::Ok || !fitsThePlanes(info, ctx.lumaCapacity)) {
        s.sourceReady = false;
        ctx.status.show(" error re-loading Avisynth script, ");
    } else {
        // The script may have been edited while the encoder ran: the sizes the frame fetch relies on
        // follow the clip as it is now, and the frame range stays inside it.
        takeClipInfo(s, info);
        if (ctx.range.endFrame >= s.frameCount) {
            ctx.range.endFrame = s.frameCount - 1;
            ctx.range.encodeFrameCount = ctx.range.endFrame - ctx.range.startFrame + 1;
        }
        s.sourceReady = true;
        ctx.status.append(", Avisynth successfully re-initialized");
    }
    s.currentFrame = 0;
}

AvisynthInstallation probeAvisynthInstallation(StatusLine& status) {
    AvisynthInstallation found;
    const std::optional<std::string> folder = platform::frameServerInstallation();
    if (!folder) {
        status.show(" Avisynth installation NOT found");
        return found;
    }
    found.found = true;
    found.folder = *folder;
    // The status line cuts the text to 200 characters and wraps it after runs of 100.
    status.show(" Avisynth installation found: " + *folder);
    return found;
}

std::string frameServerLibraryDate(const std::string& libraryPath) {
    if (libraryPath.empty() || !platform::fileExists(libraryPath)) return std::string(10, ' ');
    const std::optional<platform::FileDate> date = platform::fileDate(libraryPath);
    if (!date) return std::string(10, ' ');
    char text[32];
    std::snprintf(text, sizeof text, "%2d-%2d-%4d", date->day, date->month, date->year);
    return text;
}

std::optional<std::string>
frameServerVersion(const std::string& libraryPath,
                   const std::function<std::optional<std::string>(const std::string&)>& queryFileVersion) {
    if (queryFileVersion)
        if (std::optional<std::string> v = queryFileVersion(libraryPath)) return v;
    if (std::optional<std::string> v = platform::frameServerVersionFromName(libraryPath)) return v;
    AvisynthLayer layer;
    int memoryRequest = -1;
    if (layer.loadAvisynth(memoryRequest) != AvisynthResult::Ok) return std::nullopt;
    std::string text = layer.versionString();
    if (text.empty()) return std::nullopt;
    return text;
}

void showAvisynthInfo(StatusLine& status, const std::string& libraryPath, const std::string& libraryDate,
                      const std::function<std::optional<std::string>(const std::string&)>& queryFileVersion) {
    if (!probeAvisynthInstallation(status).found) return;
    if (libraryPath.empty() || !platform::fileExists(libraryPath)) {
        status.show(" Avisynth.dll NOT found in " + libraryPath);
        return;
    }
    const std::optional<std::string> version =
        queryFileVersion ? queryFileVersion(libraryPath) : std::optional<std::string>{};
    if (version)
        status.append(", file version: " + *version + ", creation date: " + libraryDate);
    else
        status.append(", no file version information available");
}

} // namespace mivo
