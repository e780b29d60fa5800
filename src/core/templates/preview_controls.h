#pragma once
// The preview that the Chapters, Zones and PanScan pages share: the picture in its box on the right, the
// slider under it, the six stepping buttons and the current-frame field at the bottom of the left column.
// Each page puts its own controls into the left column (x 2..132, y 2..144).

#include "core/control_ids.h"
#include "core/control_model.h"

#include <array>
#include <cstddef>

namespace mivo::templates::preview {

using enum ControlKind;
using namespace ids::preview;

// Right edge of the left column that the pages fill.
inline constexpr int kColumnRight = 132;

// clang-format off
// Without a source there is nothing to step through, so the navigation starts disabled; the tab change
// enables it once a source is open.
inline constexpr ControlTemplate kBox = {.kind = GroupBox, .x = 136, .y = 2, .w = 272, .h = 158, .text = "preview"};
inline constexpr ControlTemplate kPicture = {.id = picture, .kind = Picture, .x = 140, .y = 12, .w = 264, .h = 144};
inline constexpr ControlTemplate kSlider = {.id = slider, .kind = Trackbar, .x = 136, .y = 164, .w = 272, .h = 14, .flags = kDisabled, .rangeMin = 0, .rangeMax = 1000, .initial = 0};

// Shown from left to right as "<<<" "<<" "<" ">" ">>" ">>>".
inline constexpr ControlTemplate kLargeBack = {.id = largeStepBackButton, .kind = Button, .x = 2, .y = 164, .w = 20, .h = 14, .text = "<<<", .flags = kDisabled};
inline constexpr ControlTemplate kSmallBack = {.id = smallStepBackButton, .kind = Button, .x = 24, .y = 164, .w = 20, .h = 14, .text = "<<", .flags = kDisabled};
inline constexpr ControlTemplate kStepBack = {.id = stepBackButton, .kind = Button, .x = 46, .y = 164, .w = 20, .h = 14, .text = "<", .flags = kDisabled};
inline constexpr ControlTemplate kStepForward = {.id = stepForwardButton, .kind = Button, .x = 68, .y = 164, .w = 20, .h = 14, .text = ">", .flags = kDisabled};
inline constexpr ControlTemplate kSmallForward = {.id = smallStepForwardButton, .kind = Button, .x = 90, .y = 164, .w = 20, .h = 14, .text = ">>", .flags = kDisabled};
inline constexpr ControlTemplate kLargeForward = {.id = largeStepForwardButton, .kind = Button, .x = 112, .y = 164, .w = 20, .h = 14, .text = ">>>", .flags = kDisabled};

inline constexpr ControlTemplate kCurrentFrameLabel = {.kind = Static, .x = 2, .y = 148, .w = 56, .h = 8, .text = "current frame"};
// The field notifies on every change: the preview follows the number as it is typed.
constexpr ControlTemplate currentFrameField(int id) {
    return {.id = id, .kind = Edit, .x = 60, .y = 146, .w = 72, .h = 12, .text = "0", .flags = kDisabled | kNotifyChange};
}
// clang-format on

// A preview page's table: its own controls in the left column, then the shared preview with the page's
// current-frame field.
template <std::size_t N>
constexpr std::array<ControlTemplate, N + 11> withPreview(const ControlTemplate (&own)[N],
                                                          int currentFrameId) {
    std::array<ControlTemplate, N + 11> all{};
    std::size_t n = 0;
    for (const ControlTemplate& c : own)
        all[n++] = c;
    for (const ControlTemplate& c :
         {kCurrentFrameLabel, currentFrameField(currentFrameId), kLargeBack, kSmallBack, kStepBack,
          kStepForward, kSmallForward, kLargeForward, kBox, kPicture, kSlider})
        all[n++] = c;
    return all;
}

} // namespace mivo::templates::preview
