#pragma once
// The settings as the pages see them: what the settings operations work on. The ini codec itself
// (src/core/settings) knows no controls.
//
// What other subsystems provide comes in through SettingsHooks; every hook is optional and a missing
// one is skipped (or, where a value is needed, replaced by the fallback named beside it).

#include "core/control_model.h"
#include "core/settings/ini_codec.h"
#include "core/settings/settings.h"
#include "core/source_state.h"
#include "core/status_line.h"

#include <functional>
#include <string>

namespace mivo {

struct SettingsHooks {
    // Matrix page: fill the grids from matrixChoice; make the grids editable or not. Not wired yet: the
    // matrix page being built now sets them, as the list pages do the two clearing hooks below.
    std::function<void()> showMatrix;
    std::function<void(bool)> enableMatrixGrid;
    // Movie information and file-length estimate of the Main page.
    std::function<void()> showMovieInfo;
    std::function<void()> showFileLength;
    // The input check of an *INFILE name that exists; it also sets the source state's kind flags.
    // Fallback: accepted when the name ends in ".d2v" or ".avs" (any letter case).
    std::function<IniInputOutcome(const std::string& name)> classifyIniInput;
    // Fallback: the file system says whether a regular file of that name exists.
    std::function<bool(const std::string& path)> fileExists;
    // The list pages' part of clearing a list (list boxes, per-frame offsets); the record's list is
    // cleared before these run. Not wired yet: the list pages being built now set them.
    std::function<void()> chaptersCleared;
    std::function<void()> panScanCleared;
    // After an ini load: open the source the file named, then bring every source-dependent control
    // up to date.
    std::function<void()> openSource;
    std::function<void()> refreshAfterFileChange;
    // Average character width in pixels of the listing font (for the list boxes' scroll extent).
    // Fallback: 7.
    std::function<int()> listingCharWidth;
};

struct SettingsContext {
    Settings& settings;
    SourceState& source;
    ControlModel& controls;
    StatusLine& status;
    const SettingsHooks& hooks;
    int processorCount = 0; // from NUMBER_OF_PROCESSORS (or the system) at start-up
};

} // namespace mivo
