#include "program/pages/disc_page.h"

#include "base/paths.h"
#include "core/control_ids.h"
#include "core/source/movie_info.h"
#include "platform/platform.h"
#include "program/program.h"
#include "sources/disc_audio.h"

#include <algorithm>

namespace mivo {

namespace {

namespace d = ids::disc;
constexpr PageId kDisc = PageId::Disc;
constexpr int kLastTrack = 8; // the ini's *AUDIOTRACK takes 1 to 8

std::string label(const std::string& name, const std::string& path, const char* unset) {
    return path.empty() ? name + " (" + unset + ")" : name + ": " + displayForm(path);
}

// The files that carry the source's own audio: a D2V project's VOB/MPEG files, a video file itself; a
// script has none.
std::vector<std::string> sourceAudioFiles(const Settings& s, const SourceState& source) {
    if (source.isAvisynthScript || s.inputFile.empty()) return {};
    if (source.isD2vProject) return disc::d2vSourceFiles(s.inputFile);
    return {s.inputFile};
}

// Whether the disc will have audio to cut, as far as the window knows without reading it.
bool audioExpected(const Settings& s, const SourceState& source) {
    return !s.audioFile.empty() || !sourceAudioFiles(s, source).empty();
}

} // namespace

void DiscPage::onDefault(int id) {
    Settings& s = p_.settings();
    ControlModel& c = p_.controls();
    switch (id) {
    case d::folderButton:
        return chooseFolder();
    case d::imageButton:
        return chooseImage();
    case d::audioFileButton:
        return chooseAudioFile();
    case d::noDiscButton:
        s.dvdFolder.clear();
        s.dvdIso.clear();
        p_.status().show(" no disc after the encode");
        refresh();
        return;
    case d::sourceAudioButton:
        s.audioFile.clear();
        return changed();
    case d::audioTrackUpDown:
        s.audioTrack = c.pos(kDisc, d::audioTrackUpDown);
        c.setText(kDisc, d::audioTrackEdit, std::to_string(s.audioTrack));
        return changed();
    default:
        return;
    }
}

void DiscPage::onChange(int id) {
    if (id != d::audioTrackEdit) return onDefault(id);
    // Typed digits: a track the ini can carry is taken at once, anything else waits for more typing.
    const std::string& text = p_.controls().text(kDisc, d::audioTrackEdit);
    if (text.empty() || text.size() > 1 || text[0] < '1' || text[0] > '0' + kLastTrack) return;
    p_.settings().audioTrack = text[0] - '0';
    p_.controls().setPos(kDisc, d::audioTrackUpDown, p_.settings().audioTrack);
    changed();
}

void DiscPage::chooseFolder() {
    const auto chosen = p_.dialogs().chooseFolder("select the DVD folder (VIDEO_TS goes inside)");
    if (!chosen) return;
    p_.settings().dvdFolder = *chosen;
    changed();
}

void DiscPage::chooseImage() {
    Settings& s = p_.settings();
    FileDialogSpec spec;
    spec.save = true;
    spec.title = "save the disc's ISO image as";
    spec.filterDescription = "disc image   (*.iso)";
    spec.filterPattern = "*.iso";
    spec.defaultExtension = "iso";
    spec.folder = !s.dvdIso.empty() ? folderPart(s.dvdIso) : s.dvdFolder;
    const auto chosen = p_.dialogs().chooseFile(spec);
    if (!chosen) return;
    s.dvdIso = *chosen;
    changed();
}

void DiscPage::chooseAudioFile() {
    Settings& s = p_.settings();
    FileDialogSpec spec;
    spec.title = "select the disc's audio file";
    spec.filterDescription = "audio files  (*.ac3, *.mp2, *.wav, *.m4a, ...)";
    spec.filterPattern = "*.ac3;*.mp2;*.mpa;*.wav;*.m4a;*.aac;*.mp3;*.flac;*.ogg;*.mka";
    spec.folder = folderPart(!s.audioFile.empty() ? s.audioFile : s.inputFile);
    const auto chosen = p_.dialogs().chooseFile(spec);
    if (!chosen) return;
    s.audioFile = *chosen;
    changed();
}

std::string DiscPage::audioText(bool& converted, bool& hasAudio) const {
    converted = false;
    hasAudio = false;
    Program& p = p_;
    const Settings& s = p.settings();
    const SourceState& source = p.source();
    std::string url = s.audioFile;
    if (url.empty()) {
        if (!source.sourceReady) return "no source open";
        url = disc::audioInput(sourceAudioFiles(s, source));
        if (url.empty()) return "a script has no audio of its own: without an audio file the title has none";
    } else if (!platform::fileExists(url)) {
        return "audio file not found: " + url;
    }
    disc::AudioProbe probe;
    std::string error;
    if (!disc::probeAudio(url, s.audioFile.empty() ? s.audioTrack : 1, probe, error)) return error;
    if (!probe.hasAudio) return "the source has no audio track: a title without audio";
    hasAudio = true;
    if (!source.sourceReady) {
        disc::AudioPlan kept;
        kept.copy = true;
        return disc::audioPlanText(probe.audio, kept) + " or converted, by the source's frame rate";
    }
    const disc::AudioPlan plan = disc::planAudio(probe.audio, isPalRate(source.frameRate));
    converted = !plan.copy;
    return disc::audioPlanText(probe.audio, plan);
}

bool DiscPage::refresh() {
    ControlModel& c = p_.controls();
    const Settings& s = p_.settings();
    c.setText(kDisc, d::folderButton, label("DVD folder", s.dvdFolder, "not set, no disc"));
    c.setText(kDisc, d::imageButton, label("ISO image", s.dvdIso, "not set"));
    c.setText(kDisc, d::audioFileButton, label("audio file", s.audioFile, "not set, the source's own audio"));
    c.setText(kDisc, d::audioTrackEdit, std::to_string(s.audioTrack));
    c.setPos(kDisc, d::audioTrackUpDown, s.audioTrack);
    // The track counts only for the source's own audio.
    c.setEnabled(kDisc, d::audioTrackEdit, s.audioFile.empty());
    c.setEnabled(kDisc, d::audioTrackUpDown, s.audioFile.empty());
    c.setEnabled(kDisc, d::imageButton, !s.dvdFolder.empty());
    bool converted = false, hasAudio = false;
    c.setText(kDisc, d::audioInfo, audioText(converted, hasAudio));
    const auto missing = disc::missingDiscTool(hasAudio || audioExpected(s, p_.source()));
    c.setText(kDisc, d::toolsInfo, missing ? *missing : "the tools of the disc steps are installed");
    return converted;
}

void DiscPage::sourceChecked() {
    if (refresh() && !p_.settings().dvdFolder.empty())
        p_.status().append(", disc audio will be converted to AC-3");
}

void DiscPage::changed() {
    const bool converted = refresh();
    ControlModel& c = p_.controls();
    const Settings& s = p_.settings();
    if (s.dvdFolder.empty()) {
        p_.status().show(" no disc after the encode: choose a DVD folder for one");
        return;
    }
    const std::string& audio = c.text(kDisc, d::audioInfo);
    // The status line holds 200 characters: the audio's fate and a missing tool go before the paths.
    const std::string& tools = c.text(kDisc, d::toolsInfo);
    if (tools.rfind("the disc needs", 0) == 0)
        p_.status().show(" WARNING, " + tools);
    else if (converted)
        p_.status().show(" disc audio: " + audio);
    else
        p_.status().show(" disc in " + s.dvdFolder + "/VIDEO_TS" +
                         (s.dvdIso.empty() ? "" : " and " + s.dvdIso));
}

std::optional<std::string> discRefusal(Program& p) {
    const Settings& s = p.settings();
    if (s.dvdFolder.empty()) return std::nullopt;
    return disc::missingDiscTool(audioExpected(s, p.source()));
}

std::string discEndNote(int exitCode, const std::string& dvdFolder, const std::string& dvdIso,
                        const std::string& logText) {
    if (dvdFolder.empty()) return {};
    if (exitCode == 0) {
        // An encoder that knows no disc keywords ends well too: the disc is where its files are.
        const bool folder = platform::fileExists(dvdFolder + "/VIDEO_TS/VIDEO_TS.IFO");
        const bool image = dvdIso.empty() || platform::fileExists(dvdIso);
        if (!folder || !image) return ", but NO disc was made in " + dvdFolder;
        return ", disc in " + dvdFolder + "/VIDEO_TS" + (dvdIso.empty() ? std::string() : " and " + dvdIso);
    }
    const std::size_t at = logText.rfind("ERROR: ");
    if (at == std::string::npos) return {};
    const std::size_t end = logText.find_first_of("\r\n", at);
    return ": " + logText.substr(at + 7, end == std::string::npos ? std::string::npos : end - at - 7);
}

} // namespace mivo
