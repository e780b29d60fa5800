#include "core/control_ids.h"
#include "core/templates/page_templates.h"

#include <array>
#include <string_view>

namespace mivo::templates {

using enum ControlKind;
using namespace ids::settings2;

namespace {
constexpr std::array<std::string_view, 4> kMpegLevels = {"AUTO", "MP@ML", "MP@H-14", "MP@HL"};
constexpr std::array<std::string_view, 6> kColorimetries = {"DEFAULT",    "BT.709",    "BT.470-2M",
                                                            "BT.470-2BG", "SMPTE170M", "SMPTE240M"};
constexpr std::array<std::string_view, 3> kIntraVlcTables = {"AUTO", "TABLE 14", "TABLE 15"};
} // namespace

// Switches, stream flags and the dark-scene gain on the left; the listing and the mask lines on the right.
std::span<const ControlTemplate> settings2Controls() {
    // clang-format off
    static const ControlTemplate controls[] = {
        // --- encoder switches
        {.kind = GroupBox, .x = 2, .y = 2, .w = 202, .h = 84, .text = "miscellaneous"},
        {.id = vbvCheck, .kind = CheckBox, .x = 8, .y = 12, .w = 104, .h = 10, .text = "VBV check", .flags = kChecked},
        {.id = lastIFrameCheck, .kind = CheckBox, .x = 8, .y = 23, .w = 104, .h = 10, .text = "last I-frame"},
        {.id = allow3BFramesCheck, .kind = CheckBox, .x = 8, .y = 34, .w = 104, .h = 10, .text = "allow 3 B-frames"},
        {.id = seqEndcodeCheck, .kind = CheckBox, .x = 8, .y = 45, .w = 104, .h = 10, .text = "write seq endcode", .flags = kChecked},
        {.id = silentCheck, .kind = CheckBox, .x = 8, .y = 56, .w = 104, .h = 10, .text = "silent (no encoder GUI)"},
        {.id = scdFileCheck, .kind = CheckBox, .x = 116, .y = 12, .w = 84, .h = 10, .text = "scd file"},
        {.id = frameLogCheck, .kind = CheckBox, .x = 116, .y = 23, .w = 84, .h = 10, .text = "framelog file"},
        {.id = previewCheck, .kind = CheckBox, .x = 116, .y = 34, .w = 84, .h = 10, .text = "preview"},
        {.id = shutdownCheck, .kind = CheckBox, .x = 116, .y = 45, .w = 84, .h = 10, .text = "shutdown"},
        {.kind = Static, .x = 8, .y = 72, .w = 72, .h = 8, .text = "VBR bias (0 - 100)"},
        {.id = vbrBiasEdit, .kind = Edit, .x = 80, .y = 70, .w = 20, .h = 12, .text = "0", .flags = kNotifyChange},
        {.kind = Static, .x = 106, .y = 72, .w = 76, .h = 8, .text = "wait for exit (sec)"},
        {.id = waitForExitEdit, .kind = Edit, .x = 182, .y = 70, .w = 18, .h = 12, .text = "5", .flags = kNotifyChange},

        // --- stream flags
        {.kind = GroupBox, .x = 2, .y = 88, .w = 202, .h = 34, .text = "MPEG-2 stream"},
        {.kind = Static, .x = 8, .y = 98, .w = 60, .h = 8, .text = "MPG level"},
        {.id = mpegLevelCombo, .kind = ComboBox, .x = 8, .y = 107, .w = 60, .h = 12, .items = kMpegLevels},
        {.kind = Static, .x = 72, .y = 98, .w = 60, .h = 8, .text = "colorimetry"},
        {.id = colorimetryCombo, .kind = ComboBox, .x = 72, .y = 107, .w = 60, .h = 12, .items = kColorimetries},
        {.kind = Static, .x = 136, .y = 98, .w = 60, .h = 8, .text = "IntraVLC"},
        {.id = intraVlcCombo, .kind = ComboBox, .x = 136, .y = 107, .w = 60, .h = 12, .items = kIntraVlcTables},

        // --- luminance gain on dark scenes (the field mirrors the trackbar)
        {.kind = GroupBox, .x = 2, .y = 124, .w = 202, .h = 54, .text = "luminance gain"},
        {.kind = Static, .x = 8, .y = 134, .w = 190, .h = 8, .text = "Adapt matrix on dark scenes."},
        {.kind = Static, .x = 8, .y = 143, .w = 190, .h = 8, .text = "Matrix values are decreased for dark scenes."},
        {.id = lumGainTrackbar, .kind = Trackbar, .x = 8, .y = 154, .w = 62, .h = 16, .rangeMin = 0, .rangeMax = 4, .initial = 0},
        {.id = lumGainEdit, .kind = Edit, .x = 72, .y = 156, .w = 18, .h = 12, .text = "0", .flags = kReadOnly},
        {.kind = Static, .x = 96, .y = 155, .w = 104, .h = 8, .text = "0 = no matrix change"},
        {.kind = Static, .x = 96, .y = 165, .w = 104, .h = 8, .text = "4 = maximum matrix change"},

        // --- the listing
        {.kind = GroupBox, .x = 208, .y = 2, .w = 200, .h = 84, .text = "current Mivo.ini"},
        {.id = iniListing, .kind = ListBox, .x = 214, .y = 12, .w = 188, .h = 70, .flags = kMonospace | kReadOnly},

        // --- mask and shift
        {.kind = GroupBox, .x = 208, .y = 88, .w = 200, .h = 90, .text = "mask and shift"},
        {.kind = Static, .x = 214, .y = 98, .w = 188, .h = 24, .text = "Mask top and bottom lines.  Use shift lines to shift the video, positive values will shift the " "video upwards.", .flags = kMultiLine},
        {.kind = Static, .x = 214, .y = 123, .w = 188, .h = 8, .text = "All values must be even."},
        {.kind = Static, .x = 214, .y = 136, .w = 80, .h = 8, .text = "nr. of top lines"},
        {.id = maskTopEdit, .kind = Edit, .x = 296, .y = 134, .w = 36, .h = 12, .text = "0"},
        {.kind = Static, .x = 214, .y = 150, .w = 80, .h = 8, .text = "nr. of bottom lines"},
        {.id = maskBottomEdit, .kind = Edit, .x = 296, .y = 148, .w = 36, .h = 12, .text = "0"},
        {.kind = Static, .x = 214, .y = 164, .w = 80, .h = 8, .text = "nr. of shift lines"},
        {.id = maskShiftEdit, .kind = Edit, .x = 296, .y = 162, .w = 36, .h = 12, .text = "0"},
    };
    // clang-format on
    return controls;
}

} // namespace mivo::templates
