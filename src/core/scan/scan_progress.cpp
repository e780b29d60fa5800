#include "core/scan/scan_progress.h"

#include <cmath>

namespace mivo {

std::optional<int> ScanProgress::advance(int n) {
    if (frameCount_ <= 0) return std::nullopt;
    const float position =
        static_cast<float>(sliderMax_) * static_cast<float>(n) / static_cast<float>(frameCount_);
    const int p = static_cast<int>(std::lround(position));
    if (p <= lastProgress_) return std::nullopt;
    lastProgress_ = p;
    return p;
}

} // namespace mivo
