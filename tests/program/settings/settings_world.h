#pragma once
// A program's worth of settings state for the settings tests: the record, the source state, the real
// page controls and the status line, with files that "exist" only as the test declares them.

#include "core/control_ids.h"
#include "core/control_model.h"
#include "core/settings/settings.h"
#include "core/source_state.h"
#include "core/status_line.h"
#include "program/settings/settings_operations.h"

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace mivo::test {

struct SettingsWorld {
    SourceState source;
    std::unique_ptr<Settings> settings = std::make_unique<Settings>(source);
    ControlModel controls;
    StatusLine status{controls};
    SettingsHooks hooks;
    std::set<std::string> existing;
    int processors = 2;

    SettingsWorld() {
        hooks.fileExists = [this](const std::string& path) { return existing.count(path) > 0; };
    }

    SettingsContext ctx() { return SettingsContext{*settings, source, controls, status, hooks, processors}; }
    Settings& s() { return *settings; }

    // Start-up: every option to its default.
    void reset() {
        SettingsContext c = ctx();
        resetToDefaults(c);
    }
    void read(std::string_view text, IniMode mode = IniMode::Default) {
        SettingsContext c = ctx();
        readIniText(c, mode, text);
    }
    void refresh() {
        SettingsContext c = ctx();
        applySettingsToControls(c);
    }
    // What loading a file does to the controls: reset, read, refresh.
    void load(std::string_view text, IniMode mode = IniMode::Default) {
        read(text, mode);
        refresh();
    }
    std::string render() {
        std::string out;
        renderIniText(*settings, controls, out);
        return out;
    }
    std::string statusText() const { return controls.text(PageId::Window, ids::window::status); }

    // Control shorthands.
    const std::string& text(PageId page, int id) const { return controls.text(page, id); }
    bool checked(PageId page, int id) const { return controls.checked(page, id); }
    bool enabled(PageId page, int id) const { return controls.enabled(page, id); }
    int pos(PageId page, int id) const { return controls.pos(page, id); }
};

// Lines of an ini text without their CR LF ends.
inline std::vector<std::string> iniLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) {
            lines.push_back(text.substr(pos));
            break;
        }
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

// "*BITRATE" padded to 18 characters, then the value.
inline std::string valueLine(const std::string& keyword, const std::string& value) {
    std::string line = keyword;
    line.resize(18, ' ');
    return line + value;
}

} // namespace mivo::test
