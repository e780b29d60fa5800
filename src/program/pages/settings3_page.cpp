#include "program/pages/settings3_page.h"

#include "base/fixed_format.h"
#include "core/control_ids.h"
#include "core/numeric_edit.h"
#include "core/picture/frame_fit.h"
#include "core/source/output_size.h"
#include "program/pages/settings_listing.h"
#include "program/program.h"
#include "program/settings/labels.h"
#include "program/source/movie_info_display.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace mivo {

namespace {

using namespace ids::settings3;
constexpr PageId kPage = PageId::Settings3;

constexpr int kMaxAvsMemory = 1024; // MB

constexpr std::string_view kLlPathNotSet = "LL path (not set)";
constexpr std::string_view kDbPathNotSet = "DB path (not set)";

struct TimecodeField {
    int id;
    int EncoderOptions::*field;
    int maximum;
    std::string_view corrected;
};

constexpr std::array<TimecodeField, 4> kTimecodeFields = {{
    {timecodeHourEdit, &EncoderOptions::timecodeHour, 23, " hour timecode corrected, set to the maximum: 23"},
    {timecodeMinuteEdit, &EncoderOptions::timecodeMinute, 59,
     " minute timecode corrected, set to the maximum: 59"},
    {timecodeSecondEdit, &EncoderOptions::timecodeSecond, 59,
     " second timecode corrected, set to the maximum: 59"},
    {timecodeFrameEdit, &EncoderOptions::timecodeFrame, 59,
     " frame timecode corrected, set to the maximum: 59"},
}};

struct Choice {
    int radio;
    int value;
    std::string_view message;
};

constexpr std::array<Choice, 5> kCpuChoices = {{
    {cpuAutoRadio, 0, " auto detection of CPU extensions"},
    {cpuMmxRadio, 1, " CPU is forced to use MMX/ISSE extensions"},
    {cpuSse2Radio, 2, " CPU is forced to use SSE2 extensions"},
    {cpuSse3Radio, 3, " CPU is forced to use SSE3 extensions"},
    {cpuSsse3Radio, 4, " CPU is forced to use SSSE3 extensions"},
}};

// What the processor check found, by level 1 to 6.
constexpr std::array<std::string_view, 6> kDetectedLevels = {
    ", CPU identified as MMX",
    ", CPU identified as MMX/SSE2",
    ", CPU identified as MMX/SSE2/SSE3",
    ", CPU identified as MMX/SSE2/SSE3/SSSE3",
    ", CPU identified as MMX/SSE2/SSE3/SSSE3/SSE4.1",
    ", CPU identified as MMX/SSE2/SSE3/SSSE3/SSE4.2",
};

constexpr std::array<Choice, 4> kPriorityChoices = {{
    {priorityIdleRadio, 0, " priority set to idle (default)"},
    {priorityLowRadio, 1, " priority set to low"},
    {priorityNormalRadio, 2, " priority set to normal"},
    {priorityHighRadio, 3, " priority set to high"},
}};

constexpr std::array<Choice, 3> kChromaChoices = {{
    {chroma420Radio, 1, " chroma output set to 420"},
    {chroma422Radio, 2, " chroma output set to 422"},
    {chroma444Radio, 3, " chroma output set to 444"},
}};

template <std::size_t N> const Choice* choiceOf(const std::array<Choice, N>& choices, int radio) {
    const auto it =
        std::find_if(choices.begin(), choices.end(), [radio](const Choice& c) { return c.radio == radio; });
    return it == choices.end() ? nullptr : &*it;
}

struct FolderSpec {
    std::string Settings::*path;
    int button;
    std::string_view title;
    std::string_view setLabel;
    std::string_view asking, chosen;
};

FolderSpec folderSpec(FolderKind kind) {
    if (kind == FolderKind::Lossless)
        return {&Settings::llPath,
                losslessPathButton,
                "Select folder for lossless file:",
                labels::llPathSet,
                " select folder for intermediate lossless file",
                " folder selected for intermediate lossless file"};
    return {&Settings::dbPath,
            dbPathButton,
            "Select folder for database file:",
            labels::dbPathSet,
            " select folder for intermediate DBS file",
            " folder selected for intermediate DBS file"};
}

} // namespace

void Settings3Page::onDefault(int id) {
    ControlModel& c = p_.controls();
    Settings& s = p_.settings();
    if (std::any_of(kTimecodeFields.begin(), kTimecodeFields.end(),
                    [id](const TimecodeField& f) { return f.id == id; })) {
        timecode(id);
    } else if (choiceOf(kCpuChoices, id)) {
        cpuExtensions(id);
    } else if (const Choice* priority = choiceOf(kPriorityChoices, id)) {
        if (c.checked(kPage, id)) {
            s.priority = priority->value;
            p_.status().show(priority->message);
        }
    } else if (const Choice* chroma = choiceOf(kChromaChoices, id)) {
        if (c.checked(kPage, id)) {
            s.chromaFormat = chroma->value;
            p_.status().show(chroma->message);
        }
    } else {
        switch (id) {
        case avsMemoryEdit:
            avsMemory();
            break;
        case useLosslessCheck:
            useLossless();
            break;
        case losslessPathButton:
            folderButton(FolderKind::Lossless);
            break;
        case dbPathButton:
            folderButton(FolderKind::Database);
            break;
        case clearPathsButton:
            clearPaths();
            break;
        default: // the SSE4 radio stays disabled
            break;
        }
    }
    rebuildIniListing(p_);
}

void Settings3Page::onLoseFocus(int id) {
    if (id != frameWidthEdit && id != frameHeightEdit) return;
    frameSize(id);
    rebuildIniListing(p_);
}

// An empty field asks for the source's size; a number is held to the even sizes the encoder takes, and
// text that does not read keeps the size held before.
void Settings3Page::frameSize(int id) {
    ControlModel& c = p_.controls();
    Settings& s = p_.settings();
    const bool width = id == frameWidthEdit;
    int& held = width ? s.frameWidth : s.frameHeight;
    if (trimmed(c.text(kPage, id)).empty()) {
        held = 0;
    } else {
        const int largest = width ? kLargestOutputWidth : kLargestOutputHeight;
        const std::optional<int> typed = readIntegerField(c, kPage, id);
        if (typed) held = std::clamp(*typed, kSmallestOutputSize, largest) & ~1;
        c.setText(kPage, id, held > 0 ? leftInt(held, 8) : "");
    }
    const std::optional<FrameSize> size = typedFrameSize(c);
    if (size)
        p_.status().show(" output frame size set to " + std::to_string(size->width) + " x " +
                         std::to_string(size->height));
    else if (!trimmed(c.text(kPage, frameWidthEdit)).empty() ||
             !trimmed(c.text(kPage, frameHeightEdit)).empty())
        p_.status().show(" output frame size needs a width and a height, the source's size is kept");
    else
        p_.status().show(" output frame size: the source's size");
}

// Only the maximum is enforced while typing; a negative value is left to the writer, which clamps it.
void Settings3Page::timecode(int id) {
    const auto f = std::find_if(kTimecodeFields.begin(), kTimecodeFields.end(),
                                [id](const TimecodeField& x) { return x.id == id; });
    ControlModel& c = p_.controls();
    int& field = p_.settings().*(f->field);
    int value = readIntegerField(c, kPage, id).value_or(field);
    if (value > f->maximum) {
        value = f->maximum;
        p_.status().show(f->corrected);
    } else {
        p_.status().clear();
    }
    field = value;
    c.setText(kPage, id, leftInt(value, 8));
}

// Forcing a set the processor lacks is allowed: the detected level beside it shows the mismatch.
void Settings3Page::cpuExtensions(int id) {
    if (!p_.controls().checked(kPage, id)) return;
    const Choice* choice = choiceOf(kCpuChoices, id);
    p_.settings().cpuMode = choice->value;
    p_.status().show(choice->message);
    const int level = p_.cpuLevel();
    if (level >= 1 && level <= static_cast<int>(kDetectedLevels.size()))
        p_.status().append(kDetectedLevels[static_cast<std::size_t>(level - 1)]);
}

// An empty field leaves the memory to Avisynth. Text that does not read keeps the value held before.
void Settings3Page::avsMemory() {
    ControlModel& c = p_.controls();
    Settings& s = p_.settings();
    if (trimmed(c.text(kPage, avsMemoryEdit)).empty()) {
        s.avsMemory = 0;
        p_.status().show(" default Avisynth memory");
        return;
    }
    const int value = readIntegerField(c, kPage, avsMemoryEdit).value_or(s.avsMemory);
    if (value > kMaxAvsMemory) {
        s.avsMemory = kMaxAvsMemory;
        c.setText(kPage, avsMemoryEdit, leftInt(kMaxAvsMemory, 8));
        p_.status().show(" 1024 MB is the maximum you can set here");
    } else if (value >= 1) {
        s.avsMemory = value;
        c.setText(kPage, avsMemoryEdit, leftInt(value, 8));
        p_.status().show(" Avisynth memory set");
    } else {
        s.avsMemory = 0;
        c.setText(kPage, avsMemoryEdit, "");
        p_.status().show(" default Avisynth memory");
    }
}

void Settings3Page::useLossless() {
    ControlModel& c = p_.controls();
    Settings& s = p_.settings();
    s.useLossless = c.checked(kPage, useLosslessCheck);
    if (s.useLossless) {
        p_.status().show(" Use a lossless intermediate file for the second pass (Avisynth input only),");
        p_.status().append(" WARNING, this will create a HUGE file.");
        if (p_.source().isAvisynthScript) {
            SourceContext ctx = p_.sourceContext();
            refreshLosslessEstimate(ctx);
        }
    } else {
        p_.status().show(" No lossless intermediate file");
        c.setText(kPage, losslessEstimate, "");
    }
}

void Settings3Page::folderButton(FolderKind kind) {
    const FolderSpec spec = folderSpec(kind);
    p_.status().show(spec.asking);
    if (chooseFolder(kind))
        p_.status().show(spec.chosen);
    else
        p_.status().show(" folder selection aborted...");
}

bool Settings3Page::chooseFolder(FolderKind kind) {
    const FolderSpec spec = folderSpec(kind);
    std::string& path = p_.settings().*(spec.path);
    const std::string saved = path;
    const std::optional<std::string> chosen = p_.dialogs().chooseFolder(std::string(spec.title));
    // A folder whose name the record cannot hold whole would send the encoder somewhere else: it counts
    // as no choice.
    if (!chosen || chosen->empty() || chosen->size() > kNameCapacity) {
        path = saved;
        return false;
    }
    path = *chosen;
    p_.controls().setText(kPage, spec.button, spec.setLabel);
    return true;
}

// The button texts are what tells the writer a folder is set; the listing goes by the folders
// themselves, so both are emptied.
void Settings3Page::clearPaths() {
    ControlModel& c = p_.controls();
    Settings& s = p_.settings();
    p_.status().show(" clear file paths for lossless and database");
    c.setText(kPage, dbPathButton, kDbPathNotSet);
    c.setText(kPage, losslessPathButton, kLlPathNotSet);
    s.dbPath.clear();
    s.llPath.clear();
}

} // namespace mivo
