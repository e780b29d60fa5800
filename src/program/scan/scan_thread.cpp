#include "program/scan/scan_thread.h"

#include "core/kernels/cpu_features.h"
#include "core/scan/scan_meeting.h"
#include "core/scan/scan_progress.h"
#include "core/scan/scene_detector.h"

#include <algorithm>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace mivo {

namespace {

// The later half starts this many frames before the split frame, enough for the detector's short
// histories; its state is compared over the window of frames from the split frame on.
constexpr int kWarmUp = 16;
constexpr int kMeetingWindow = 250;

enum class Ending { Done, Stopped, SourceFailed, FrameFailed, Met, Released };

struct Outcome {
    Ending ending;
    int frame = 0;
};

// The slider follows the frames the earlier worker has scanned plus those the later one has scanned
// past the split frame (at most the last frame); it only ever moves on, so when the halves do not meet
// it waits until the earlier worker passes where it stood.
class SharedProgress {
  public:
    SharedProgress(ScanHandOver& handOver, const ScanJob& job, int splitFrame)
        : handOver_(handOver), progress_(job.frameCount, job.sliderMax), splitFrame_(splitFrame),
          lastFrame_(job.frameCount - 1) {}

    void earlier(int n) {
        std::lock_guard<std::mutex> lock(mutex_);
        earlier_ = n;
        report();
    }
    void later(int n) {
        std::lock_guard<std::mutex> lock(mutex_);
        later_ = std::max(n - splitFrame_, 0);
        report();
    }
    void dropLater() {
        std::lock_guard<std::mutex> lock(mutex_);
        later_ = 0;
    }

  private:
    void report() {
        const int frame = std::min(earlier_ + later_, lastFrame_);
        handOver_.fetched(frame);
        if (const std::optional<int> position = progress_.advance(frame))
            handOver_.post({ScanEvent::Progress, *position, frame});
    }

    ScanHandOver& handOver_;
    std::mutex mutex_;
    ScanProgress progress_;
    const int splitFrame_, lastFrame_;
    int earlier_ = 0, later_ = 0;
};

class Scan {
  public:
    Scan(ScanJob& job, ScanHandOver& handOver, int splitFrame)
        : job_(job), handOver_(handOver), progress_(handOver, job, splitFrame) {}

    // Frames first..last of `source`; the earlier worker (no meeting, or first == 0) asks the meeting
    // after each frame whether to stop, the later one leaves its decisions and states there.
    Outcome run(ScanSource& source, int first, int last, ScanMeeting* meeting, bool earlier);
    void chapter(int decision) {
        if (job_.chapterRoom <= 0) return;
        --job_.chapterRoom;
        handOver_.post({ScanEvent::Chapter, 0, decision - 1});
    }

  private:
    ScanJob& job_;
    ScanHandOver& handOver_;
    SharedProgress progress_;
};

Outcome Scan::run(ScanSource& source, int first, int last, ScanMeeting* meeting, bool earlier) {
    if (!source.open()) return {Ending::SourceFailed};
    SceneDetector detector(cpuFeaturesForLevel(job_.cpuLevel));
    if (!detector.start(job_.width, job_.height)) return {Ending::SourceFailed};
    if (source.fetch(first) != FetchResult::Ok) return {Ending::FrameFailed, first};
    const std::function<bool()> keepWaiting = [this] { return handOver_.keepScanning(); };
    bool alone = meeting == nullptr;
    for (int n = first + 1; n <= last; ++n) {
        // A stop request ends the worker at once; the stop sequence does the rest.
        if (!handOver_.keepScanning()) return {Ending::Stopped};
        if (!earlier && !meeting->laterWanted()) return {Ending::Released};
        if (source.fetch(n) != FetchResult::Ok) return {Ending::FrameFailed, n};
        earlier ? progress_.earlier(n) : progress_.later(n);
        const FramePlanes& now = source.planes(n);
        const FramePlanes& before = source.planes(n - 1);
        const bool decided = detector.frame(n - first, {now.luma, now.plane2, now.plane3},
                                            {before.luma, before.plane2, before.plane3});
        if (!earlier) {
            if (decided) meeting->laterDecision(n);
            meeting->laterReached(n, detector.state());
            continue;
        }
        if (decided) meeting ? meeting->earlierDecision(n) : chapter(n);
        if (alone) continue;
        const ScanMeeting::Step step = meeting->earlierReached(n, detector.state(), keepWaiting);
        if (step == ScanMeeting::Step::Met) return {Ending::Met, n};
        if (step == ScanMeeting::Step::Alone) {
            alone = true;
            progress_.dropLater();
        }
    }
    return {Ending::Done, last};
}

// What the end of the scan posts: nothing after a stop, which the stop sequence reports.
void postEnding(const Outcome& outcome, ScanHandOver& handOver) {
    switch (outcome.ending) {
    case Ending::SourceFailed:
        return handOver.post({ScanEvent::SourceFailed});
    case Ending::FrameFailed:
        return handOver.post({ScanEvent::FrameFailed, 0, outcome.frame});
    case Ending::Done:
        return handOver.post({ScanEvent::Finished, 0, outcome.frame});
    default:
        return;
    }
}

void runScan(ScanJob& job, ScanHandOver& handOver) {
    const int lastFrame = job.frameCount - 1;
    if (lastFrame <= 0) return handOver.post({ScanEvent::Finished, 0, 0});
    const int splitFrame = (lastFrame + kWarmUp) / 2;
    if (!job.secondSource || job.frameCount < job.splitFrom || splitFrame - kWarmUp <= 0) {
        Scan scan(job, handOver, lastFrame + 1);
        return postEnding(scan.run(*job.source, 0, lastFrame, nullptr, true), handOver);
    }
    Scan scan(job, handOver, splitFrame);
    ScanMeeting meeting(splitFrame, kMeetingWindow, lastFrame, [&scan](int n) { scan.chapter(n); });
    Outcome later{Ending::Stopped};
    std::thread laterWorker([&] {
        later = scan.run(*job.secondSource, splitFrame - kWarmUp, lastFrame, &meeting, false);
        meeting.laterEnded();
    });
    const Outcome earlier = scan.run(*job.source, 0, lastFrame, &meeting, true);
    if (earlier.ending != Ending::Met) meeting.earlierEnded();
    laterWorker.join();
    postEnding(earlier.ending == Ending::Met ? later : earlier, handOver);
}

} // namespace

void sceneScanThread(ScanJob job, ScanHandOver& handOver) {
    runScan(job, handOver);
    // The sources and the buffers go before the hand-over says the thread ended: a program that
    // waited for the end may unload what they use next.
    job.source.reset();
    job.secondSource.reset();
    handOver.finish();
}

} // namespace mivo
