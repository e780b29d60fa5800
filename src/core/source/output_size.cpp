#include "core/source/output_size.h"

#include "core/control_ids.h"
#include "core/free_format.h"

namespace mivo {

std::optional<FrameSize> typedFrameSize(const ControlModel& controls) {
    using namespace ids::settings3;
    int width = 0, height = 0;
    if (ff::readInt(controls.text(PageId::Settings3, frameWidthEdit), width) != ff::ReadStatus::Ok ||
        ff::readInt(controls.text(PageId::Settings3, frameHeightEdit), height) != ff::ReadStatus::Ok ||
        width <= 0 || height <= 0)
        return std::nullopt;
    return FrameSize{width, height};
}

FrameSize outputFrameSize(const ControlModel& controls, const SourceState& source) {
    return typedFrameSize(controls).value_or(FrameSize{source.width, source.height});
}

double sourceDisplayAspect(const SourceState& source) {
    if (source.displayAspect > 0) return source.displayAspect;
    return source.height > 0 ? static_cast<double>(source.width) / source.height : 0.0;
}

} // namespace mivo
