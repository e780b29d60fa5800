#include "d2v_frame_source.h"

#include "core/source/d2v_project.h"
#include "core/source_state.h"

namespace mivo::encoder {

D2vFrameSource::~D2vFrameSource() {
    if (closeVideo_) closeVideo_();
}

bool D2vFrameSource::open(const std::string& programFolder, const std::string& project, int cpuMode,
                          std::string& libraryUsed, std::string& error) {
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
    const StreamFacts facts{info->width, info->height, info->rateNumerator, info->rateDenominator,
                            info->frameCount};
    if (!acceptFacts(facts, project, error)) return false;
    const ColourFormat format = dgdecode::colourFormatOf(info->pixelType);
    if (format == ColourFormat::None) {
        error = "only YV12 and YUY2 sources can be encoded; " + project + " is neither";
        return false;
    }
    if (format == ColourFormat::Packed422) {
        convert_ = packedToPlanarFor(conversionCpuLevel(cpuMode));
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
