#include "program/source/input_flow.h"

#include "core/control_ids.h"
#include "core/source/d2v_check.h"
#include "core/source/movie_info.h"
#include "platform/platform.h"
#include "program/source/dgdecode_source.h"
#include "program/source/file_change_refresh.h"

namespace mivo {

namespace {

void rejectInput(SourceContext& ctx) {
    ctx.settings.inputFile.clear();
    ctx.state.inputAccepted = false;
    ctx.state.sourceReady = false;
    ctx.controls.setText(PageId::Main, ids::main::inputFileButton, kInputButtonDefault);
}

const FileExistsFn& fileExists() {
    static const FileExistsFn fn = [](const std::string& p) { return platform::fileExists(p); };
    return fn;
}

} // namespace

void applyAutogopPresets(SourceContext& ctx) {
    int preset = 0;
    if (isFilmRate(ctx.state.frameRate))
        preset = 12;
    else if (isPalRate(ctx.state.frameRate))
        preset = 15;
    if (preset == 0) return;
    ctx.controls.setText(PageId::Main, ids::main::autoGopLengthEdit, std::to_string(preset));
    ctx.controls.setPos(PageId::Main, ids::main::autoGopLengthUpDown, preset);
}

void inputSelectionCancelled(SourceContext& ctx) {
    refreshAfterFileChange(ctx);
    applyAutogopPresets(ctx);
}

void inputFileChosen(SourceContext& ctx, DgdecodeLibrary& library, const ProgramPaths& paths,
                     const std::string& chosen, const InputHooks& hooks) {
    SourceState& s = ctx.state;
    ctx.settings.inputFile = chosen;
    if (!platform::fileExists(chosen)) {
        // The input name is emptied; the program must not go on as if the earlier source were still the
        // input (the label would read "input: " and an encode would get no input name).
        rejectInput(ctx);
        ctx.status.show(" input file not found");
        inputSelectionCancelled(ctx);
        return;
    }

    classifyInput(s, chosen, paths.dgdecodeFolder, fileExists());
    s.inputAccepted = s.isAvisynthScript || s.isVideoFile || (s.isD2vProject && s.projectVersionValid);
    s.frameRangeGiven = false;
    s.dgdecodeLoaded = false; // the next load replaces a library still in memory
    s.sourceReady = false;
    s.displayAspect = 0.0; // only a video file's open knows it

    if (s.isAvisynthScript) ctx.status.show(" AVS file opened");
    if (s.isD2vProject) ctx.status.show(" D2V project file opened");
    if (s.isVideoFile) ctx.status.show(""); // the open says what it found

    if (s.isAvisynthScript && hooks.openAvisynth) hooks.openAvisynth(ctx);
    if (s.isD2vProject && s.projectVersionValid) openDgdecodeSource(ctx, library, paths);
    if (s.isVideoFile && hooks.openVideoFile) hooks.openVideoFile(ctx);

    const auto clearLists = [&] {
        if (hooks.clearLists) hooks.clearLists();
    };
    if (!s.projectFilesFound) {
        rejectInput(ctx);
        clearLists();
        ctx.status.show(" ERROR, invalid D2V project, can't find the VOB/MPEG files");
    } else if (!s.projectVersionValid) {
        rejectInput(ctx);
        ctx.status.show(" ERROR, invalid D2V project, DGIndex/DGDecode mismatch");
        clearLists();
    } else if (s.sourceReady) {
        s.inputAccepted = true;
        clearLists();
        ctx.controls.selectText(PageId::Settings2, ids::settings2::mpegLevelCombo, "AUTO");
    } else {
        rejectInput(ctx);
        clearLists();
    }

    ctx.controls.setEnabled(PageId::Main, ids::main::outputFileButton, true);
    ctx.controls.setEnabled(PageId::Main, ids::main::logFileButton, true);
    inputSelectionCancelled(ctx);
}

IniInputOutcome classifyIniInput(SourceContext& ctx, const ProgramPaths& paths) {
    SourceState& s = ctx.state;
    classifyInput(s, ctx.settings.inputFile, paths.dgdecodeFolder, fileExists());
    if (!s.projectFilesFound) {
        rejectInput(ctx);
        return IniInputOutcome::FilesMissing;
    }
    if (s.projectVersionValid) {
        s.inputAccepted = true;
        return IniInputOutcome::Accepted;
    }
    rejectInput(ctx);
    return IniInputOutcome::VersionMismatch;
}

} // namespace mivo
