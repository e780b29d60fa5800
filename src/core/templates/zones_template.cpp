#include "core/control_ids.h"
#include "core/templates/page_templates.h"
#include "core/templates/preview_controls.h"

namespace mivo::templates {

using enum ControlKind;
using namespace ids::zones;

// The zone list with its factor field and buttons in the left column, the shared preview on the right.
// Every control starts disabled: the page is usable only with an open source.
std::span<const ControlTemplate> zonesControls() {
    // clang-format off
    static constexpr ControlTemplate own[] = {
        {.kind = Static, .x = 2, .y = 2, .w = 130, .h = 16, .text = "Raise or lower the bitrate for parts of the video.", .flags = kMultiLine},
        {.kind = Static, .x = 2, .y = 19, .w = 130, .h = 24, .text = "Example: 0.5 will lower the bitrate starting at the current frame.", .flags = kMultiLine},

        {.kind = Static, .x = 2, .y = 48, .w = 60, .h = 8, .text = "bitrate factor"},
        {.id = factorEdit, .kind = Edit, .x = 64, .y = 46, .w = 68, .h = 12, .text = "1.0", .flags = kDisabled | kNotifyChange},
        {.id = setZoneButton, .kind = Button, .x = 2, .y = 61, .w = 58, .h = 12, .text = "set zone", .flags = kDisabled},
        {.id = removeZoneButton, .kind = Button, .x = 62, .y = 61, .w = 70, .h = 12, .text = "remove zone", .flags = kDisabled},
        {.id = clearListButton, .kind = Button, .x = 2, .y = 75, .w = 70, .h = 12, .text = "clear zone list", .flags = kDisabled},
        {.id = createBitmapButton, .kind = Button, .x = 74, .y = 75, .w = 58, .h = 12, .text = "create bitmap", .flags = kDisabled},

        {.kind = Static, .x = 2, .y = 91, .w = 130, .h = 8, .text = "frame | value"},
        {.id = zoneList, .kind = ListBox, .x = 2, .y = 100, .w = 130, .h = 44, .flags = kDisabled | kMonospace},
    };
    // clang-format on
    static constexpr auto controls = preview::withPreview(own, ids::preview::currentFrameEdit);
    return controls;
}

} // namespace mivo::templates
