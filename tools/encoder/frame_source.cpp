#include "frame_source.h"

#include "avisynth_frame_source.h"
#include "d2v_frame_source.h"
#include "video_file_frame_source.h"

#include "core/kernels/cpu_features.h"

#include <algorithm>

namespace mivo::encoder {

bool FrameSource::acceptFacts(const StreamFacts& f, const std::string& input, std::string& error) {
    if (f.width <= 0 || f.height <= 0 || f.frameCount <= 0 || f.rateNumerator <= 0 ||
        f.rateDenominator <= 0) {
        error = "the source gives no usable size, frame count or frame rate: " + input;
        return false;
    }
    if (f.width > kMaxWidth || f.height > kMaxHeight || f.width % 2 != 0 || f.height % 2 != 0) {
        error = "picture size " + std::to_string(f.width) + " x " + std::to_string(f.height) +
                " cannot be encoded (even sizes up to 1920 x 1152 only)";
        return false;
    }
    facts_ = f;
    return true;
}

std::unique_ptr<FrameSource> FrameSource::twin(std::string& error) const {
    error = "this source is read by one thread";
    return nullptr;
}

int FrameSource::progressiveFrames(int, int) const {
    return -1;
}

int conversionCpuLevel(int cpuMode) {
    const int detected = cpuLevelFromFeatures(detectedCpuFeatures());
    // The *CPU words MMX, SSE2, SSE3 and SSSE3 are the program's processor levels 1 to 4.
    return cpuMode <= 0 ? detected : std::min(cpuMode, detected);
}

std::unique_ptr<FrameSource> openFrameSource(const EncodeJob& job, const std::string& programFolder,
                                             std::string& used, std::string& error) {
    if (job.avisynthInput) {
        auto source = std::make_unique<AvisynthFrameSource>();
        if (!source->open(job.inputFile, job.run.cpuMode, used, error)) return nullptr;
        return source;
    }
    if (job.videoFileInput) {
        auto source = std::make_unique<VideoFileFrameSource>();
        if (!source->open(job.inputFile, used, error)) return nullptr;
        return source;
    }
    auto source = std::make_unique<D2vFrameSource>();
    if (!source->open(programFolder, job.inputFile, job.run.cpuMode, job.run.decoderCopy, used, error))
        return nullptr;
    return source;
}

} // namespace mivo::encoder
