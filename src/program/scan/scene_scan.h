#pragma once
// The scene-change chapter scan as the Chapters page runs it: the button that starts and stops it, the
// controls held while it runs, the thread, and the posts of the thread applied on the user-interface
// thread in the order they were made.

#include "program/scan/scan_hand_over.h"

#include <memory>
#include <thread>
#include <vector>

namespace mivo {

class Program;

class SceneScan {
  public:
    explicit SceneScan(Program& program) : p_(program) {}
    ~SceneScan();
    SceneScan(const SceneScan&) = delete;
    SceneScan& operator=(const SceneScan&) = delete;

    bool running() const { return running_; }
    // The scan button: starts a scan, or stops the one running (its caption says which).
    void toggleSceneScan();
    // The program is closing: the scan ends at once, waiting at most the pause the close allows.
    void abort();
    // Applies what the scan thread posted since the last drain (user-interface thread).
    void drain();

  private:
    void start();
    void stop();
    void endThread(bool finished);
    void apply(const ScanMessage& message);
    void finished(const ScanMessage& message);
    void holdControls(bool hold);
    void showFrame(int frame);

    Program& p_;
    std::shared_ptr<ScanHandOver> handOver_;
    std::thread thread_;
    std::vector<ScanMessage> posts_;
    bool running_ = false;
    bool stopping_ = false; // posts are taken by the stop sequence, not by a drain
};

} // namespace mivo
