#include "frame_source.h"

#include "core/source/d2v_project.h"
#include "core/source_state.h"

#include "d2v_project.h"
#include "frame_list.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <system_error>

namespace mivo::encoder {

namespace {

// The larger pictures a front-end shows are also the largest this encoder takes.
constexpr int kMaxWidth = 1920;
constexpr int kMaxHeight = 1152;

} // namespace

FrameSource::~FrameSource() {
    if (closeVideo_) closeVideo_();
    module_.close();
    if (!privateCopy_.empty()) {
        std::error_code ec;
        std::filesystem::remove(privateCopy_, ec);
    }
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
    if (!load(libraryUsed, project, error)) return false;
    readProgressiveFlags(project);
    return true;
}

bool FrameSource::openTwin(const FrameSource& original, std::string& error) {
    namespace fs = std::filesystem;
    static std::atomic<int> copies{0};
    std::error_code ec;
    const fs::path library(original.library_);
    const fs::path copy = fs::temp_directory_path(ec) /
                          (library.stem().string() + "-" +
                           std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + "-" +
                           std::to_string(++copies) + library.extension().string());
    if (ec || !fs::copy_file(library, copy, fs::copy_options::overwrite_existing, ec)) {
        error =
            "cannot copy the decoder library " + original.library_ + " for a second thread: " + ec.message();
        return false;
    }
    privateCopy_ = copy.string();
    if (!load(privateCopy_, original.project_, error)) return false;
    if (facts_.width != original.facts_.width || facts_.height != original.facts_.height ||
        facts_.frameCount != original.facts_.frameCount) {
        error = "a second copy of the decoder library describes the project differently";
        return false;
    }
    library_ = original.library_;
    progressive_ = original.progressive_;
    return true;
}

bool FrameSource::load(const std::string& libraryUsed, const std::string& project, std::string& error) {
    library_ = libraryUsed;
    project_ = project;
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

void FrameSource::readProgressiveFlags(const std::string& project) {
    // The flags are read from the project itself: they are a fact of the D2V format, and a decoder
    // library's three exports do not pass them on. The output frames are matched to coded frames the
    // way the project's field operation makes them.
    progressive_.clear();
    const mpeg2::ProjectParse parse = mpeg2::readD2vProject(project);
    if (!parse.ok) return;
    const std::vector<mpeg2::OutputFrame> frames = mpeg2::buildOutputFrames(parse.project);
    if (static_cast<int>(frames.size()) != facts_.frameCount) return;
    progressive_.reserve(frames.size());
    for (const mpeg2::OutputFrame& f : frames)
        progressive_.push_back(f.top == f.bottom && f.top < parse.project.flags.size() &&
                               (parse.project.flags[f.top] & mpeg2::kFlagProgressive) != 0);
}

int FrameSource::progressiveFrames(int first, int last) const {
    if (progressive_.empty() || first < 0 || last >= static_cast<int>(progressive_.size()) || last < first)
        return -1;
    return static_cast<int>(std::count(progressive_.begin() + first, progressive_.begin() + last + 1, true));
}

const std::uint8_t* FrameSource::frame(int n) const {
    return getFrame_ ? getFrame_(n) : nullptr;
}

} // namespace mivo::encoder
