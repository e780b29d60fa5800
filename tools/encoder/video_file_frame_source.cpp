#include "video_file_frame_source.h"

#include "core/program_paths.h"
#include "platform/platform.h"

namespace mivo::encoder {

bool VideoFileFrameSource::open(const std::string& path, std::string& used, std::string& error) {
    video::OpenOptions options;
    // Where the front-end keeps an index it cannot put beside the file.
    options.fallbackIndexFolder =
        userSettingsFolder(platform::environment("XDG_CONFIG_HOME"), platform::environment("HOME"), '/');
    std::string why;
    source_ = video::VideoFileSource::open(path, options, why);
    if (!source_) {
        error = "cannot read the video file " + path + ": " + why;
        return false;
    }
    const video::VideoFileInfo& info = source_->info();
    StreamFacts facts;
    facts.width = info.width;
    facts.height = info.height;
    facts.rateNumerator = info.rateNum;
    facts.rateDenominator = info.rateDen;
    facts.frameCount = info.frameCount;
    if (info.aspectNum > 0 && info.aspectDen > 0)
        facts.displayAspect = static_cast<double>(info.aspectNum) / info.aspectDen;
    if (!acceptFacts(facts, path, error)) return false;
    path_ = path;
    used = "FFmpeg's " + info.codec + " decoder (" + info.container + ")";
    return true;
}

const std::uint8_t* VideoFileFrameSource::frame(int n) const {
    return source_ ? source_->frame(n) : nullptr;
}

std::unique_ptr<FrameSource> VideoFileFrameSource::twin(std::string& error) const {
    auto other = std::make_unique<VideoFileFrameSource>();
    std::string used;
    if (!other->open(path_, used, error)) return nullptr;
    return other;
}

} // namespace mivo::encoder
