#include "platform/frame_server.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string_view>
#include <utility>

namespace mivo::platform {

namespace {
struct Override {
    std::mutex lock;
    std::optional<std::string> library;
};
Override& frameServerOverride() {
    static Override o;
    return o;
}

constexpr std::string_view kLibraryName = "libavisynth.so";

// The numbers of a version written after the suffix ("3.7.5"); empty when the text is not one.
std::vector<unsigned long> versionNumbers(std::string_view text) {
    std::vector<unsigned long> numbers;
    while (true) {
        const std::size_t dot = text.find('.');
        const std::string_view part = text.substr(0, dot);
        if (part.empty() || part.size() > 9 || part.find_first_not_of("0123456789") != std::string_view::npos)
            return {};
        numbers.push_back(std::stoul(std::string(part)));
        if (dot == std::string_view::npos) return numbers;
        text.remove_prefix(dot + 1);
    }
}

} // namespace

std::vector<std::string> frameServerFilesIn(const std::string& folder) {
    std::vector<std::pair<std::vector<unsigned long>, std::string>> versioned;
    bool plain = false;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!name.starts_with(kLibraryName)) continue;
        if (name.size() == kLibraryName.size()) {
            plain = true;
        } else if (name[kLibraryName.size()] == '.') {
            std::vector<unsigned long> numbers =
                versionNumbers(std::string_view(name).substr(kLibraryName.size() + 1));
            if (!numbers.empty()) versioned.emplace_back(std::move(numbers), name);
        }
    }
    // Newest first; of one version, the longer name is the more exact (3.7.5 before 3.7 before 3).
    std::sort(versioned.begin(), versioned.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    std::vector<std::string> files;
    if (plain) files.push_back(folder + std::string(kLibraryName));
    for (const auto& v : versioned)
        files.push_back(folder + v.second);
    return files;
}

void setFrameServerLibrary(std::optional<std::string> library) {
    Override& o = frameServerOverride();
    const std::lock_guard<std::mutex> guard(o.lock);
    o.library = std::move(library);
}

std::optional<std::string> frameServerLibraryName() {
    std::optional<std::string> chosen;
    {
        Override& o = frameServerOverride();
        const std::lock_guard<std::mutex> guard(o.lock);
        chosen = o.library;
    }
    if (!chosen)
        if (const char* variable = std::getenv(kFrameServerVariable); variable && *variable)
            chosen = variable;
    if (chosen) return *chosen == "none" ? std::nullopt : chosen;
    return searchFrameServerLibrary();
}

std::optional<std::string> frameServerVersionFromName(const std::string& libraryPath) {
    std::error_code ec;
    const std::filesystem::path real = std::filesystem::canonical(libraryPath, ec);
    const std::string name = (ec ? std::filesystem::path(libraryPath) : real).filename().string();
    // The digits and dots after the shared-object suffix: "libavisynth.so.3.7.3".
    const std::size_t at = name.find(".so.");
    if (at == std::string::npos) return std::nullopt;
    const std::string version = name.substr(at + 4);
    if (version.empty() || version.find_first_not_of("0123456789.") != std::string::npos) return std::nullopt;
    return version;
}

} // namespace mivo::platform
