#include "program/scan/scan_hand_over.h"

#include <utility>

namespace mivo {

namespace {
// Room for the progress steps of a whole scan: the queue does not grow while frames are scanned.
constexpr std::size_t kReservedPosts = 1024;
} // namespace

ScanHandOver::ScanHandOver(std::function<void()> wake) : wake_(std::move(wake)) {
    pending_.reserve(kReservedPosts);
}

void ScanHandOver::post(const ScanMessage& message) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (abandoned_) return;
    const bool wasEmpty = pending_.empty();
    pending_.push_back(message);
    // One wake per batch: the drain takes everything queued by then. Called under the lock, so that
    // abandon() returning means no wake is under way or to come.
    if (wasEmpty && wake_) wake_();
}

void ScanHandOver::finish() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        finished_ = true;
    }
    finishedCv_.notify_all();
}

bool ScanHandOver::waitFinished(std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> lock(mutex_);
    return finishedCv_.wait_for(lock, limit, [this] { return finished_; });
}

void ScanHandOver::abandon(std::vector<ScanMessage>& out) {
    std::lock_guard<std::mutex> lock(mutex_);
    out.insert(out.end(), pending_.begin(), pending_.end());
    pending_.clear();
    abandoned_ = true;
    wake_ = nullptr;
}

void ScanHandOver::take(std::vector<ScanMessage>& out) {
    std::lock_guard<std::mutex> lock(mutex_);
    out.insert(out.end(), pending_.begin(), pending_.end());
    pending_.clear();
}

} // namespace mivo
