// The entry points of a D2V decoder library: the three every such library has, and the thread count this
// one takes besides. A loaded instance serves one project at a time; calls are serialised all the same.
// The front-end's scene-change scan loads an instance of its own.

#include "d2v_source.h"

#include "base/dgdecode_interface.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <type_traits>

#ifndef _WIN32
#include <dlfcn.h>
#endif

extern "C" {
#include <libavcodec/avcodec.h>
}

#define MIVO_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

struct Library {
    std::mutex lock;
    std::unique_ptr<mivo::mpeg2::D2vSource> source;
    int threads = 1; // for the projects opened next
};

Library& library() {
    static Library instance;
    return instance;
}

// The front-end unloads the library whenever it changes projects. libavcodec would go with it, and some
// of the many libraries it loads allocate at load time and never free: unloaded, those blocks are lost
// to the process (and reported as leaks). libavcodec stays resident instead; this library itself still
// unloads and frees everything it allocated.
void keepCodecLibraryLoaded() {
#ifndef _WIN32
    static const bool pinned = [] {
        Dl_info info;
        const auto address = reinterpret_cast<void*>(reinterpret_cast<std::uintptr_t>(&avcodec_version));
        return dladdr(address, &info) && info.dli_fname &&
               dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE) != nullptr;
    }();
    (void)pinned;
#endif
}

} // namespace

// Opens a project (closing the one open before); the stream description, or null when the project
// cannot be opened. The description stays valid until the next open or close.
MIVO_EXPORT const mivo::dgdecode::StreamInfo* openMPEG2Source(const char* path) {
    Library& lib = library();
    std::lock_guard<std::mutex> guard(lib.lock);
    keepCodecLibraryLoaded();
    lib.source.reset();
    if (!path) return nullptr;
    std::string error;
    lib.source = mivo::mpeg2::D2vSource::open(path, error, lib.threads);
    if (!lib.source) {
        std::fprintf(stderr, "mpeg2dec: %s: %s\n", path, error.c_str());
        return nullptr;
    }
    return &lib.source->info();
}

// Frame n of the open project (clamped to its frames), or null when none is open.
MIVO_EXPORT const std::uint8_t* getFrame(int n) {
    Library& lib = library();
    std::lock_guard<std::mutex> guard(lib.lock);
    return lib.source ? lib.source->frame(n) : nullptr;
}

// The scene-change scan reads every frame in order and is bound by decoding: it asks for more threads.
MIVO_EXPORT void setDecodeThreads(int threads) {
    Library& lib = library();
    std::lock_guard<std::mutex> guard(lib.lock);
    lib.threads = threads > 1 ? threads : 1;
}

MIVO_EXPORT void closeVideo() {
    Library& lib = library();
    std::lock_guard<std::mutex> guard(lib.lock);
    lib.source.reset();
}

static_assert(std::is_same_v<decltype(&openMPEG2Source), mivo::dgdecode::OpenFn> &&
              std::is_same_v<decltype(&getFrame), mivo::dgdecode::FrameFn> &&
              std::is_same_v<decltype(&closeVideo), mivo::dgdecode::CloseFn> &&
              std::is_same_v<decltype(&setDecodeThreads), mivo::dgdecode::ThreadsFn>);
