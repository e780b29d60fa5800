#pragma once
// The frame size the encoder writes: the size typed on the Settings 3 page when both of its fields hold
// one, else the source's own. The DVD checks judge this size, not the source's.

#include "core/control_model.h"
#include "core/source_state.h"

#include <optional>

namespace mivo {

struct FrameSize {
    int width = 0;
    int height = 0;
};

// Both output-size fields read as positive numbers; nothing otherwise.
std::optional<FrameSize> typedFrameSize(const ControlModel& controls);
FrameSize outputFrameSize(const ControlModel& controls, const SourceState& source);
// The source's display aspect, square pixels assumed where the source does not say.
double sourceDisplayAspect(const SourceState& source);

} // namespace mivo
