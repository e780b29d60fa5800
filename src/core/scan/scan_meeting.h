#pragma once
// Where the two halves of a split scan join. The earlier worker scans from the first frame, the later one
// from a few frames before the split frame, so that its detector has warmed up by then. The detector
// forgets everything older than a few frames except its last decision, so the later worker's decisions
// may differ from the earlier's for a while after the split; from the first frame after which both
// detectors are in the same state they are the same. The later worker leaves its state for each of a
// window of frames from the split frame on; the earlier one, past the split frame, compares its own and
// stops at the first that matches. The chapters are the earlier worker's up to that frame and the later
// worker's after it, so the split scan finds exactly what one worker scanning in order would. When no
// state matches within the window, the earlier worker goes on alone and the later one is let go.
//
// Every decision is handed to `post` under one lock, in frame order, whichever worker made it.

#include "core/scan/scene_detector.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

namespace mivo {

class ScanMeeting {
  public:
    enum class Step {
        Continue, // not met yet: scan the next frame and ask again
        Met,      // the later worker has every frame after this one: stop
        Alone,    // no meeting: scan on to the end without asking again
    };

    // Decision frames are the frames n for which the detector answered true. Buffers are sized once:
    // `window` states and a decision for every frame up to `lastFrame`.
    ScanMeeting(int splitFrame, int window, int lastFrame, std::function<void(int decision)> post);

    // --- the earlier worker
    void earlierDecision(int n);
    // After frame n and its decision. Waits for the later worker's state of frame n while `keepWaiting`
    // says so (it is asked about every 10 ms).
    Step earlierReached(int n, const SceneDetector::State& state, const std::function<bool()>& keepWaiting);
    // The earlier worker stopped short of the meeting (a stop, a frame it could not read).
    void earlierEnded();

    // --- the later worker
    void laterDecision(int n);
    void laterReached(int n, const SceneDetector::State& state);
    // False once its frames are no longer wanted: no meeting, or the earlier worker ended.
    bool laterWanted() const;
    // The later worker stopped (at the end, a stop, a frame it could not read): nobody waits for it.
    void laterEnded();

    bool met() const;
    int meetingFrame() const; // valid when met()

  private:
    enum class Phase { Open, Met, Apart };

    const int splitFrame_, window_;
    const std::function<void(int)> post_;
    mutable std::mutex mutex_;
    std::condition_variable laterMoved_;
    std::vector<SceneDetector::State> states_; // frame splitFrame_ + i at i
    std::vector<int> held_;                    // the later worker's decisions past the split frame
    int statesLeft_ = 0;
    int meeting_ = -1;
    Phase phase_ = Phase::Open;
    bool laterEnded_ = false;
};

} // namespace mivo
