#include "program/scan/scan_thread.h"

#include "core/kernels/copy_plane.h"
#include "core/kernels/cpu_features.h"
#include "core/scan/scan_progress.h"
#include "core/scan/scene_detector.h"

#include <cstddef>
#include <memory>

namespace mivo {

namespace {

// The frame before the current one, in buffers of its own: the source's planes are overwritten by every
// fetch.
struct PreviousFrame {
    std::unique_ptr<std::uint8_t[]> luma{new std::uint8_t[FramePlanes::kLumaCapacity]};
    std::unique_ptr<std::uint8_t[]> plane2{new std::uint8_t[FramePlanes::kChromaCapacity]};
    std::unique_ptr<std::uint8_t[]> plane3{new std::uint8_t[FramePlanes::kChromaCapacity]};
    PlanarFrame view() const { return {luma.get(), plane2.get(), plane3.get()}; }
};

class Scan {
  public:
    Scan(ScanJob& job, ScanHandOver& handOver)
        : job_(job), handOver_(handOver), features_(cpuFeaturesForLevel(job.cpuLevel)), detector_(features_),
          copy_(copyPlaneFamily().choose(features_)), progress_(job.frameCount, job.sliderMax) {}

    void run();

  private:
    bool scanFrame(int n);

    ScanJob& job_;
    ScanHandOver& handOver_;
    CpuFeatures features_;
    SceneDetector detector_;
    CopyPlaneFn copy_;
    ScanProgress progress_;
    PreviousFrame previous_;
    std::size_t lumaBytes_ = 0, chromaBytes_ = 0;
};

void Scan::run() {
    const int lastFrame = job_.frameCount - 1;
    if (lastFrame > 0) {
        if (!job_.source->open()) return handOver_.post({ScanEvent::SourceFailed});
        if (!detector_.start(job_.width, job_.height)) return handOver_.post({ScanEvent::SourceFailed});
        lumaBytes_ = static_cast<std::size_t>(job_.width) * static_cast<std::size_t>(job_.height);
        chromaBytes_ = static_cast<std::size_t>(job_.width / 2) * static_cast<std::size_t>(job_.height / 2);
        if (job_.source->fetch(0) != FetchResult::Ok) return handOver_.post({ScanEvent::FrameFailed, 0, 0});
    }
    for (int n = 1; n <= lastFrame; ++n) {
        // A stop request ends the thread at once; the stop sequence does the rest.
        if (!handOver_.keepScanning()) return;
        if (!scanFrame(n)) return handOver_.post({ScanEvent::FrameFailed, 0, n});
    }
    handOver_.post({ScanEvent::Finished, 0, lastFrame > 0 ? lastFrame : 0});
}

bool Scan::scanFrame(int n) {
    const FramePlanes& planes = job_.source->planes();
    copy_(planes.luma, previous_.luma.get(), lumaBytes_);
    copy_(planes.plane2, previous_.plane2.get(), chromaBytes_);
    copy_(planes.plane3, previous_.plane3.get(), chromaBytes_);
    if (job_.source->fetch(n) != FetchResult::Ok) return false;
    handOver_.fetched(n);
    if (const std::optional<int> position = progress_.advance(n))
        handOver_.post({ScanEvent::Progress, *position, n});
    const PlanarFrame current{planes.luma, planes.plane2, planes.plane3};
    if (detector_.frame(n, current, previous_.view()) && job_.chapterRoom > 0) {
        --job_.chapterRoom;
        handOver_.post({ScanEvent::Chapter, 0, n - 1});
    }
    return true;
}

} // namespace

void sceneScanThread(ScanJob job, ScanHandOver& handOver) {
    {
        Scan scan(job, handOver);
        scan.run();
        // The source and the buffers go before the hand-over says the thread ended: a program that
        // waited for the end may unload what they use next.
        job.source.reset();
    }
    handOver.finish();
}

} // namespace mivo
