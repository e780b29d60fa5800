#include "core/control_ids.h"
#include "core/templates/page_templates.h"

namespace mivo::templates {

using enum ControlKind;
using namespace ids::settings3;

namespace {
enum : int { kCpuGroup = 1, kPriorityGroup, kChromaFormatGroup };
} // namespace

// Time code, processor and priority, chroma output, the Avisynth memory and the output frame size on the
// left; the listing and the intermediate files on the right. The lossless file needs an Avisynth source, so
// it starts disabled.
std::span<const ControlTemplate> settings3Controls() {
    // clang-format off
    static const ControlTemplate controls[] = {
        // --- start time code
        {.kind = GroupBox, .x = 2, .y = 2, .w = 238, .h = 30, .text = "timecode"},
        {.kind = Static, .x = 8, .y = 16, .w = 18, .h = 8, .text = "hour"},
        {.id = timecodeHourEdit, .kind = Edit, .x = 28, .y = 14, .w = 22, .h = 12, .text = "0", .flags = kNotifyChange},
        {.kind = Static, .x = 56, .y = 16, .w = 14, .h = 8, .text = "min"},
        {.id = timecodeMinuteEdit, .kind = Edit, .x = 72, .y = 14, .w = 22, .h = 12, .text = "0", .flags = kNotifyChange},
        {.kind = Static, .x = 100, .y = 16, .w = 14, .h = 8, .text = "sec"},
        {.id = timecodeSecondEdit, .kind = Edit, .x = 116, .y = 14, .w = 22, .h = 12, .text = "0", .flags = kNotifyChange},
        {.kind = Static, .x = 144, .y = 16, .w = 22, .h = 8, .text = "frame"},
        {.id = timecodeFrameEdit, .kind = Edit, .x = 168, .y = 14, .w = 22, .h = 12, .text = "0", .flags = kNotifyChange},

        // --- processor extensions and priority of the encoder
        {.kind = GroupBox, .x = 2, .y = 34, .w = 124, .h = 36, .text = "CPU extensions"},
        {.id = cpuAutoRadio, .kind = Radio, .x = 8, .y = 45, .w = 36, .h = 10, .text = "auto", .flags = kChecked, .group = kCpuGroup},
        {.id = cpuMmxRadio, .kind = Radio, .x = 46, .y = 45, .w = 36, .h = 10, .text = "MMX", .group = kCpuGroup},
        {.id = cpuSse2Radio, .kind = Radio, .x = 84, .y = 45, .w = 36, .h = 10, .text = "SSE2", .group = kCpuGroup},
        {.id = cpuSse3Radio, .kind = Radio, .x = 8, .y = 56, .w = 36, .h = 10, .text = "SSE3", .group = kCpuGroup},
        {.id = cpuSsse3Radio, .kind = Radio, .x = 46, .y = 56, .w = 36, .h = 10, .text = "SSSE3", .group = kCpuGroup},
        {.id = cpuSse4Radio, .kind = Radio, .x = 84, .y = 56, .w = 36, .h = 10, .text = "SSE4", .flags = kDisabled, .group = kCpuGroup},

        {.kind = GroupBox, .x = 130, .y = 34, .w = 110, .h = 36, .text = "priority"},
        {.id = priorityIdleRadio, .kind = Radio, .x = 136, .y = 45, .w = 48, .h = 10, .text = "idle", .flags = kChecked, .group = kPriorityGroup},
        {.id = priorityLowRadio, .kind = Radio, .x = 186, .y = 45, .w = 48, .h = 10, .text = "low", .group = kPriorityGroup},
        {.id = priorityNormalRadio, .kind = Radio, .x = 136, .y = 56, .w = 48, .h = 10, .text = "normal", .group = kPriorityGroup},
        {.id = priorityHighRadio, .kind = Radio, .x = 186, .y = 56, .w = 48, .h = 10, .text = "high", .group = kPriorityGroup},

        // --- chroma output
        {.kind = GroupBox, .x = 2, .y = 72, .w = 238, .h = 36, .text = "chroma output"},
        {.id = chroma420Radio, .kind = Radio, .x = 8, .y = 83, .w = 116, .h = 10, .text = "4:2:0 (YV12 or YUY2 input)", .flags = kChecked, .group = kChromaFormatGroup},
        {.id = chroma422Radio, .kind = Radio, .x = 8, .y = 94, .w = 116, .h = 10, .text = "4:2:2 (YUY2 input)", .group = kChromaFormatGroup},
        {.id = chroma444Radio, .kind = Radio, .x = 130, .y = 83, .w = 40, .h = 10, .text = "4:4:4", .flags = kDisabled, .group = kChromaFormatGroup},

        // --- Avisynth memory
        {.kind = GroupBox, .x = 2, .y = 110, .w = 238, .h = 40, .text = "Avisynth memory"},
        {.kind = Static, .x = 8, .y = 120, .w = 228, .h = 8, .text = "Set the memory to be used by Avisynth."},
        {.kind = Static, .x = 8, .y = 129, .w = 228, .h = 8, .text = "Equivalent to SetMemoryMax()"},
        {.kind = Static, .x = 8, .y = 139, .w = 44, .h = 8, .text = "AVS memory"},
        {.id = avsMemoryEdit, .kind = Edit, .x = 54, .y = 137, .w = 32, .h = 12, .flags = kNotifyChange},
        {.kind = Static, .x = 88, .y = 139, .w = 12, .h = 8, .text = "MB"},
        {.kind = Static, .x = 104, .y = 139, .w = 132, .h = 8, .text = "No value: Avisynth default."},

        // --- the size the encoder scales the pictures to
        {.kind = GroupBox, .x = 2, .y = 152, .w = 238, .h = 26, .text = "output frame size"},
        {.kind = Static, .x = 8, .y = 164, .w = 22, .h = 8, .text = "width"},
        {.id = frameWidthEdit, .kind = Edit, .x = 32, .y = 162, .w = 28, .h = 12},
        {.kind = Static, .x = 66, .y = 164, .w = 24, .h = 8, .text = "height"},
        {.id = frameHeightEdit, .kind = Edit, .x = 92, .y = 162, .w = 28, .h = 12},
        {.kind = Static, .x = 126, .y = 164, .w = 110, .h = 8, .text = "Empty: the source's size."},

        // --- the listing
        {.kind = GroupBox, .x = 244, .y = 2, .w = 164, .h = 106, .text = "current Mivo.ini"},
        {.id = iniListing, .kind = ListBox, .x = 250, .y = 12, .w = 152, .h = 92, .flags = kMonospace | kReadOnly},

        // --- intermediate files of the second pass
        {.kind = GroupBox, .x = 244, .y = 110, .w = 164, .h = 68, .text = "intermediate files"},
        {.id = useLosslessCheck, .kind = CheckBox, .x = 250, .y = 121, .w = 90, .h = 10, .text = " use lossless file", .flags = kDisabled},
        {.kind = Static, .x = 250, .y = 134, .w = 60, .h = 8, .text = "estimated size:"},
        {.id = losslessEstimate, .kind = Static, .x = 312, .y = 134, .w = 90, .h = 8},
        {.id = losslessPathButton, .kind = Button, .x = 250, .y = 146, .w = 100, .h = 12, .text = "lossless path (not set)"},
        {.id = dbPathButton, .kind = Button, .x = 250, .y = 161, .w = 100, .h = 12, .text = "DB path (not set)"},
        {.id = clearPathsButton, .kind = Button, .x = 354, .y = 146, .w = 48, .h = 27, .text = "clear paths"},
    };
    // clang-format on
    return controls;
}

} // namespace mivo::templates
