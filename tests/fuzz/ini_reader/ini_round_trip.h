#pragma once
// The ini file's promise, as one check over any input text: load the text as the program does, save
// the settings, and the saved file loads without an error message and saves again to the same bytes.
// Shared by the fuzz target and the unit tests that replay its corpus and generated settings.

#include "core/control_ids.h"
#include "core/control_model.h"
#include "core/settings/settings.h"
#include "core/source_state.h"
#include "core/status_line.h"
#include "program/settings/settings_operations.h"

#include <memory>
#include <string>
#include <string_view>

namespace mivo::test {

// One program's settings state, with the outside parts the loads need played by simple stand-ins:
// every input name of even length exists; an accepted input opens as a 720 x 576 source; after a load
// the controls that depend on the source follow the rules of the source refresh (bitrate group, frame
// range, pan-scan availability).
struct RoundTripWorld {
    SourceState source;
    std::unique_ptr<Settings> settings = std::make_unique<Settings>(source);
    ControlModel controls;
    StatusLine status{controls};
    SettingsHooks hooks;
    int processors = 2;

    RoundTripWorld() {
        setHooks();
        restart();
    }
    RoundTripWorld(const RoundTripWorld&) = delete;
    RoundTripWorld& operator=(const RoundTripWorld&) = delete;

    // A fresh program start: start-up values, then the reset.
    void restart() {
        source = SourceState{};
        settings->setStartUpValues();
        controls = ControlModel();
        SettingsContext c = ctx();
        resetToDefaults(c);
    }

  private:
    void setHooks() {
        hooks.fileExists = [](const std::string& name) { return name.size() % 2 == 0; };
        hooks.openSource = [this] {
            source.sourceReady = source.inputAccepted;
            source.width = source.sourceReady ? 720 : 0;
            source.height = source.sourceReady ? 576 : 0;
        };
        hooks.refreshAfterFileChange = [this] { sourceRefresh(); };
    }

  public:
    SettingsContext ctx() { return SettingsContext{*settings, source, controls, status, hooks, processors}; }

    void load(std::string_view text) {
        SettingsContext c = ctx();
        source.isAvisynthScript = source.isD2vProject = source.sourceReady = false;
        readIniText(c, IniMode::Default, text);
        applySettingsToControls(c);
        hooks.openSource();
        sourceRefresh();
    }

    // The part of the source refresh that decides what the writer sees.
    void sourceRefresh() {
        using P = PageId;
        namespace m = ids::main;
        namespace s1 = ids::settings1;
        ControlModel& c = controls;
        Settings& s = *settings;
        const bool ready = source.sourceReady;
        for (int id : {m::averageBitrateRadio, m::fileLengthRadio, m::fileLengthEdit, m::averageBitrateEdit,
                       m::maxBitrateEdit, m::startFrameEdit, m::endFrameEdit})
            c.setEnabled(P::Main, id, false);
        if (ready) {
            if (c.checked(P::Settings1, s1::constantQuantCheck)) {
                c.setEnabled(P::Main, m::maxBitrateEdit, c.checked(P::Settings1, s1::checkVbvCheck));
            } else {
                c.setEnabled(P::Main, m::averageBitrateRadio, true);
                c.setChecked(P::Main, m::averageBitrateRadio, true);
                c.setEnabled(P::Main, m::fileLengthRadio, true);
                c.setEnabled(P::Main, m::averageBitrateEdit, true);
                c.setEnabled(P::Main, m::maxBitrateEdit, true);
            }
            if (!source.frameRangeGiven) { // a source of 1000 frames, all of them encoded
                s.startFrame = 0;
                s.endFrame = 999;
            }
            c.setEnabled(P::Main, m::startFrameEdit, true);
            c.setEnabled(P::Main, m::endFrameEdit, true);
            c.setText(P::Main, m::startFrameEdit, std::to_string(s.startFrame));
            c.setText(P::Main, m::endFrameEdit, std::to_string(s.endFrame));
            c.setEnabled(P::Main, m::aspectPanScanRadio, true);
            if (s.panScanOn) c.setChecked(P::Main, m::aspectPanScanRadio, true);
        } else {
            s.startFrame = s.endFrame = -1;
            c.setText(P::Main, m::startFrameEdit, "-");
            c.setText(P::Main, m::endFrameEdit, "-");
            s.panScanOn = false;
            c.setEnabled(P::Main, m::aspectPanScanRadio, false);
            if (c.checked(P::Main, m::aspectPanScanRadio)) c.setChecked(P::Main, m::aspect16to9Radio, true);
        }
    }

    std::string save() {
        std::string out;
        if (!renderIniText(*settings, controls, out)) out.clear();
        return out;
    }
    std::string statusText() const { return controls.text(PageId::Window, ids::window::status); }
};

// Empty when the promise holds for `written`, the text a first save produced; otherwise what broke.
// The worlds are made once (the record is large) and restarted for every check.
inline RoundTripWorld& firstWorld() {
    static RoundTripWorld world;
    return world;
}
inline RoundTripWorld& secondWorld() {
    static RoundTripWorld world;
    return world;
}

inline std::string checkSavedText(const std::string& written) {
    RoundTripWorld& second = secondWorld();
    second.restart();
    second.load(written);
    if (second.statusText().find("error") != std::string::npos)
        return "the saved file does not load: " + second.statusText();
    const std::string again = second.save();
    if (again != written) return "saving again gives other bytes";
    return {};
}

// Loads any text, saves, and checks the saved file. A save that refuses (the quantiser field showing
// no number) is no failure: only files the writer completes are promised to load.
inline std::string checkIniRoundTrip(std::string_view input) {
    RoundTripWorld& first = firstWorld();
    first.restart();
    first.load(input);
    std::string written;
    if (!renderIniText(*first.settings, first.controls, written)) return {};
    return checkSavedText(written);
}

} // namespace mivo::test
