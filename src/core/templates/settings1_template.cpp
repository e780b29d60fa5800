#include "core/control_ids.h"
#include "core/templates/page_templates.h"

namespace mivo::templates {

using enum ControlKind;
using namespace ids::settings1;

namespace {
enum : int { kInterlaceGroup = 1, kFieldOrderGroup, kChromaGroup };
} // namespace

// Options on the left, the listing of the ini file the current settings would produce on the right.
// Autogop is on at start-up, so the GOP fields start disabled; constant quantisation is off, so its
// fields do too.
std::span<const ControlTemplate> settings1Controls() {
    // clang-format off
    static const ControlTemplate controls[] = {
        // --- interlacing, field order, chroma downsampling
        {.kind = GroupBox, .x = 2, .y = 2, .w = 106, .h = 56, .text = "interlacing"},
        {.id = autoDetectRadio, .kind = Radio, .x = 8, .y = 12, .w = 96, .h = 10, .text = "auto detect", .flags = kChecked, .group = kInterlaceGroup},
        {.id = progressiveRadio, .kind = Radio, .x = 8, .y = 23, .w = 96, .h = 10, .text = "progressive", .group = kInterlaceGroup},
        {.id = interlacedRadio, .kind = Radio, .x = 8, .y = 34, .w = 96, .h = 10, .text = "interlaced", .group = kInterlaceGroup},
        {.id = dvSourceRadio, .kind = Radio, .x = 8, .y = 45, .w = 96, .h = 10, .text = "Digital Video source", .group = kInterlaceGroup},

        {.kind = GroupBox, .x = 112, .y = 2, .w = 128, .h = 26, .text = "field order"},
        {.id = tffRadio, .kind = Radio, .x = 118, .y = 13, .w = 40, .h = 10, .text = "TFF", .flags = kChecked, .group = kFieldOrderGroup},
        {.id = bffRadio, .kind = Radio, .x = 162, .y = 13, .w = 40, .h = 10, .text = "BFF", .group = kFieldOrderGroup},

        {.kind = GroupBox, .x = 112, .y = 30, .w = 128, .h = 28, .text = "chroma downsampling"},
        {.id = chromaProgressiveRadio, .kind = Radio, .x = 118, .y = 42, .w = 58, .h = 10, .text = "progressive", .flags = kChecked, .group = kChromaGroup},
        {.id = chromaInterlacedRadio, .kind = Radio, .x = 178, .y = 42, .w = 56, .h = 10, .text = "interlaced", .group = kChromaGroup},

        // --- GOP structure
        {.kind = GroupBox, .x = 2, .y = 60, .w = 238, .h = 48, .text = "GOP"},
        {.kind = Static, .x = 8, .y = 72, .w = 44, .h = 8, .text = "GOP length"},
        {.id = gopLengthEdit, .kind = Edit, .x = 54, .y = 70, .w = 24, .h = 12, .text = "15", .flags = kDisabled | kNotifyChange},
        {.id = gopLengthUpDown, .kind = UpDown, .x = 78, .y = 70, .w = 11, .h = 12, .flags = kDisabled, .rangeMin = 1, .rangeMax = 36, .initial = 15, .buddy = gopLengthEdit},
        {.kind = Static, .x = 100, .y = 72, .w = 36, .h = 8, .text = "B-frames"},
        {.id = bFramesEdit, .kind = Edit, .x = 138, .y = 70, .w = 20, .h = 12, .text = "2", .flags = kDisabled | kNotifyChange},
        {.id = bFramesUpDown, .kind = UpDown, .x = 158, .y = 70, .w = 11, .h = 12, .flags = kDisabled, .rangeMin = 0, .rangeMax = 2, .initial = 2, .buddy = bFramesEdit},
        {.kind = Static, .x = 8, .y = 86, .w = 228, .h = 8, .text = "Max GOP length for PAL = 15, NTSC = 18"},
        {.kind = Static, .x = 8, .y = 96, .w = 228, .h = 8, .text = "For 23.976 NTSC (pulldown) use GOP length 14 or less."},

        // --- constant quantisation
        {.kind = GroupBox, .x = 2, .y = 110, .w = 238, .h = 68, .text = "constant quantization"},
        {.id = constantQuantCheck, .kind = CheckBox, .x = 8, .y = 120, .w = 100, .h = 10, .text = "constant Quantization"},
        {.id = checkVbvCheck, .kind = CheckBox, .x = 120, .y = 120, .w = 100, .h = 10, .text = "check VBV/max bitrate", .flags = kDisabled},
        {.kind = Static, .x = 8, .y = 134, .w = 46, .h = 8, .text = "Quant value"},
        {.id = quantValueEdit, .kind = Edit, .x = 56, .y = 132, .w = 30, .h = 12, .text = "5.000", .flags = kDisabled},
        {.kind = Static, .x = 90, .y = 134, .w = 50, .h = 8, .text = "(non-linear)"},
        // The factors come only from the up-down's table, so their fields cannot be typed into.
        {.kind = Static, .x = 8, .y = 148, .w = 34, .h = 8, .text = "P factor"},
        {.id = pFactorEdit, .kind = Edit, .x = 44, .y = 146, .w = 24, .h = 12, .text = "1.00", .flags = kDisabled | kReadOnly},
        {.id = pFactorUpDown, .kind = UpDown, .x = 68, .y = 146, .w = 11, .h = 12, .flags = kDisabled, .rangeMin = 1, .rangeMax = 32, .initial = 9, .buddy = pFactorEdit},
        {.kind = Static, .x = 92, .y = 148, .w = 34, .h = 8, .text = "B factor"},
        {.id = bFactorEdit, .kind = Edit, .x = 128, .y = 146, .w = 24, .h = 12, .text = "1.00", .flags = kDisabled | kReadOnly},
        {.id = bFactorUpDown, .kind = UpDown, .x = 152, .y = 146, .w = 11, .h = 12, .flags = kDisabled, .rangeMin = 1, .rangeMax = 32, .initial = 9, .buddy = bFactorEdit},
        {.kind = Static, .x = 8, .y = 160, .w = 228, .h = 16, .text = "One pass encoding, there's no bitrate control unless you check VBV/max bitrate.  Encoding size " "is unknown.", .flags = kMultiLine},

        // --- the listing
        {.kind = GroupBox, .x = 244, .y = 2, .w = 164, .h = 136, .text = "current Mivo.ini"},
        {.id = iniListing, .kind = ListBox, .x = 250, .y = 12, .w = 152, .h = 122, .flags = kMonospace | kReadOnly},

        // --- adaptive quantisation (the field mirrors the trackbar)
        {.kind = GroupBox, .x = 244, .y = 140, .w = 164, .h = 38, .text = "adaptive quantization"},
        {.kind = Static, .x = 250, .y = 156, .w = 46, .h = 8, .text = "AQ strength"},
        {.kind = Static, .x = 298, .y = 156, .w = 6, .h = 8, .text = "0"},
        {.id = aqStrengthTrackbar, .kind = Trackbar, .x = 306, .y = 152, .w = 60, .h = 16, .rangeMin = 0, .rangeMax = 4, .initial = 2},
        {.kind = Static, .x = 368, .y = 156, .w = 6, .h = 8, .text = "4"},
        {.id = aqStrengthEdit, .kind = Edit, .x = 378, .y = 154, .w = 22, .h = 12, .text = "2", .flags = kReadOnly},
    };
    // clang-format on
    return controls;
}

} // namespace mivo::templates
