#include "core/control_ids.h"
#include "core/templates/page_templates.h"
#include "core/templates/preview_controls.h"

namespace mivo::templates {

using enum ControlKind;
using namespace ids::panscan;

// The window position, its size and the position list in the left column, the shared preview on the
// right. Every control starts disabled: the page is usable only with an open source and "4:3 PanScan".
// The vertical position and the window size are never edited by hand.
std::span<const ControlTemplate> panScanControls() {
    // clang-format off
    static constexpr ControlTemplate own[] = {
        {.kind = Static, .x = 2, .y = 4, .w = 44, .h = 8, .text = "horizontal"},
        {.id = horizontalLeftButton, .kind = Button, .x = 48, .y = 2, .w = 14, .h = 12, .text = "<", .flags = kDisabled},
        {.id = horizontalEdit, .kind = Edit, .x = 64, .y = 2, .w = 44, .h = 12, .text = "0", .flags = kDisabled},
        {.id = horizontalRightButton, .kind = Button, .x = 110, .y = 2, .w = 14, .h = 12, .text = ">", .flags = kDisabled},
        {.kind = Static, .x = 2, .y = 18, .w = 44, .h = 8, .text = "vertical"},
        {.id = verticalLeftButton, .kind = Button, .x = 48, .y = 16, .w = 14, .h = 12, .text = "<", .flags = kDisabled},
        {.id = verticalEdit, .kind = Edit, .x = 64, .y = 16, .w = 44, .h = 12, .text = "0", .flags = kDisabled},
        {.id = verticalRightButton, .kind = Button, .x = 110, .y = 16, .w = 14, .h = 12, .text = ">", .flags = kDisabled},
        {.kind = Static, .x = 2, .y = 32, .w = 8, .h = 8, .text = "w"},
        {.id = windowWidthEdit, .kind = Edit, .x = 12, .y = 30, .w = 36, .h = 12, .flags = kDisabled | kReadOnly},
        {.kind = Static, .x = 56, .y = 32, .w = 8, .h = 8, .text = "h"},
        {.id = windowHeightEdit, .kind = Edit, .x = 66, .y = 30, .w = 36, .h = 12, .flags = kDisabled | kReadOnly},

        {.id = addButton, .kind = Button, .x = 2, .y = 46, .w = 30, .h = 12, .text = "add", .flags = kDisabled},
        {.id = removeButton, .kind = Button, .x = 34, .y = 46, .w = 40, .h = 12, .text = "remove", .flags = kDisabled},
        {.id = clearListButton, .kind = Button, .x = 76, .y = 46, .w = 56, .h = 12, .text = "clear list", .flags = kDisabled},
        {.id = importButton, .kind = Button, .x = 2, .y = 60, .w = 130, .h = 12, .text = "import panscan list from file", .flags = kDisabled},
        {.id = exportButton, .kind = Button, .x = 2, .y = 74, .w = 130, .h = 12, .text = "export panscan list to file", .flags = kDisabled},

        {.kind = Static, .x = 2, .y = 90, .w = 130, .h = 8, .text = "frame | value"},
        {.id = positionList, .kind = ListBox, .x = 2, .y = 99, .w = 130, .h = 45, .flags = kDisabled | kMonospace},
    };
    // clang-format on
    static constexpr auto controls = preview::withPreview(own, currentFrameEdit);
    return controls;
}

} // namespace mivo::templates
