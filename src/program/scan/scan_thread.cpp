#include "program/scan/scan_thread.h"

#include "core/kernels/cpu_features.h"
#include "core/scan/scan_progress.h"
#include "core/scan/scene_detector.h"

#include <optional>

namespace mivo {

namespace {

class Scan {
  public:
    Scan(ScanJob& job, ScanHandOver& handOver)
        : job_(job), handOver_(handOver), detector_(cpuFeaturesForLevel(job.cpuLevel)),
          progress_(job.frameCount, job.sliderMax) {}

    void run();

  private:
    bool scanFrame(int n);

    ScanJob& job_;
    ScanHandOver& handOver_;
    SceneDetector detector_;
    ScanProgress progress_;
};

void Scan::run() {
    const int lastFrame = job_.frameCount - 1;
    if (lastFrame > 0) {
        if (!job_.source->open()) return handOver_.post({ScanEvent::SourceFailed});
        if (!detector_.start(job_.width, job_.height)) return handOver_.post({ScanEvent::SourceFailed});
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
    if (job_.source->fetch(n) != FetchResult::Ok) return false;
    handOver_.fetched(n);
    if (const std::optional<int> position = progress_.advance(n))
        handOver_.post({ScanEvent::Progress, *position, n});
    const FramePlanes& now = job_.source->planes(n);
    const FramePlanes& before = job_.source->planes(n - 1);
    const PlanarFrame current{now.luma, now.plane2, now.plane3},
        previous{before.luma, before.plane2, before.plane3};
    if (detector_.frame(n, current, previous) && job_.chapterRoom > 0) {
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
