// The three entry points of a D2V decoder library. The library serves one project at a time; its
// clients (the front-end's preview and its scene-change scan thread) share it, so calls are serialised.

#include "d2v_source.h"

#include <cstdio>
#include <memory>
#include <mutex>

#define MIVO_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

struct Library {
    std::mutex lock;
    std::unique_ptr<mivo::mpeg2::D2vSource> source;
};

Library& library() {
    static Library instance;
    return instance;
}

} // namespace

// Opens a project (closing the one open before); the stream description, or null when the project
// cannot be opened. The description stays valid until the next open or close.
MIVO_EXPORT const void* openMPEG2Source(const char* path) {
    Library& lib = library();
    std::lock_guard<std::mutex> guard(lib.lock);
    lib.source.reset();
    if (!path) return nullptr;
    std::string error;
    lib.source = mivo::mpeg2::D2vSource::open(path, error);
    if (!lib.source) {
        std::fprintf(stderr, "mpeg2dec: %s: %s\n", path, error.c_str());
        return nullptr;
    }
    return &lib.source->info();
}

// Frame n of the open project (clamped to its frames), or null when none is open.
MIVO_EXPORT const unsigned char* getFrame(int n) {
    Library& lib = library();
    std::lock_guard<std::mutex> guard(lib.lock);
    return lib.source ? lib.source->frame(n) : nullptr;
}

MIVO_EXPORT void closeVideo() {
    Library& lib = library();
    std::lock_guard<std::mutex> guard(lib.lock);
    lib.source.reset();
}
