#include "core/control_ids.h"
#include "core/templates/page_templates.h"
#include "core/templates/preview_controls.h"

namespace mivo::templates {

using enum ControlKind;
using namespace ids::chapters;

// The chapter list and its buttons in the left column, the shared preview on the right. Every control
// starts disabled: the page is usable only with an open source.
std::span<const ControlTemplate> chaptersControls() {
    // clang-format off
    static constexpr ControlTemplate own[] = {
        {.id = setStartButton, .kind = Button, .x = 2, .y = 2, .w = 130, .h = 12, .text = "set current as start frame", .flags = kDisabled},
        {.id = setEndButton, .kind = Button, .x = 2, .y = 16, .w = 130, .h = 12, .text = "set current as end frame", .flags = kDisabled},

        {.kind = Static, .x = 2, .y = 32, .w = 64, .h = 8, .text = "chapter list"},
        {.id = chapterList, .kind = ListBox, .x = 2, .y = 41, .w = 64, .h = 60, .flags = kDisabled | kMonospace},
        {.id = addButton, .kind = Button, .x = 70, .y = 41, .w = 62, .h = 12, .text = "add", .flags = kDisabled},
        {.id = removeButton, .kind = Button, .x = 70, .y = 55, .w = 62, .h = 12, .text = "remove", .flags = kDisabled},
        {.id = clearListButton, .kind = Button, .x = 70, .y = 69, .w = 62, .h = 12, .text = "clear list", .flags = kDisabled},

        {.id = importButton, .kind = Button, .x = 2, .y = 104, .w = 130, .h = 12, .text = "import chapter list from file", .flags = kDisabled},
        {.id = exportButton, .kind = Button, .x = 2, .y = 118, .w = 130, .h = 12, .text = "export chapter list to file", .flags = kDisabled},
        {.id = scanButton, .kind = Button, .x = 2, .y = 132, .w = 130, .h = 12, .text = "create SCD chapter list", .flags = kDisabled},
    };
    // clang-format on
    static constexpr auto controls = preview::withPreview(own, ids::preview::currentFrameEdit);
    return controls;
}

} // namespace mivo::templates
