#include "sources/dgdecode_library.h"

#include "sources/frame_planes.h"

#include <cstring>

namespace mivo {

void DgdecodeLibrary::closeStream() {
    // The open stream is closed before its library goes: unloading it with a stream open would lose
    // whatever the library holds for that stream, once per project opened.
    if (info_ && close_) close_();
    info_ = nullptr;
}

DgdecodeResult DgdecodeLibrary::load(const std::string& path) {
    closeStream();
    resolved_ = false;
    open_ = nullptr;
    frame_ = nullptr;
    close_ = nullptr;
    lumaSize_ = chromaSize_ = 0;
    return module_.open(path) ? DgdecodeResult::Ok : DgdecodeResult::NotLoaded;
}

DgdecodeResult DgdecodeLibrary::release() {
    closeStream();
    resolved_ = false;
    lumaSize_ = chromaSize_ = 0;
    module_.close();
    return DgdecodeResult::Ok;
}

DgdecodeResult DgdecodeLibrary::openProject(const std::string& path, StreamProperties& out) {
    if (!module_.isOpen()) return DgdecodeResult::NotLoaded;
    if (!resolved_) {
        module_.resolve(dgdecode::kOpenExport, open_);
        module_.resolve(dgdecode::kFrameExport, frame_);
        module_.resolve(dgdecode::kCloseExport, close_);
        if (!open_ || !frame_ || !close_) return DgdecodeResult::MissingExport;
        resolved_ = true;
    }
    lumaSize_ = chromaSize_ = 0;
    info_ = open_(path.c_str());
    if (!info_) return DgdecodeResult::CannotOpen;

    out.width = info_->width;
    out.height = info_->height;
    out.rateNumerator = info_->rateNumerator;
    out.rateDenominator = info_->rateDenominator;
    out.frameCount = info_->frameCount;
    out.pixelType = info_->pixelType;
    out.colourFormat = dgdecode::colourFormatOf(out.pixelType);

    // Negative values are as unusable as zeros, and a frame must fit the shared planes.
    const long long pixels = static_cast<long long>(out.width) * out.height;
    if (out.width <= 0 || out.height <= 0 || out.frameCount <= 0 || out.rateNumerator <= 0 ||
        out.rateDenominator <= 0 || pixels > static_cast<long long>(FramePlanes::kLumaCapacity)) {
        info_ = nullptr;
        return DgdecodeResult::NoSpecifications;
    }
    if (out.colourFormat == ColourFormat::None) {
        info_ = nullptr;
        return DgdecodeResult::NoYv12OrYuy2;
    }
    lumaSize_ = static_cast<std::size_t>(pixels);
    chromaSize_ = out.colourFormat == ColourFormat::Planar420 ? lumaSize_ / 4 : lumaSize_ / 2;
    vFirst_ =
        (static_cast<std::uint32_t>(out.pixelType) & dgdecode::kPixelTypeYv12) == dgdecode::kPixelTypeYv12 &&
        out.colourFormat == ColourFormat::Planar420;
    return DgdecodeResult::Ok;
}

bool DgdecodeLibrary::setDecodeThreads(int threads) const {
    dgdecode::ThreadsFn set = nullptr;
    if (!module_.isOpen() || !module_.resolve(dgdecode::kThreadsExport, set)) return false;
    set(threads);
    return true;
}

bool DgdecodeLibrary::getDgdecodeFrame(int n, std::uint8_t* p1, std::uint8_t* p2, std::uint8_t* p3) const {
    if (!module_.isOpen() || !frame_ || lumaSize_ == 0) return false;
    const std::uint8_t* src = frame_(n);
    if (!src) return false;
    std::memcpy(p1, src, lumaSize_);
    std::memcpy(p2, src + lumaSize_, chromaSize_);
    std::memcpy(p3, src + lumaSize_ + chromaSize_, chromaSize_);
    return true;
}

} // namespace mivo
