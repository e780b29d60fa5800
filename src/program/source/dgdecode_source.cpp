#include "program/source/dgdecode_source.h"

#include "core/control_ids.h"
#include "core/source/d2v_check.h"
#include "platform/platform.h"
#include "program/source/movie_info_display.h"

#include <algorithm>

namespace mivo {

std::string dgdecodeMessage(DgdecodeResult result) {
    switch (result) {
    case DgdecodeResult::NotLoaded:
        return ", error initializing DGDecode, dll not loaded";
    case DgdecodeResult::NotUnloaded:
        return " ERROR unloading DGDecode.dll";
    case DgdecodeResult::MissingExport:
        return ", error initializing DGDecode, can't load load routines from dll";
    case DgdecodeResult::CannotOpen:
        return ", error initializing DGDecode, can't open mpeg file";
    case DgdecodeResult::NoSpecifications:
        return ", error initializing DGDecode, mpeg file opened but can't read specifications";
    case DgdecodeResult::NoYv12OrYuy2:
        return ", error initializing DGDecode, no YV12 or YUY2 color space";
    case DgdecodeResult::Ok:
        break;
    }
    return "";
}

namespace {

// The project version's library replaces the one in memory. False when it cannot be loaded (reported).
bool loadVersionLibrary(SourceContext& ctx, DgdecodeLibrary& library, const ProgramPaths& paths) {
    SourceState& s = ctx.state;
    if (!platform::fileExists(s.decoderLibraryPath)) {
        ctx.status.append(", DGDecode.dll NOT found in " + paths.programFolder + "DGDecode");
        return false;
    }
    if (library.release() != DgdecodeResult::Ok)
        ctx.status.show(dgdecodeMessage(DgdecodeResult::NotUnloaded));
    if (library.load(s.decoderLibraryPath) != DgdecodeResult::Ok) {
        ctx.status.append(", DGDecode.dll NOT loaded");
        return false;
    }
    ctx.status.append(decoderLoadMessage(s.projectVersion));
    s.dgdecodeLoaded = true;
    return true;
}

// The project could not be opened: the input is closed for the user.
void closeInput(SourceContext& ctx, DgdecodeLibrary& library, DgdecodeResult result) {
    SourceState& s = ctx.state;
    s.sourceReady = false;
    ctx.settings.inputFile.clear();
    library.release();
    s.dgdecodeLoaded = false;
    s.isD2vProject = false;
    s.inputAccepted = false;
    s.frameCount = 0;
    ctx.controls.setText(PageId::Main, ids::main::inputFileButton, kInputButtonDefault);
    ctx.status.append(dgdecodeMessage(result));
    showMovieInfo(ctx);
}

void takeStream(SourceState& s, const StreamProperties& stream) {
    s.setPlanarFrames(stream.width, stream.height, stream.frameCount,
                      static_cast<double>(stream.rateNumerator) / stream.rateDenominator);
    s.colourFormat = stream.colourFormat;
}

} // namespace

void fitFrameRange(const SourceState& s, SourceSettings& set) {
    if (!s.frameRangeGiven) {
        set.startFrame = 0;
        set.endFrame = s.frameCount - 1;
    }
    if (set.endFrame >= s.frameCount || set.endFrame < 0) set.endFrame = s.frameCount - 1;
    // A start beyond the end (from an ini file) would give no frames or a negative count.
    set.startFrame = std::clamp(set.startFrame, 0, set.endFrame);
    set.encodeFrameCount = set.endFrame - set.startFrame + 1;
}

void openDgdecodeSource(SourceContext& ctx, DgdecodeLibrary& library, const ProgramPaths& paths) {
    SourceState& s = ctx.state;
    SourceSettings& set = ctx.settings;
    if (!s.dgdecodeLoaded && !loadVersionLibrary(ctx, library, paths)) {
        s.sourceReady = false;
        return;
    }

    StreamProperties stream;
    const DgdecodeResult result = library.openProject(set.inputFile, stream);
    s.currentFrame = 0;
    if (result != DgdecodeResult::Ok) return closeInput(ctx, library, result);

    s.sourceReady = true;
    s.inputAccepted = true;
    ctx.status.append(", DGDecode successfully initialized");
    takeStream(s, stream);
    fitFrameRange(s, set);

    showMovieInfo(ctx);
    checkFrameRateAndSize(ctx);
    s.currentFrame = 0;
}

} // namespace mivo
