#include "core/control_ids.h"
#include "core/templates/page_templates.h"

namespace mivo::templates {

using enum ControlKind;
using namespace ids::queue;

// The jobs fill the page; what the running job is doing stands under them, the buttons on the right.
std::span<const ControlTemplate> queueControls() {
    // clang-format off
    static constexpr ControlTemplate controls[] = {
        {.kind = Static, .x = 4, .y = 3, .w = 320, .h = 8, .text = "jobs (number, state, output file)"},
        {.id = jobList, .kind = ListBox, .x = 4, .y = 13, .w = 326, .h = 124, .flags = kMonospace},
        {.kind = Static, .x = 4, .y = 142, .w = 40, .h = 8, .text = "running"},
        {.id = progressInfo, .kind = Static, .x = 46, .y = 140, .w = 358, .h = 12, .flags = kSunken},
        {.id = runnerInfo, .kind = Static, .x = 4, .y = 158, .w = 400, .h = 16, .flags = kMultiLine},

        {.id = startButton, .kind = Button, .x = 336, .y = 13, .w = 68, .h = 14, .text = "start queue"},
        {.id = stopButton, .kind = Button, .x = 336, .y = 30, .w = 68, .h = 14, .text = "stop queue", .flags = kDisabled},
        {.id = upButton, .kind = Button, .x = 336, .y = 56, .w = 68, .h = 14, .text = "move up"},
        {.id = downButton, .kind = Button, .x = 336, .y = 73, .w = 68, .h = 14, .text = "move down"},
        {.id = retryButton, .kind = Button, .x = 336, .y = 99, .w = 68, .h = 14, .text = "retry"},
        {.id = removeButton, .kind = Button, .x = 336, .y = 116, .w = 68, .h = 14, .text = "remove"},
    };
    // clang-format on
    return controls;
}

} // namespace mivo::templates
