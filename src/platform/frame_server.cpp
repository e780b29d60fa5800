#include "platform/frame_server.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>

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
} // namespace

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
