#include "program/scan/scan_source.h"

#include "core/kernels/packed_to_planar.h"
#include "platform/platform.h"
#include "program/source/avisynth_source.h"
#include "video_file_source.h"

#include <atomic>
#include <filesystem>
#include <random>
#include <string>
#include <utility>

namespace mivo {

namespace {

// A file name no other scan of this or another process uses at the same time.
std::string privateCopyPath(const std::string& library) {
    static std::atomic<unsigned> counter{0};
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
    if (ec) return {};
    static const unsigned processTag = std::random_device{}();
    const std::string name = "mivo-scan-" + std::to_string(processTag) + "-" +
                             std::to_string(counter.fetch_add(1)) + "-" +
                             std::filesystem::path(library).filename().string();
    return (folder / name).string();
}

// The DVD checks cut 1088 coded lines to the 1080 shown; the frames the instance gives still hold them.
bool sameHeight(int opened, int shown) {
    return opened == shown || (opened == 1088 && shown == 1080);
}

} // namespace

ScanSource::ScanSource(ScanSourceSpec spec)
    : spec_(std::move(spec)), planes_{std::unique_ptr<FramePlanes>(new FramePlanes),
                                      std::unique_ptr<FramePlanes>(new FramePlanes)},
      access_{FrameAccess(spec_.state, dgdecode_, *planes_[0]),
              FrameAccess(spec_.state, dgdecode_, *planes_[1])} {
    for (FrameAccess& access : access_)
        access.setPackedConversion(packedToPlanarFor(spec_.cpuLevel));
}

ScanSource::~ScanSource() {
    for (FrameAccess& access : access_)
        access.setVideoFile(nullptr);
    avisynth_.releaseAvisynth();
    dgdecode_.release();
    if (!libraryCopy_.empty()) platform::removeFile(libraryCopy_);
}

bool ScanSource::open() {
    if (spec_.state.isD2vProject) return openProject();
    if (spec_.state.isAvisynthScript) return openScript();
    if (spec_.state.isVideoFile) return openVideoFile();
    return false;
}

bool ScanSource::openVideoFile() {
    video::OpenOptions options;
    options.threads = spec_.decodeThreads;
    options.fallbackIndexFolder = spec_.videoIndexFolder;
    std::string error;
    video_ = video::VideoFileSource::open(spec_.path, options, error);
    if (!video_) return false;
    // A file changed on disk since the program opened it does not have the frames the scan reckons with.
    const video::VideoFileInfo& info = video_->info();
    const SourceState& s = spec_.state;
    if (info.width != s.width || !sameHeight(info.height, s.height) || info.frameCount != s.frameCount)
        return false;
    for (FrameAccess& access : access_)
        access.setVideoFile(video_.get());
    return true;
}

bool ScanSource::openProject() {
    libraryCopy_ = privateCopyPath(spec_.state.decoderLibraryPath);
    if (libraryCopy_.empty() || !platform::copyFile(spec_.state.decoderLibraryPath, libraryCopy_))
        return false;
    if (dgdecode_.load(libraryCopy_) != DgdecodeResult::Ok) return false;
#ifndef _WIN32
    // Loaded, the instance no longer needs its file; a crash cannot leave it behind.
    if (platform::removeFile(libraryCopy_)) libraryCopy_.clear();
#endif
    dgdecode_.setDecodeThreads(spec_.decodeThreads);
    StreamProperties properties;
    if (dgdecode_.openProject(spec_.path, properties) != DgdecodeResult::Ok) return false;
    // The scan reckons with the frames the program shows; a project changed on disk since is not those.
    const SourceState& s = spec_.state;
    return properties.width == s.width && sameHeight(properties.height, s.height) &&
           properties.frameCount == s.frameCount && properties.colourFormat == s.colourFormat;
}

bool ScanSource::openScript() {
    int memoryRequest = -1; // the frame server's default cache
    if (avisynth_.loadAvisynth(memoryRequest) != AvisynthResult::Ok) return false;
    AvisynthClipInfo info;
    std::string error;
    if (avisynth_.importScript(spec_.path, info, error) != AvisynthResult::Ok) return false;
    const SourceState& s = spec_.state;
    if (info.width != s.width || info.height != s.height || info.frameCount != s.frameCount) return false;
    for (FrameAccess& access : access_)
        access.setAvisynthFetch([this](int n, FramePlanes& planes) {
            const PlaneBuffers buffers{planes.luma, planes.plane2, planes.plane3, planes.packed};
            return fetchAvisynthFrame(avisynth_, spec_.state, buffers, n, spec_.cpuLevel);
        });
    return true;
}

} // namespace mivo
