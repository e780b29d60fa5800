// Loading an ini file as the pages see it: a clean record, the codec's read, its report on the status
// line; and the Main page's reset, load and save buttons.

#include "program/settings/settings_load.h"

#include "core/control_ids.h"
#include "core/source/d2v_check.h"
#include "program/settings/labels.h"
#include "program/settings/page_values.h"
#include "program/settings/settings_refresh.h"
#include "program/settings/settings_reset.h"

namespace mivo {

namespace {

// The names, the seen flags, every option and the chapter and pan-scan lists go before anything is
// read; the zones stay unless the file has its own.
void prepareForRead(SettingsContext& ctx) {
    Settings& s = ctx.settings;
    s.inputFile.clear();
    s.outputFile.clear();
    s.logFile.clear();
    // A disc the file does not ask for is no disc: the last file's folder must not make one.
    s.dvdFolder.clear();
    s.dvdIso.clear();
    s.audioFile.clear();
    s.seen.clearAll();
    ctx.source.dgdecodeLoaded = false;
    s.panScanOn = false;
    s.onePass = false;
    resetToDefaults(ctx);
    s.clearChapters();
    if (ctx.hooks.chaptersCleared) ctx.hooks.chaptersCleared();
    s.clearPanScan();
    if (ctx.hooks.panScanCleared) ctx.hooks.panScanCleared();
}

// Without the sources' own check an input is judged by its extension.
IniInputOutcome classifyByExtension(const std::string& name, SourceState& source) {
    source.isAvisynthScript = hasExtension(name, ".avs");
    source.isD2vProject = hasExtension(name, ".d2v");
    return source.isAvisynthScript || source.isD2vProject ? IniInputOutcome::Accepted
                                                          : IniInputOutcome::NotAnInput;
}

// A refused input is no source: the input button goes back to asking for one.
IniInputCheck inputCheck(SettingsContext& ctx) {
    IniInputCheck check;
    check.fileExists = ctx.hooks.fileExists;
    check.classify = [&ctx](const std::string& name) {
        const IniInputOutcome outcome = ctx.hooks.classifyIniInput ? ctx.hooks.classifyIniInput(name)
                                                                   : classifyByExtension(name, ctx.source);
        if (outcome != IniInputOutcome::Accepted) {
            ctx.source.sourceReady = false;
            ctx.controls.setText(PageId::Main, ids::main::inputFileButton, labels::inputNotSet);
        }
        return outcome;
    };
    return check;
}

void showReport(SettingsContext& ctx, const IniReadReport& report) {
    if (report.outcome == IniReadOutcome::Broken || report.outcome == IniReadOutcome::CannotRead) {
        // Nothing of a file that did not load is used: its input must not be opened either.
        ctx.source.isAvisynthScript = false;
        ctx.source.isD2vProject = false;
        ctx.source.isVideoFile = false;
    }
    ctx.status.show(report.message);
    if (report.outcome != IniReadOutcome::Processed) return;
    if (!report.inputProblem.empty()) {
        ctx.status.append(report.inputProblem);
        if (ctx.hooks.showMovieInfo) ctx.hooks.showMovieInfo();
        if (ctx.hooks.showFileLength) ctx.hooks.showFileLength();
    }
    if (!report.inputFound) ctx.status.append(kInputNotFoundWarning);
}

} // namespace

void readIniText(SettingsContext& ctx, IniMode mode, std::string_view text) {
    prepareForRead(ctx);
    showReport(ctx, parseIni(text, mode, ctx.settings, inputCheck(ctx)));
}

void readIniFile(SettingsContext& ctx, IniMode mode, const std::string& path) {
    prepareForRead(ctx);
    showReport(ctx, parseIniFile(path, mode, ctx.settings, inputCheck(ctx)));
}

void resetButton(SettingsContext& ctx) {
    resetToDefaults(ctx);
    ctx.status.show(" all values reset to default");
}

void loadIniFile(SettingsContext& ctx, IniMode mode, const std::string& path) {
    // The source open before the load is no longer the one in use; the reader resets every option.
    ctx.source.isAvisynthScript = false;
    ctx.source.isD2vProject = false;
    ctx.source.isVideoFile = false;
    ctx.source.sourceReady = false;
    readIniFile(ctx, mode, path);
    applySettingsToControls(ctx);
    if (ctx.hooks.openSource) ctx.hooks.openSource();
    if (ctx.hooks.refreshAfterFileChange) ctx.hooks.refreshAfterFileChange();
}

bool saveIniFile(SettingsContext& ctx, IniMode mode, const std::string& path) {
    return writeIniFile(mode, path, ctx.settings, ctx.controls, ctx.status);
}

} // namespace mivo
