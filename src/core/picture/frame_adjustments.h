#pragma once
// What the preview does to a fetched frame before showing it, in place on the frame planes: the
// encoder's vertical shift and top and bottom masks, and the pan-scan window drawn over a DVD-width
// frame. Masked and freed lines become black (luma 16, chroma 128).

#include <cstdint>

namespace mivo::picture {

// The frame planes as the frame access fills them: luma `width` bytes a line, the two chroma planes
// `width / 2` bytes a line and `height / 2` lines. The byte counts are the planes' sizes in use.
struct FramePlanesView {
    std::uint8_t* luma;
    std::uint8_t* plane2;
    std::uint8_t* plane3;
    int width;
    int height;
    int lumaBytes;
    int chromaPlaneBytes;
};

struct FrameAdjustments {
    int shift = 0;      // lines; positive moves the picture up, negative down
    int maskTop = 0;    // lines masked at the top
    int maskBottom = 0; // lines masked at the bottom
    bool panScan = false;
    int panScanOffset = 0; // of the shown frame, in 1/16 pixel from the centred window; positive is right
};

// Shift, then masks, then the pan-scan window (only for widths 720 and 704). Every write stays within
// the planes' byte counts; planes whose counts are smaller than their width and height say are left
// alone.
void applyFrameAdjustments(const FramePlanesView& planes, const FrameAdjustments& adjustments);

} // namespace mivo::picture
