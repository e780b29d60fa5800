#pragma once
// The Queue page and "add to queue": jobs are added from the window's settings as "encode" would write
// them, and run by mivo-queue as a process of its own, so the window stays usable while they encode.
// The page reads the queue's files again every so often while it is shown or its runner runs.

#include "core/control_model.h"
#include "platform/child_process.h"
#include "program/pages/page_handler.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace mivo {

class QueuePage : public PageHandler {
  public:
    explicit QueuePage(Program& program);
    ~QueuePage() override;
    void onDefault(int id) override;

    // "add to queue" beside "encode": the same checks, then the settings become the queue's last job.
    void addToQueue();
    // The page came up: read the queue now.
    void shown();
    // Called every so often by the shell: follows the runner and the jobs while there is something to
    // follow.
    void tick();
    bool runnerRunning() const;

    // The folder of the queue: "queue" beside Mivo.ini.
    std::string folder() const;
    // The command the page runs the queue with: mivo-queue in the program folder.
    std::string runnerProgram() const;

  private:
    void refresh();
    void start();
    void stop();
    void selectedJobAction(int id);

    std::vector<int> numbers_;                       // the job of each list line
    std::unique_ptr<platform::ChildProcess> runner_; // the run this window started, until it ends
};

// The runner's closing line on the page for its exit code.
std::string runnerEndText(bool signalled, int code);

} // namespace mivo
