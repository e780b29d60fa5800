#pragma once
// Where an encode stands, shared between the encoding thread and whoever shows it: the progress window
// on its own thread, or progress lines on standard output. The encoding thread reports each frame; the
// monitor works out frames a second, the time left and the average bitrate so far, keeps a copy of the
// frame for the preview a few times a second, and passes a cancel back.

#include "encode_job.h"
#include "mpeg2_encoder.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace mivo::encoder {

struct ProgressSnapshot {
    int pass = 0, passes = 1;  // pass 1..passes; 0 before the first
    int frame = 0, frames = 0; // frames done of this pass
    double framesPerSecond = 0;
    double secondsLeft = -1; // over all passes; negative while unknown
    double averageKbps = 0;  // of the stream written so far
    bool finished = false, ok = false;
    std::string message;             // the last line of the log, or the failure
    std::uint64_t previewSerial = 0; // changes whenever the preview picture does
    int width = 0, height = 0;       // of the preview picture
    bool chroma422 = false;
};

class ProgressMonitor {
  public:
    // `line`, when set, is given a progress line about once a second and every message (the console
    // view); `previewWanted` keeps frame copies for the window.
    ProgressMonitor(bool previewWanted, std::function<void(const std::string&)> line);

    // The fitted job and its source: frame counts, frame time and picture sizes.
    void begin(const EncodeJob& job, const StreamFacts& facts);
    void startPass(int pass, int passes);
    // After each frame; false when a cancel was asked for.
    bool frameDone(const PassProgress& p);
    void message(const std::string& text);
    void finish(bool ok, const std::string& message);

    void cancel() { cancelled_ = true; }
    bool cancelled() const { return cancelled_; }
    ProgressSnapshot snapshot() const;
    // The last preview picture, Y then Cb then Cr as the encoder codes them; false when none yet.
    bool copyPreview(std::vector<std::uint8_t>& out) const;

    // One line of text for a snapshot: pass, frame, frames a second, time left, average bitrate.
    static std::string describe(const ProgressSnapshot& s);

  private:
    using Clock = std::chrono::steady_clock;
    void keepPreview(const PassProgress& p);

    int totalFrames_ = 1;
    double frameSeconds_ = 0.04; // display time of one source frame
    std::size_t lumaBytes_ = 0, chromaBytes_ = 0;
    const bool previewWanted_;
    std::function<void(const std::string&)> line_;
    std::atomic<bool> cancelled_{false};

    mutable std::mutex lock_;
    ProgressSnapshot now_;
    Clock::time_point passStart_, lastLine_, lastPreview_;
    std::vector<std::uint8_t> preview_; // sized once
};

} // namespace mivo::encoder
