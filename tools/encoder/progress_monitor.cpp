#include "progress_monitor.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace mivo::encoder {

namespace {

constexpr auto kLineInterval = std::chrono::seconds(1);
constexpr auto kPreviewInterval = std::chrono::milliseconds(200);

std::string clockText(double seconds) {
    if (seconds < 0) return "--:--:--";
    const auto s = static_cast<long long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    return text;
}

} // namespace

ProgressMonitor::ProgressMonitor(bool previewWanted, std::function<void(const std::string&)> line)
    : previewWanted_(previewWanted), line_(std::move(line)) {}

void ProgressMonitor::begin(const EncodeJob& job, const StreamFacts& f) {
    const std::lock_guard<std::mutex> guard(lock_);
    totalFrames_ = std::max(1, jobFrameCount(job));
    frameSeconds_ = f.rateNumerator > 0 ? double(f.rateDenominator) / f.rateNumerator : 0.04;
    lumaBytes_ = static_cast<std::size_t>(f.width) * f.height;
    chromaBytes_ = job.chroma422 ? lumaBytes_ / 2 : lumaBytes_ / 4;
    now_.frames = totalFrames_;
    now_.width = f.width;
    now_.height = f.height;
    now_.chroma422 = job.chroma422;
    if (previewWanted_) preview_.assign(lumaBytes_ + 2 * chromaBytes_, 0);
}

void ProgressMonitor::startPass(int pass, int passes) {
    {
        const std::lock_guard<std::mutex> guard(lock_);
        now_.pass = pass;
        now_.passes = passes;
        now_.frame = 0;
        now_.framesPerSecond = 0;
        now_.secondsLeft = -1;
        now_.averageKbps = 0;
        passStart_ = lastLine_ = Clock::now();
    }
}

bool ProgressMonitor::frameDone(const PassProgress& p) {
    const Clock::time_point t = Clock::now();
    std::string lineText;
    {
        const std::lock_guard<std::mutex> guard(lock_);
        const double elapsed = std::chrono::duration<double>(t - passStart_).count();
        now_.frame = p.framesDone;
        if (elapsed > 0) now_.framesPerSecond = p.framesDone / elapsed;
        if (now_.framesPerSecond > 0) {
            const int left = (totalFrames_ - p.framesDone) + (now_.passes - now_.pass) * totalFrames_;
            now_.secondsLeft = left / now_.framesPerSecond;
        }
        if (p.bytesWritten > 0 && p.framesDone > 0)
            now_.averageKbps = p.bytesWritten * 8.0 / (p.framesDone * frameSeconds_) / 1000.0;
        if (!preview_.empty() && p.planes[0] && t - lastPreview_ >= kPreviewInterval) {
            lastPreview_ = t;
            keepPreview(p);
        }
        if (line_ && (t - lastLine_ >= kLineInterval || p.framesDone == totalFrames_)) {
            lastLine_ = t;
            lineText = describe(now_);
        }
    }
    if (!lineText.empty()) line_(lineText);
    return !cancelled_;
}

void ProgressMonitor::keepPreview(const PassProgress& p) {
    std::memcpy(preview_.data(), p.planes[0], lumaBytes_);
    std::memcpy(preview_.data() + lumaBytes_, p.planes[1], chromaBytes_);
    std::memcpy(preview_.data() + lumaBytes_ + chromaBytes_, p.planes[2], chromaBytes_);
    ++now_.previewSerial;
}

void ProgressMonitor::message(const std::string& text) {
    {
        const std::lock_guard<std::mutex> guard(lock_);
        now_.message = text;
    }
    if (line_) line_(text);
}

void ProgressMonitor::finish(bool ok, const std::string& text) {
    const std::lock_guard<std::mutex> guard(lock_);
    now_.finished = true;
    now_.ok = ok;
    now_.message = text;
}

ProgressSnapshot ProgressMonitor::snapshot() const {
    const std::lock_guard<std::mutex> guard(lock_);
    return now_;
}

bool ProgressMonitor::copyPreview(std::vector<std::uint8_t>& out) const {
    const std::lock_guard<std::mutex> guard(lock_);
    if (now_.previewSerial == 0) return false;
    out.assign(preview_.begin(), preview_.end());
    return true;
}

std::string ProgressMonitor::describe(const ProgressSnapshot& s) {
    char text[200];
    std::snprintf(text, sizeof text, "pass %d of %d: frame %d of %d, %.1f fps, %s left", s.pass, s.passes,
                  s.frame, s.frames, s.framesPerSecond, clockText(s.secondsLeft).c_str());
    std::string out = text;
    if (s.averageKbps > 0)
        out += ", average " + std::to_string(static_cast<long long>(s.averageKbps + 0.5)) + " kbit/s";
    return out;
}

} // namespace mivo::encoder
