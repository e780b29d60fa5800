#include "platform/frame_server.h"
#include "platform/platform.h"

#include <dlfcn.h>
#include <link.h>

namespace mivo::platform {

namespace {

bool loads(const std::string& name) {
    void* handle = ::dlopen(name.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (handle) ::dlclose(handle);
    return handle != nullptr;
}

} // namespace

std::optional<std::string> searchFrameServerLibrary() {
    // The development link first; a package without it leaves only the versioned names, newest first.
    static constexpr int kNewestSoname = 15, kOldestSoname = 1;
    if (loads("libavisynth.so")) return std::string("libavisynth.so");
    for (int n = kNewestSoname; n >= kOldestSoname; --n) {
        const std::string versioned = "libavisynth.so." + std::to_string(n);
        if (loads(versioned)) return versioned;
    }
    return frameServerLibraryIn(programFolder());
}

std::optional<std::string> frameServerLibraryIn(const std::string& folder) {
    for (const std::string& file : frameServerFilesIn(folder))
        if (loads(file)) return file;
    return std::nullopt;
}

std::optional<std::string> frameServerLibraryPath() {
    const std::optional<std::string> name = frameServerLibraryName();
    if (!name) return std::nullopt;
    // Only the loader knows which file its search picks (LD_LIBRARY_PATH, its cache, the default
    // folders), so ask it: load lazily, read the path it used, let go again.
    void* handle = ::dlopen(name->c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (!handle) return std::nullopt;
    std::optional<std::string> path;
    struct link_map* map = nullptr;
    if (::dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name && map->l_name[0] != '\0')
        path = std::string(map->l_name);
    ::dlclose(handle);
    return path;
}

std::optional<std::string> frameServerInstallation() {
    const std::optional<std::string> path = frameServerLibraryPath();
    if (!path) return std::nullopt;
    const std::size_t slash = path->find_last_of('/');
    if (slash == std::string::npos) return std::string(".");
    if (slash == 0) return std::string("/");
    return path->substr(0, slash);
}

} // namespace mivo::platform
