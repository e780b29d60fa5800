#include "platform/frame_server.h"

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
    {
        Override& o = frameServerOverride();
        const std::lock_guard<std::mutex> guard(o.lock);
        if (o.library) {
            if (*o.library == "none") return std::nullopt;
            return o.library;
        }
    }
#if defined(_WIN32)
    return std::string("avisynth.dll");
#else
    return std::string("libavisynth.so");
#endif
}

} // namespace mivo::platform
