#pragma once
// What passes between the scan thread and the user-interface thread. The scan thread never touches a
// control: it posts what the window should show, in order, and the user-interface thread applies the
// posts when it drains them. Every scan has a hand-over of its own, so a scan that was abandoned keeps
// posting into one nobody reads any more.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

namespace mivo {

enum class ScanEvent {
    Progress,     // value: slider position; frame: the frame being scanned
    Chapter,      // frame: a chapter belongs here
    Finished,     // frame: the last frame scanned (the loop ran to its end)
    SourceFailed, // the source could not be opened for the scan
    FrameFailed,  // frame: the frame the source could not deliver
};

struct ScanMessage {
    ScanEvent event;
    int value = 0;
    int frame = 0;
};

class ScanHandOver {
  public:
    // `wake` asks the user-interface thread to drain soon (a queued call); it is called from the scan
    // thread, only when a post finds the queue empty, and never after abandon().
    explicit ScanHandOver(std::function<void()> wake);

    // --- the scan thread
    bool keepScanning() const { return keep_.load(std::memory_order_acquire); }
    // The frame last fetched; the program shows it after a stop.
    void fetched(int frame) { frame_.store(frame, std::memory_order_relaxed); }
    void post(const ScanMessage& message);
    // The thread's last act: whoever waits for it learns that it ended.
    void finish();

    // --- the user-interface thread
    void requestStop() { keep_.store(false, std::memory_order_release); }
    // True when the thread ended within the limit.
    bool waitFinished(std::chrono::milliseconds limit);
    // Moves the posts still pending to `out`, as take() does; later posts are dropped and nobody is
    // woken for them.
    void abandon(std::vector<ScanMessage>& out);
    // Moves the pending posts, oldest first, to the end of `out`.
    void take(std::vector<ScanMessage>& out);
    int lastFetched() const { return frame_.load(std::memory_order_relaxed); }

  private:
    std::mutex mutex_;
    std::condition_variable finishedCv_;
    std::vector<ScanMessage> pending_;
    std::function<void()> wake_;
    std::atomic<bool> keep_{true};
    std::atomic<int> frame_{0};
    bool finished_ = false;
    bool abandoned_ = false;
};

} // namespace mivo
