#include "core/scan/scan_meeting.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace mivo {

ScanMeeting::ScanMeeting(int splitFrame, int window, int lastFrame, std::function<void(int)> post)
    : splitFrame_(splitFrame), window_(std::max(window, 1)), post_(std::move(post)) {
    states_.reserve(static_cast<std::size_t>(window_));
    held_.reserve(static_cast<std::size_t>(std::max(lastFrame - splitFrame, 0)) + 1);
}

void ScanMeeting::earlierDecision(int n) {
    // The earlier worker stops at the meeting, so every frame it decides is its own.
    std::lock_guard<std::mutex> lock(mutex_);
    post_(n);
}

ScanMeeting::Step ScanMeeting::earlierReached(int n, const SceneDetector::State& state,
                                              const std::function<bool()>& keepWaiting) {
    if (n < splitFrame_) return Step::Continue;
    std::unique_lock<std::mutex> lock(mutex_);
    if (phase_ != Phase::Open) return phase_ == Phase::Met ? Step::Met : Step::Alone;
    const auto index = static_cast<std::size_t>(n - splitFrame_);
    while (states_.size() <= index && !laterEnded_ && keepWaiting())
        laterMoved_.wait_for(lock, std::chrono::milliseconds(10));
    if (states_.size() > index && states_[index] == state) {
        phase_ = Phase::Met;
        meeting_ = n;
        for (int decision : held_)
            if (decision > n) post_(decision);
        held_.clear();
        return Step::Met;
    }
    if (states_.size() > index && index + 1 < static_cast<std::size_t>(window_)) return Step::Continue;
    // The window is spent, or the later worker ended or was stopped before this frame.
    phase_ = Phase::Apart;
    held_.clear();
    return Step::Alone;
}

void ScanMeeting::earlierEnded() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (phase_ == Phase::Open) phase_ = Phase::Apart;
}

void ScanMeeting::laterDecision(int n) {
    if (n <= splitFrame_) return; // warming up
    std::lock_guard<std::mutex> lock(mutex_);
    if (phase_ == Phase::Met) {
        if (n > meeting_) post_(n);
    } else if (phase_ == Phase::Open && held_.size() < held_.capacity()) {
        held_.push_back(n);
    }
}

void ScanMeeting::laterReached(int n, const SceneDetector::State& state) {
    const int index = n - splitFrame_;
    if (index < 0 || index >= window_) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (static_cast<std::size_t>(index) != states_.size()) return; // frames come in order
        states_.push_back(state);
    }
    laterMoved_.notify_all();
}

bool ScanMeeting::laterWanted() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return phase_ != Phase::Apart;
}

void ScanMeeting::laterEnded() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        laterEnded_ = true;
    }
    laterMoved_.notify_all();
}

bool ScanMeeting::met() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return phase_ == Phase::Met;
}

int ScanMeeting::meetingFrame() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return meeting_;
}

} // namespace mivo
