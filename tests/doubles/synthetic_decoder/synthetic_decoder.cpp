// The synthetic decoder library: a stand-in for a DGDecode library in tests. It reads the D2V project
// it is given (any format version the front-end accepts), takes the first video file the project lists
// as a synthetic source description and decodes that instead of MPEG-2 video.
//
// Built twice: with closeVideo, and without it (MIVO_NO_CLOSE_EXPORT) for the front-end's refusal of a
// library that lacks an export.

#include "synthetic_description.h"

#include "base/d2v_header.h"
#include "base/dgdecode_interface.h"
#include "base/paths.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#if defined(_WIN32)
#define MIVO_EXPORT extern "C" __declspec(dllexport)
#else
#define MIVO_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

// Larger frames are described but never decoded (the front-end refuses them before any fetch).
constexpr std::size_t kMaxFrameBytes = 64u << 20;

struct Stream {
    mivo::doubles::SyntheticSource description;
    mivo::dgdecode::StreamInfo info{};
    std::vector<std::uint8_t> frame;
};

std::optional<Stream>& stream() {
    static std::optional<Stream> s;
    return s;
}

bool regularFile(const std::string& p) {
    std::error_code ec;
    return std::filesystem::is_regular_file(p, ec);
}

// The first listed file of a project, read and resolved the way the front-end's check does both.
std::string firstListedFile(const char* projectPath) {
    std::ifstream project(projectPath, std::ios::binary);
    if (!project) return {};
    const mivo::D2vHeader header = mivo::readD2vHeader(project);
    if (header.fault != mivo::D2vHeaderFault::None) return {};
    return mivo::resolveListedPath(header.files.front(), projectPath, regularFile);
}

} // namespace

MIVO_EXPORT const mivo::dgdecode::StreamInfo* openMPEG2Source(const char* path) {
    stream().reset();
    if (!path) return nullptr;
    const std::string source = firstListedFile(path);
    if (source.empty()) return nullptr;
    std::ifstream in(source, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Stream s;
    std::string why;
    int line = 0;
    if (!in || !mivo::doubles::parseSyntheticSource(text, s.description, why, line)) return nullptr;
    const auto& d = s.description;
    s.info.width = d.width;
    s.info.height = d.height;
    s.info.rateNumerator = static_cast<std::int32_t>(d.rateNumerator);
    s.info.rateDenominator = static_cast<std::int32_t>(d.rateDenominator);
    s.info.frameCount = d.frames;
    s.info.pixelType = mivo::doubles::syntheticPixelType(d.pixel);
    // The front-end copies width x height luma bytes and two blocks of a quarter of that, which for odd
    // sizes is a little more than the planes hold: the buffer covers both.
    const std::size_t pixels = static_cast<std::size_t>(d.width) * static_cast<std::size_t>(d.height);
    const std::size_t bytes = std::max(mivo::doubles::syntheticFrameBytes(d), pixels + 2 * (pixels / 4));
    if (bytes > 0 && bytes <= kMaxFrameBytes) s.frame.assign(bytes, 0);
    stream() = std::move(s);
    return &stream()->info;
}

MIVO_EXPORT const std::uint8_t* getFrame(int n) {
    auto& s = stream();
    if (!s || s->frame.empty() || s->description.frames <= 0) return nullptr;
    // Requests beyond the ends get the nearest frame, as decoders of this family do.
    if (n < 0) n = 0;
    if (n >= s->description.frames) n = s->description.frames - 1;
    if (s->description.slowMs > 0 && n >= s->description.slowFrom)
        std::this_thread::sleep_for(std::chrono::milliseconds(s->description.slowMs));
    if (s->description.frameErrorFrom >= 0 && n >= s->description.frameErrorFrom) return nullptr;
    mivo::doubles::renderSyntheticFrame(s->description, n, s->frame.data());
    return s->frame.data();
}

#if !defined(MIVO_NO_CLOSE_EXPORT)
MIVO_EXPORT void closeVideo() {
    stream().reset();
}
static_assert(std::is_same_v<decltype(&closeVideo), mivo::dgdecode::CloseFn>);
#endif
static_assert(std::is_same_v<decltype(&openMPEG2Source), mivo::dgdecode::OpenFn> &&
              std::is_same_v<decltype(&getFrame), mivo::dgdecode::FrameFn>);
