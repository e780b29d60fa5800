#include "d2v_frame_source.h"

#include "core/picture/frame_fit.h"
#include "core/source/d2v_check.h"
#include "core/source_state.h"

#include "d2v_project.h"
#include "frame_list.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <system_error>

namespace mivo::encoder {

D2vFrameSource::~D2vFrameSource() {
    if (closeVideo_) closeVideo_();
    module_.close();
    if (!privateCopy_.empty()) {
        std::error_code ec;
        std::filesystem::remove(privateCopy_, ec);
    }
}

bool D2vFrameSource::open(const std::string& programFolder, const std::string& project, int cpuMode,
                          bool decoderCopy, std::string& libraryUsed, std::string& error) {
    SourceState state;
    const FileExistsFn exists = [](const std::string& p) { return platform::fileExists(p); };
    classifyInput(state, project, programFolder + "DGDecode/", exists);
    if (!state.projectFilesFound) {
        error = "the D2V project lists video files that cannot be found: " + project;
        return false;
    }
    const std::string copy = programFolder + "DGDecode.dll";
    if (decoderCopy && platform::fileExists(copy)) {
        libraryUsed = copy;
    } else if (!state.projectVersionValid || state.decoderLibraryPath.empty()) {
        error = "no decoder library for D2V project version " + std::to_string(state.projectVersion) + ": " +
                project;
        return false;
    } else {
        libraryUsed = state.decoderLibraryPath;
    }
    project_ = project;
    cpuMode_ = cpuMode;
    if (!load(libraryUsed, error)) return false;
    readProgressiveFlags();
    return true;
}

std::unique_ptr<FrameSource> D2vFrameSource::twin(std::string& error) const {
    namespace fs = std::filesystem;
    static std::atomic<int> copies{0};
    std::error_code ec;
    const fs::path library(library_);
    const std::string unique = std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) +
                               "-" + std::to_string(++copies);
    const fs::path copy =
        fs::temp_directory_path(ec) / (library.stem().string() + "-" + unique + library.extension().string());
    if (ec || !fs::copy_file(library, copy, fs::copy_options::overwrite_existing, ec)) {
        error = "cannot copy the decoder library " + library_ + " for a second thread: " + ec.message();
        return nullptr;
    }
    auto other = std::make_unique<D2vFrameSource>();
    other->privateCopy_ = copy.string();
    other->project_ = project_;
    other->cpuMode_ = cpuMode_;
    if (!other->load(other->privateCopy_, error)) return nullptr;
    if (other->facts_.width != facts_.width || other->facts_.height != facts_.height ||
        other->facts_.frameCount != facts_.frameCount) {
        error = "a second copy of the decoder library describes the project differently";
        return nullptr;
    }
    other->library_ = library_;
    other->progressive_ = progressive_;
    return other;
}

int D2vFrameSource::progressiveFrames(int first, int last) const {
    if (progressive_.empty() || first < 0 || last >= static_cast<int>(progressive_.size()) || last < first)
        return -1;
    return static_cast<int>(std::count(progressive_.begin() + first, progressive_.begin() + last + 1, true));
}

void D2vFrameSource::readProgressiveFlags() {
    // The flags are read from the project itself: they are a fact of the D2V format, and a decoder
    // library's three exports do not pass them on. Output frames are matched to coded frames the way
    // the project's field operation makes them.
    progressive_.clear();
    const mpeg2::ProjectParse parse = mpeg2::readD2vProject(project_);
    if (!parse.ok) return;
    facts_.displayAspect = projectDisplayAspect(parse.project.aspectRatio, facts_.width, facts_.height);
    const std::vector<mpeg2::OutputFrame> frames = mpeg2::buildOutputFrames(parse.project);
    if (static_cast<int>(frames.size()) != facts_.frameCount) return;
    progressive_.reserve(frames.size());
    for (const mpeg2::OutputFrame& f : frames)
        progressive_.push_back(f.top == f.bottom && f.top < parse.project.flags.size() &&
                               (parse.project.flags[f.top] & mpeg2::kFlagProgressive) != 0);
}

bool D2vFrameSource::load(const std::string& libraryUsed, std::string& error) {
    library_ = libraryUsed;
    const std::string& project = project_;
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
    const StreamFacts facts{info->width, info->height, info->rateNumerator, info->rateDenominator,
                            info->frameCount};
    if (!acceptFacts(facts, project, error)) return false;
    const ColourFormat format = dgdecode::colourFormatOf(info->pixelType);
    if (format == ColourFormat::None) {
        error = "only YV12 and YUY2 sources can be encoded; " + project + " is neither";
        return false;
    }
    if (format == ColourFormat::Packed422) {
        convert_ = packedToPlanarFor(conversionCpuLevel(cpuMode_));
        planar_.assign(lumaBytes() + lumaBytes() / 2, 0);
    }
    getFrame_ = frameFn;
    return true;
}

const std::uint8_t* D2vFrameSource::frame(int n) const {
    const std::uint8_t* delivered = getFrame_ ? getFrame_(n) : nullptr;
    if (!delivered || !convert_) return delivered;
    const int w = facts_.width, h = facts_.height;
    std::uint8_t* luma = planar_.data();
    std::uint8_t* v = luma + lumaBytes();
    std::uint8_t* u = v + lumaBytes() / 4;
    convert_(delivered, 2 * w, w, h, luma, w, u, v, w / 2);
    return planar_.data();
}

} // namespace mivo::encoder
