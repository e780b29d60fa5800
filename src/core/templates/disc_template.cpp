#include "core/control_ids.h"
#include "core/templates/page_templates.h"

namespace mivo::templates {

using enum ControlKind;
using namespace ids::disc;

// What becomes of the encoded stream after the encode: the folder and the image on top, the audio under
// them, and whether the tools are there at the foot. The file buttons show their choice as the Main
// page's do.
std::span<const ControlTemplate> discControls() {
    // clang-format off
    static constexpr ControlTemplate controls[] = {
        {.kind = GroupBox, .x = 2, .y = 2, .w = 404, .h = 60, .text = "DVD-Video disc after the encode"},
        {.id = folderButton, .kind = Button, .x = 8, .y = 14, .w = 300, .h = 14, .text = "DVD folder (not set, no disc)"},
        {.id = noDiscButton, .kind = Button, .x = 314, .y = 14, .w = 86, .h = 14, .text = "no disc"},
        {.id = imageButton, .kind = Button, .x = 8, .y = 31, .w = 300, .h = 14, .text = "ISO image (not set)"},
        {.kind = Static, .x = 8, .y = 49, .w = 392, .h = 8, .text = "The folder gets VIDEO_TS with a chapter at every chapter frame; the image is its ISO file."},

        {.kind = GroupBox, .x = 2, .y = 64, .w = 404, .h = 66, .text = "audio"},
        {.id = audioFileButton, .kind = Button, .x = 8, .y = 76, .w = 300, .h = 14, .text = "audio file (not set, the source's own audio)"},
        {.id = sourceAudioButton, .kind = Button, .x = 314, .y = 76, .w = 86, .h = 14, .text = "source's audio"},
        {.kind = Static, .x = 8, .y = 96, .w = 60, .h = 8, .text = "source's track"},
        {.id = audioTrackEdit, .kind = Edit, .x = 70, .y = 94, .w = 22, .h = 12, .text = "1", .flags = kNotifyChange | kDigitsOnly},
        {.id = audioTrackUpDown, .kind = UpDown, .x = 92, .y = 94, .w = 11, .h = 12, .rangeMin = 1, .rangeMax = 8, .initial = 1, .buddy = audioTrackEdit},
        {.id = audioInfo, .kind = Static, .x = 8, .y = 112, .w = 392, .h = 12, .flags = kSunken},

        {.kind = GroupBox, .x = 2, .y = 132, .w = 404, .h = 30, .text = "tools"},
        {.id = toolsInfo, .kind = Static, .x = 8, .y = 144, .w = 392, .h = 12, .flags = kSunken},
    };
    // clang-format on
    return controls;
}

} // namespace mivo::templates
