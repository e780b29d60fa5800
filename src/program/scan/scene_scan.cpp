#include "program/scan/scene_scan.h"

#include "core/control_ids.h"
#include "core/scan/scan_progress.h"
#include "core/settings/settings.h"
#include "program/pages/list_boxes.h"
#include "program/preview/frame_preview.h"
#include "program/program.h"
#include "program/scan/scan_thread.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <string_view>

namespace mivo {

namespace {

using namespace std::chrono_literals;

constexpr std::string_view kStartCaption = "create SCD chapter list";
constexpr std::string_view kStopCaption = "stop scanning";
constexpr auto kStopWait = 2500ms;
constexpr int kPauseAfterStopMs = 100;
constexpr auto kCloseWait = 1000ms; // the pause a close allows the scan
constexpr int kMaxDecodeThreads = 8;

// Every control of the Chapters page but the list box and the scan button: none may reach the frames,
// the current frame or the chapter list while the scan owns them.
constexpr int kHeldControls[] = {ids::chapters::importButton,
                                 ids::chapters::exportButton,
                                 ids::chapters::clearListButton,
                                 ids::chapters::addButton,
                                 ids::chapters::removeButton,
                                 ids::chapters::setStartButton,
                                 ids::chapters::setEndButton,
                                 ids::preview::stepForwardButton,
                                 ids::preview::smallStepForwardButton,
                                 ids::preview::largeStepForwardButton,
                                 ids::preview::stepBackButton,
                                 ids::preview::smallStepBackButton,
                                 ids::preview::largeStepBackButton,
                                 ids::preview::currentFrameEdit,
                                 ids::preview::slider};

} // namespace

SceneScan::~SceneScan() {
    // A program torn down with a scan running has ended it already (close, exit); this is the last
    // resort that keeps a thread from outliving what it posts to.
    if (!thread_.joinable()) return;
    handOver_->requestStop();
    endThread(handOver_->waitFinished(kCloseWait));
}

void SceneScan::toggleSceneScan() {
    const std::string& caption = p_.controls().text(PageId::Chapters, ids::chapters::scanButton);
    // The caption says which; a scan already ended (by a close) has nothing left to stop.
    if (caption.compare(0, 4, "stop") == 0 && running_)
        stop();
    else
        start();
}

void SceneScan::holdControls(bool hold) {
    ControlModel& c = p_.controls();
    c.setText(PageId::Chapters, ids::chapters::scanButton, hold ? kStopCaption : kStartCaption);
    for (int id : kHeldControls)
        c.setEnabled(PageId::Chapters, id, !hold);
}

void SceneScan::start() {
    Settings& s = p_.settings();
    s.clearChapters();
    fillChapterListBox(p_.controls(), s);
    holdControls(true);

    const SourceState& source = p_.source();
    ScanJob job;
    if (source.sourceReady && source.frameCount > 0) {
        // A long project is scanned in two halves, each decoding on a core of its own; otherwise the
        // one decoder spreads the slices of each picture over the processors.
        const bool split =
            source.isD2vProject && p_.processorCount() > 1 && source.frameCount >= job.splitFrom;
        ScanSourceSpec spec{source, s.inputFile, p_.cpuLevel(),
                            split ? 1 : std::clamp(p_.processorCount(), 1, kMaxDecodeThreads),
                            p_.videoIndexFolder()};
        if (split) job.secondSource = std::make_unique<ScanSource>(spec);
        job.source = std::make_unique<ScanSource>(std::move(spec));
        job.frameCount = source.frameCount;
        job.width = source.width;
        job.height = source.height;
    }
    job.cpuLevel = p_.cpuLevel();
    job.sliderMax = ScanProgress::kSliderMax;
    job.chapterRoom = kChapterCapacity;

    running_ = true;
    handOver_ = std::make_shared<ScanHandOver>(p_.shell().scanPosted);
    thread_ = std::thread([handOver = handOver_, job = std::move(job)]() mutable {
        sceneScanThread(std::move(job), *handOver);
    });
}

// Joins a thread that ended; one that did not is left to end on its own: it owns its source and its
// hand-over, and nothing it posts from now on is read.
void SceneScan::endThread(bool finished) {
    posts_.clear();
    if (finished) {
        thread_.join();
        handOver_->take(posts_);
    } else {
        handOver_->abandon(posts_);
        thread_.detach();
    }
    for (const ScanMessage& m : posts_)
        if (m.event == ScanEvent::Chapter) apply(m);
}

void SceneScan::stop() {
    stopping_ = true;
    handOver_->requestStop();
    StatusLine& status = p_.status();
    status.show(" waiting for codec...");
    const bool ended = handOver_->waitFinished(kStopWait);
    status.append(ended ? " done...   " : " failed, forced codec release...   ");
    endThread(ended);
    const int lastFetched = handOver_->lastFetched();
    handOver_.reset();
    if (p_.shell().pause) p_.shell().pause(kPauseAfterStopMs);
    holdControls(false);
    fillChapterListBox(p_.controls(), p_.settings());
    status.append(" scanning interrupted, found scene changes put into chapter list");
    running_ = false;
    stopping_ = false;
    showFrame(lastFetched);
}

void SceneScan::abort() {
    if (!running_) return;
    p_.status().show(" aborting scene change detection scan...");
    handOver_->requestStop();
    endThread(handOver_->waitFinished(kCloseWait));
    handOver_.reset();
    running_ = false;
    holdControls(false);
}

void SceneScan::drain() {
    if (!handOver_ || stopping_) return;
    posts_.clear();
    handOver_->take(posts_);
    for (const ScanMessage& m : posts_) {
        if (m.event == ScanEvent::Progress || m.event == ScanEvent::Chapter) {
            apply(m);
        } else {
            finished(m);
            return; // nothing follows a thread's last post
        }
    }
}

void SceneScan::apply(const ScanMessage& m) {
    if (m.event == ScanEvent::Chapter) {
        Settings& s = p_.settings();
        if (s.chapterCount < kChapterCapacity)
            s.chapterFrames[static_cast<std::size_t>(s.chapterCount++)] = m.frame;
        return;
    }
    ControlModel& c = p_.controls();
    c.setPos(PageId::Chapters, ids::preview::slider, m.value);
    c.setText(PageId::Chapters, ids::preview::currentFrameEdit, std::to_string(m.frame));
}

// The end of a scan that ran to its last frame, or that its source failed.
void SceneScan::finished(const ScanMessage& m) {
    thread_.join();
    handOver_.reset();
    Settings& s = p_.settings();
    fillChapterListBox(p_.controls(), s);
    StatusLine& status = p_.status();
    switch (m.event) {
    case ScanEvent::SourceFailed:
        status.show(" scene change detection failed, the source could not be opened for the scan");
        break;
    case ScanEvent::FrameFailed:
        status.show(" scene change detection stopped, frame " + std::to_string(m.frame) +
                    " could not be read, found scene changes put into chapter list");
        break;
    default:
        status.show(s.chapterCount > 0 ? " scene change chapters put into list" : " no scene change found");
        break;
    }
    running_ = false;
    holdControls(false);
    if (m.event != ScanEvent::SourceFailed) showFrame(m.frame);
}

// The preview follows the scan to the frame it handled last.
void SceneScan::showFrame(int frame) {
    SourceState& source = p_.source();
    if (!source.sourceReady || source.frameCount <= 0) return;
    source.currentFrame = std::clamp(frame, 0, source.frameCount - 1);
    p_.preview().showCurrentFrame();
}

} // namespace mivo
