#include "index_store.h"

#include "base/whole_file.h"

#include <chrono>
#include <cstdio>
#include <filesystem>

namespace mivo::video {

namespace fs = std::filesystem;

namespace {

constexpr const char* kIndexExtension = ".mvidx";

std::uint64_t pathHash(const std::string& text) {
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (unsigned char c : text) {
        h ^= c;
        h *= 0x100000001b3ull;
    }
    return h;
}

} // namespace

bool sourceFacts(const std::string& path, SourceFacts& facts) {
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    if (ec) return false;
    const auto time = fs::last_write_time(path, ec);
    if (ec) return false;
    facts.size = size;
    facts.time = std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count();
    return true;
}

std::string indexBeside(const std::string& source) {
    return source + kIndexExtension;
}

std::string indexInFolder(const std::string& folder, const std::string& source) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(source, ec);
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx",
                  static_cast<unsigned long long>(pathHash(ec ? source : absolute.string())));
    return (fs::path(folder) / (fs::path(source).filename().string() + "-" + hash + kIndexExtension))
        .string();
}

bool loadKeptIndex(const std::string& indexPath, const SourceFacts& facts, int stream,
                   std::uint32_t demuxerVersion, VideoIndex& index) {
    std::string bytes, error;
    if (!readWholeFile(indexPath, bytes)) return false;
    VideoIndex kept;
    if (!parseIndexFile(bytes, kept, error)) return false;
    const IndexHeader& h = kept.header();
    if (h.sourceSize != facts.size || h.sourceTime != facts.time || h.stream != stream ||
        h.demuxerVersion != demuxerVersion)
        return false;
    index = std::move(kept);
    return true;
}

std::string keepIndex(const std::string& source, const std::string& fallbackFolder, const VideoIndex& index) {
    const std::string bytes = formatIndexFile(index);
    const std::string beside = indexBeside(source);
    if (writeWholeFile(beside, bytes)) return beside;
    if (fallbackFolder.empty()) return {};
    std::error_code ec;
    fs::create_directories(fallbackFolder, ec);
    const std::string inFolder = indexInFolder(fallbackFolder, source);
    return writeWholeFile(inFolder, bytes) ? inFolder : std::string();
}

} // namespace mivo::video
