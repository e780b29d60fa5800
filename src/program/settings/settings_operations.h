#pragma once
// The settings as the pages see them: reset, loading an ini file into the record and the controls,
// taking the page values into the record before a write or the "current Mivo.ini" listing, and the
// buttons that do these. The ini codec itself (src/core/settings) knows no controls.
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
#include <string_view>

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

// Every option back to its default; the file names, folders, seen flags, custom matrices, lists, the
// frame range and the source state stay.
void resetToDefaults(SettingsContext& ctx);

// Reads an ini file into the record and the seen flags (after a reset), with its messages on the status
// line.
void readIniFile(SettingsContext& ctx, IniMode mode, const std::string& path);
// The same over a text already in memory (the file's bytes); for tests and the fuzzer.
void readIniText(SettingsContext& ctx, IniMode mode, std::string_view text);

// Shows what the reader has seen in the page controls.
void applySettingsToControls(SettingsContext& ctx);

// What the pages show, into the record's pageValues; the frame range, the fixed GOP, the VBR bias, the
// mask and shift, the time code and the wait also into the record's own fields, as every write and
// listing has always done.
void takePageValues(Settings& settings, const ControlModel& controls);

// The page values taken, then the ini file written whole or not at all. Returns writeOk (also kept in
// the record).
bool writeIniFile(IniMode mode, const std::string& path, Settings& settings, const ControlModel& controls,
                  StatusLine& status);
// The ini text the writer would produce, lines ending in CR LF; false (with the text up to that point)
// when the constant-quantisation value is not a number.
bool renderIniText(Settings& settings, const ControlModel& controls, std::string& out);

// Refills the "current Mivo.ini" list boxes of the three Settings pages.
void showIniListing(Settings& settings, ControlModel& controls, StatusLine& status,
                    const SettingsHooks& hooks);

// The buttons: "reset GUI to default", and loading or saving an ini file (the caller chose the path).
void resetButton(SettingsContext& ctx);
void loadIniFile(SettingsContext& ctx, IniMode mode, const std::string& path);
bool saveIniFile(SettingsContext& ctx, IniMode mode, const std::string& path);

} // namespace mivo
