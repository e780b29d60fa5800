#include "program/source/dgdecode_source.h"

#include "core/control_ids.h"
#include "core/source/d2v_project.h"
#include "platform/platform.h"
#include "program/source/movie_info_display.h"

#include <algorithm>

namespace mivo {

void openDgdecodeSource(SourceContext& ctx, DgdecodeLibrary& library, const ProgramPaths& paths) {
    SourceState& s = ctx.state;
    SourceSettings& set = ctx.settings;

    if (!s.dgdecodeLoaded) {
        if (!platform::fileExists(s.decoderLibraryPath)) {
            ctx.status.append(", DGDecode.dll NOT found in " + paths.programFolder + "DGDecode");
            s.sourceReady = false;
            return;
        }
        if (library.release() != DgdecodeResult::Ok)
            ctx.status.show(dgdecodeMessage(DgdecodeResult::NotUnloaded));
        if (library.load(s.decoderLibraryPath) != DgdecodeResult::Ok) {
            ctx.status.append(", DGDecode.dll NOT loaded");
            s.sourceReady = false;
            return;
        }
        ctx.status.append(decoderLoadMessage(s.projectVersion));
        s.dgdecodeLoaded = true;
    }

    StreamProperties stream;
    const DgdecodeResult result = library.openProject(set.inputFile, stream);
    s.currentFrame = 0;
    if (result != DgdecodeResult::Ok) {
        s.sourceReady = false;
        set.inputFile.clear();
        library.release();
        s.dgdecodeLoaded = false;
        s.isD2vProject = false;
        s.inputAccepted = false;
        s.frameCount = 0;
        ctx.controls.setText(PageId::Main, ids::main::inputFileButton, kInputButtonDefault);
        ctx.status.append(dgdecodeMessage(result));
        showMovieInfo(ctx);
        return;
    }

    s.sourceReady = true;
    s.inputAccepted = true;
    ctx.status.append(", DGDecode successfully initialized");
    s.width = stream.width;
    s.height = stream.height;
    s.frameCount = stream.frameCount;
    s.colourFormat = stream.colourFormat;
    s.isYuy2 = false; // the scan reads it for Avisynth sources only; D2V frames arrive as planes
    s.lumaBytes = stream.width * stream.height;
    s.frameBytes = 2 * s.lumaBytes;
    s.chromaPlaneBytes = s.lumaBytes / 4;
    s.lumaPitch = stream.width;
    s.chromaPitch = stream.width / 2;
    const double rate = static_cast<double>(stream.rateNumerator) / stream.rateDenominator;
    s.frameRate = static_cast<float>(rate);
    s.movieSeconds = static_cast<float>(stream.frameCount / rate);

    if (!s.frameRangeGiven) {
        set.startFrame = 0;
        set.endFrame = s.frameCount - 1;
    }
    if (set.endFrame >= s.frameCount || set.endFrame < 0) set.endFrame = s.frameCount - 1;
    // A start beyond the end (from an ini file) would give no frames or a negative count.
    set.startFrame = std::clamp(set.startFrame, 0, set.endFrame);
    set.encodeFrameCount = set.endFrame - set.startFrame + 1;

    showMovieInfo(ctx);
    checkFrameRateAndSize(ctx);
    s.currentFrame = 0;
}

} // namespace mivo
