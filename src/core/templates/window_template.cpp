#include "core/control_ids.h"
#include "core/templates/page_templates.h"

namespace mivo::templates {

using enum ControlKind;

std::span<const ControlTemplate> windowControls() {
    // clang-format off
    static const ControlTemplate controls[] = {
        {.id = ids::window::tabs, .kind = Tab, .x = 0, .y = 0, .w = 417, .h = 198},
        {.id = ids::window::about, .kind = Button, .x = 346, .y = 224, .w = 66, .h = 14, .text = "about Mivo"},
        {.id = ids::window::encode, .kind = Button, .x = 5, .y = 224, .w = 180, .h = 14, .text = "encode"},
        {.id = ids::window::addToQueue, .kind = Button, .x = 189, .y = 224, .w = 70, .h = 14, .text = "add to queue"},
        {.id = ids::window::exit, .kind = Button, .x = 269, .y = 224, .w = 66, .h = 14, .text = "exit"},
        {.id = 0, .kind = Static, .x = 7, .y = 207, .w = 12, .h = 8, .text = "info"},
        {.id = ids::window::status, .kind = Static, .x = 24, .y = 201, .w = 390, .h = 21, .flags = kSunken | kMultiLine},
    };
    // clang-format on
    return controls;
}

} // namespace mivo::templates
