#pragma once
// The body of the scene-change scan thread: every frame of its own source in order, measured against
// the frame before, with a chapter posted wherever a new scene starts. Everything it uses it owns; what
// the window should show it posts to the hand-over. Given a second instance of the source, a long scan
// runs in two halves side by side, each on a decoder of its own, and finds exactly the chapters of one
// scan in order.

#include "program/scan/scan_hand_over.h"
#include "program/scan/scan_source.h"

#include <memory>

namespace mivo {

struct ScanJob {
    static constexpr int kSplitFrom = 500; // shorter sources are not worth a second decoder

    std::unique_ptr<ScanSource> source;       // null: no source open, nothing to scan
    std::unique_ptr<ScanSource> secondSource; // null: one worker scans everything
    int frameCount = 0;
    int width = 0, height = 0;
    int cpuLevel = 0;
    int sliderMax = 1000;
    int chapterRoom = 0; // chapters the list can still take
    int splitFrom = kSplitFrom;
};

// Runs to the last frame, to a stop request, or to a source that fails; then finishes the hand-over.
void sceneScanThread(ScanJob job, ScanHandOver& handOver);

} // namespace mivo
