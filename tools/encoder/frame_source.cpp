#include "frame_source.h"

#include "core/source/d2v_project.h"
#include "core/source_state.h"

namespace mivo::encoder {

namespace {

// The larger pictures a front-end shows are also the largest this encoder takes.
constexpr int kMaxWidth = 1920;
constexpr int kMaxHeight = 1152;

} // namespace

FrameSource::~FrameSource() {
    if (closeVideo_) closeVideo_();
}

bool FrameSource::open(const std::string& programFolder, const std::string& project, std::string& libraryUsed,
                       std::string& error) {
    SourceState state;
    const FileExistsFn exists = [](const std::string& p) { return platform::fileExists(p); };
    classifyInput(state, project, programFolder + "DGDecode/", exists);
    if (!state.projectFilesFound) {
        error = "the D2V project lists video files that cannot be found: " + project;
        return false;
    }
    const std::string copy = programFolder + "DGDecode.dll";
    if (platform::fileExists(copy)) {
        libraryUsed = copy;
    } else if (!state.projectVersionValid || state.decoderLibraryPath.empty()) {
        error = "no decoder library for D2V project version " + std::to_string(state.projectVersion) + ": " +
                project;
        return false;
    } else {
        libraryUsed = state.decoderLibraryPath;
    }
    if (!module_.open(libraryUsed)) {
        error = "cannot load the decoder library " + libraryUsed + ": " + module_.lastError();
        return false;
    }
    dgdecode::OpenFn openFn = nullptr;
    dgdecode::FrameFn frameFn = nullptr;
    dgdecode::CloseFn closeFn = nullptr;
    module_.resolve(dgdecode::kOpenExport, openFn);
    module_.resolve(dgdecode::kFrameExport, frameFn);
    module_.resolve(dgdecode::kCloseExport, closeFn);
    if (!openFn || !frameFn || !closeFn) {
        error = "the decoder library " + libraryUsed + " lacks openMPEG2Source, getFrame or closeVideo";
        return false;
    }
    const dgdecode::StreamInfo* info = openFn(project.c_str());
    if (!info) {
        error = "the decoder library cannot open the D2V project " + project;
        return false;
    }
    closeVideo_ = closeFn;
    facts_ =
        StreamFacts{info->width, info->height, info->rateNumerator, info->rateDenominator, info->frameCount};
    if (facts_.width <= 0 || facts_.height <= 0 || facts_.frameCount <= 0 || facts_.rateNumerator <= 0 ||
        facts_.rateDenominator <= 0) {
        error = "the decoder library gives no usable size, frame count or frame rate for " + project;
        return false;
    }
    if (dgdecode::colourFormatOf(info->pixelType) != ColourFormat::Planar420) {
        error = "only 4:2:0 (YV12) sources can be encoded; " + project + " is not";
        return false;
    }
    if (facts_.width > kMaxWidth || facts_.height > kMaxHeight || facts_.width % 2 != 0 ||
        facts_.height % 2 != 0) {
        error = "picture size " + std::to_string(facts_.width) + " x " + std::to_string(facts_.height) +
                " cannot be encoded (even sizes up to 1920 x 1152 only)";
        return false;
    }
    getFrame_ = frameFn;
    return true;
}

const std::uint8_t* FrameSource::frame(int n) const {
    return getFrame_ ? getFrame_(n) : nullptr;
}

} // namespace mivo::encoder
