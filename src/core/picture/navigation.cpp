#include "core/picture/navigation.h"

#include "core/free_format.h"

#include <algorithm>
#include <cmath>

namespace mivo::picture {

int stepFrame(int current, int step, int frameCount) {
    const long long last = static_cast<long long>(frameCount) - 1;
    long long frame = std::min(static_cast<long long>(current) + step, last);
    if (step < 0) frame = std::max(frame, 0LL);
    return static_cast<int>(frame);
}

int frameFromFieldText(std::string_view text, int current, int frameCount) {
    int frame = current;
    if (ff::readInt(text, frame) != ff::ReadStatus::Ok) frame = current;
    if (frame < 1) frame = 0;
    if (frame > frameCount - 1) frame = frameCount - 1;
    return frame;
}

int frameFromSlider(int position, int frameCount) {
    // The single-precision steps are kept as they are: positions map to the same frames as they always
    // did. The upper bound only matters for counts beyond float's exact integers.
    const float exact =
        static_cast<float>(position) / static_cast<float>(kSliderRange) * static_cast<float>(frameCount - 1);
    long frame = std::max(std::lround(exact), 0L);
    if (frameCount > 0) frame = std::min(frame, static_cast<long>(frameCount) - 1);
    return static_cast<int>(frame);
}

int sliderFromFrame(int frame, int frameCount) {
    if (frameCount <= 0) return 0;
    const float exact =
        static_cast<float>(kSliderRange) * static_cast<float>(frame) / static_cast<float>(frameCount);
    return static_cast<int>(std::clamp(std::lround(exact), 0L, static_cast<long>(kSliderRange)));
}

} // namespace mivo::picture
