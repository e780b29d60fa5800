// The frame-server double: a shared library that exports the frame server's C functions the program
// calls, and serves the synthetic source description written in the imported script. It keeps counts of
// what is alive so tests can see leaks and misuse, and, when MIVO_AVISYNTH_DOUBLE_LOG names a file, appends
// one line per event there: "load", "create_environment VERSION", "import PATH", "release_clip",
// "delete_environment", "unload". Pointed at the encoder double's log, it shows the release before and
// the reload after an encode in order.

#include "sources/avisynth_api.h"
#include "synthetic_description.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#define MIVO_EXPORT extern "C" __attribute__((visibility("default")))

namespace mivo_avs_double {
struct Clip;
}

// The double's own shapes of the objects the interface keeps opaque to the program.
namespace mivo::avs {

struct ScriptEnvironment {
    bool usable = true;
    std::string error; // text of the last error value, kept until the next call
    std::atomic<int> clips{0};
};

// What avs_take_clip hands out: a handle holding one reference to a clip.
struct Clip {
    mivo_avs_double::Clip* clip = nullptr;
    std::string error;
};

struct VideoFrame {
    std::vector<std::uint8_t> data;
    const std::uint8_t* ptr[3] = {nullptr, nullptr, nullptr};
    int pitch[3] = {0, 0, 0};
    int row[3] = {0, 0, 0};
    int height[3] = {0, 0, 0};
};

} // namespace mivo::avs

namespace mivo_avs_double {

using mivo::doubles::SyntheticPixel;
using mivo::doubles::syntheticSample;
using mivo::doubles::SyntheticSource;

namespace avs = mivo::avs;
using avs::Value;
using avs::VideoInfo;
using Environment = avs::ScriptEnvironment;
using ClipHandle = avs::Clip;
using Frame = avs::VideoFrame;

// The newest interface version the double claims to be built for; above it the real library hands back
// a wrapper without an environment.
constexpr int kNewestInterface = 12;

struct Counts {
    std::atomic<int> environments{0};
    std::atomic<int> clips{0};       // clip objects alive
    std::atomic<int> clipHandles{0}; // handles from avs_take_clip alive
    std::atomic<int> frames{0};
    std::atomic<int> misuse{0};
    std::atomic<int> lastVersion{-1};
    std::atomic<int> memoryMaxCalls{0};
    std::atomic<int> imports{0};
    std::atomic<int> framesServed{0};
};
Counts counts;

void logEvent(const std::string& line) {
    static std::mutex lock;
    const char* path = std::getenv("MIVO_AVISYNTH_DOUBLE_LOG");
    if (!path || !*path) return;
    const std::lock_guard<std::mutex> guard(lock);
    std::ofstream out(path, std::ios::app);
    out << line << '\n';
}

struct LoadLogger {
    LoadLogger() { logEvent("load"); }
    ~LoadLogger() { logEvent("unload"); }
} loadLogger;

struct Clip {
    std::atomic<int> refs{1};
    Environment* env = nullptr;
    VideoInfo vi{};
    SyntheticSource source;
};

void unref(Clip* c) {
    if (c->refs.fetch_sub(1) == 1) {
        c->env->clips.fetch_sub(1);
        counts.clips.fetch_sub(1);
        delete c;
    }
}

// Lines are padded well past their row, so a copy that ignores the pitch shows.
int paddedPitch(int row) {
    return (row + 16 + 63) / 64 * 64;
}
constexpr std::uint8_t kPadding = 0xEE;

int pixelTypeOf(SyntheticPixel p) {
    return mivo::doubles::syntheticPixelType(p);
}

Frame* makeFrame(const Clip& clip, int n) {
    const SyntheticSource& s = clip.source;
    const int w = clip.vi.width, h = clip.vi.height;
    auto* f = new Frame;
    if (s.pixel == SyntheticPixel::Yv12 || s.pixel == SyntheticPixel::I420) {
        const int cw = w / 2, ch = h / 2;
        const int yp = paddedPitch(w), cp = paddedPitch(cw);
        f->data.assign(static_cast<std::size_t>(yp) * h + 2 * static_cast<std::size_t>(cp) * ch, kPadding);
        std::uint8_t* y = f->data.data();
        std::uint8_t* first = y + static_cast<std::size_t>(yp) * h;
        std::uint8_t* second = first + static_cast<std::size_t>(cp) * ch;
        // YV12 keeps V before U in memory, I420 U before V: only the accessors tell which is where.
        std::uint8_t* u = s.pixel == SyntheticPixel::Yv12 ? second : first;
        std::uint8_t* v = s.pixel == SyntheticPixel::Yv12 ? first : second;
        for (int r = 0; r < h; ++r)
            for (int x = 0; x < w; ++x)
                y[static_cast<std::size_t>(r) * yp + x] = syntheticSample(s, n, 0, x, r);
        for (int r = 0; r < ch; ++r)
            for (int x = 0; x < cw; ++x) {
                u[static_cast<std::size_t>(r) * cp + x] = syntheticSample(s, n, 1, x, r);
                v[static_cast<std::size_t>(r) * cp + x] = syntheticSample(s, n, 2, x, r);
            }
        f->ptr[0] = y, f->ptr[1] = u, f->ptr[2] = v;
        f->pitch[0] = yp, f->pitch[1] = f->pitch[2] = cp;
        f->row[0] = w, f->row[1] = f->row[2] = cw;
        f->height[0] = h, f->height[1] = f->height[2] = ch;
    } else if (s.pixel == SyntheticPixel::Yuy2) {
        const int row = 2 * w, pitch = paddedPitch(row);
        f->data.assign(static_cast<std::size_t>(pitch) * h, kPadding);
        for (int r = 0; r < h; ++r) {
            std::uint8_t* line = f->data.data() + static_cast<std::size_t>(r) * pitch;
            for (int x = 0; x + 1 < w; x += 2) {
                line[2 * x] = syntheticSample(s, n, 0, x, r);
                line[2 * x + 1] = syntheticSample(s, n, 1, x / 2, r);
                line[2 * x + 2] = syntheticSample(s, n, 0, x + 1, r);
                line[2 * x + 3] = syntheticSample(s, n, 2, x / 2, r);
            }
        }
        f->ptr[0] = f->data.data();
        f->pitch[0] = pitch, f->row[0] = row, f->height[0] = h;
    } else {
        // RGB24, bottom-up like the real library's packed RGB: a grey picture from the Y samples.
        const int row = 3 * w, pitch = paddedPitch(row);
        f->data.assign(static_cast<std::size_t>(pitch) * h, kPadding);
        for (int r = 0; r < h; ++r) {
            std::uint8_t* line = f->data.data() + static_cast<std::size_t>(h - 1 - r) * pitch;
            for (int x = 0; x < w; ++x)
                std::memset(line + 3 * x, syntheticSample(s, n, 0, x, r), 3);
        }
        f->ptr[0] = f->data.data();
        f->pitch[0] = pitch, f->row[0] = row, f->height[0] = h;
    }
    // Packed frames answer for U and V with the first plane's pointer and zero sizes.
    if (!f->pitch[1]) f->ptr[1] = f->ptr[2] = f->ptr[0];
    return f;
}

int planeIndex(int plane) {
    switch (plane & 7) {
    case avs::kPlaneU:
        return 1;
    case avs::kPlaneV:
        return 2;
    default:
        return 0;
    }
}

Value errorValue(Environment* env, std::string text) {
    env->error = std::move(text);
    Value v{};
    v.type = avs::kTypeError;
    v.d.string = env->error.c_str();
    return v;
}

Value import(Environment* env, const std::string& path) {
    counts.imports.fetch_add(1);
    logEvent("import " + path);
    std::ifstream in(path, std::ios::binary);
    if (!in) return errorValue(env, "Import: couldn't open \"" + path + "\"");
    std::ostringstream text;
    text << in.rdbuf();

    SyntheticSource source;
    std::string why;
    int line = 0;
    if (!mivo::doubles::parseSyntheticSource(text.str(), source, why, line))
        return errorValue(env,
                          "Script error: " + why + "\n(" + path + ", line " + std::to_string(line) + ")");
    if (source.error) return errorValue(env, *source.error);
    if (source.notAClip) {
        Value v{};
        v.type = avs::kTypeInt;
        v.d.integer = 42;
        return v;
    }

    auto* clip = new Clip;
    clip->env = env;
    clip->source = source;
    if (source.audioOnly) {
        clip->vi.audioSamplesPerSecond = 48000;
        clip->vi.sampleType = 2;
        clip->vi.nchannels = 2;
        clip->vi.numAudioSamples = 48000;
    } else {
        clip->vi.width = source.width;
        clip->vi.height = source.height;
        clip->vi.fpsNumerator = source.rateNumerator;
        clip->vi.fpsDenominator = source.rateDenominator;
        clip->vi.numFrames = source.frames;
        clip->vi.pixelType = pixelTypeOf(source.pixel);
    }
    env->clips.fetch_add(1);
    counts.clips.fetch_add(1);
    Value v{};
    v.type = avs::kTypeClip;
    v.d.clip = clip;
    return v;
}

} // namespace mivo_avs_double

using namespace mivo_avs_double;

// --- the frame server's C interface -----------------------------------------------------------------

MIVO_EXPORT Environment* avs_create_script_environment(int version) {
    counts.lastVersion.store(version);
    auto* env = new Environment;
    env->usable = version <= kNewestInterface;
    counts.environments.fetch_add(1);
    logEvent("create_environment " + std::to_string(version));
    return env;
}

MIVO_EXPORT const char* avs_get_error(Environment*) {
    return nullptr;
}

MIVO_EXPORT void avs_delete_script_environment(Environment* env) {
    if (!env) return;
    // Clips live inside their environment: one still held here would be left dangling.
    if (env->clips.load() != 0) counts.misuse.fetch_add(1);
    counts.environments.fetch_sub(1);
    logEvent("delete_environment");
    delete env;
}

MIVO_EXPORT int avs_set_memory_max(Environment* env, int megabytes) {
    counts.memoryMaxCalls.fetch_add(1);
    if (!env || !env->usable) return -1;
    return megabytes > 0 ? megabytes : 1024;
}

MIVO_EXPORT Value avs_invoke(Environment* env, const char* name, Value args, const char** argNames) {
    (void)argNames;
    if (!env->usable) {
        // The real library would crash here; the double counts it and refuses.
        counts.misuse.fetch_add(1);
        return errorValue(env, "no script environment");
    }
    if (name && std::strcmp(name, "VersionString") == 0) {
        // The double names itself the way AviSynth+ does.
        Value v{};
        v.type = avs::kTypeString;
        v.d.string = "AviSynth+ double 3.7.3 (r4003, test)";
        return v;
    }
    if (!name || std::strcmp(name, "Import") != 0) return errorValue(env, "Function Not Found");
    const Value* first = &args;
    if (args.type == avs::kTypeArray) first = args.arraySize > 0 ? args.d.array : nullptr;
    if (!first || first->type != avs::kTypeString || !first->d.string)
        return errorValue(env, "Script error: Invalid arguments to function 'Import'");
    return import(env, first->d.string);
}

MIVO_EXPORT ClipHandle* avs_take_clip(Value v, Environment*) {
    if (v.type != avs::kTypeClip || !v.d.clip) {
        counts.misuse.fetch_add(1);
        return nullptr;
    }
    auto* clip = static_cast<Clip*>(v.d.clip);
    clip->refs.fetch_add(1);
    counts.clipHandles.fetch_add(1);
    return new ClipHandle{clip, {}};
}

MIVO_EXPORT void avs_release_value(Value v) {
    if (v.type == avs::kTypeClip && v.d.clip) unref(static_cast<Clip*>(v.d.clip));
}

MIVO_EXPORT void avs_release_clip(ClipHandle* h) {
    if (!h) return;
    logEvent("release_clip");
    counts.clipHandles.fetch_sub(1);
    unref(h->clip);
    delete h;
}

MIVO_EXPORT const VideoInfo* avs_get_video_info(ClipHandle* h) {
    return &h->clip->vi;
}

MIVO_EXPORT int avs_get_version(ClipHandle*) {
    return 6;
}

MIVO_EXPORT const char* avs_clip_get_error(ClipHandle* h) {
    return h->error.empty() ? nullptr : h->error.c_str();
}

MIVO_EXPORT Frame* avs_get_frame(ClipHandle* h, int n) {
    const Clip& clip = *h->clip;
    h->error.clear();
    if (clip.vi.width == 0) return nullptr; // no video: no frame and no error text, as the real one
    // Past either end the real library answers with the first or last frame.
    if (n < 0) n = 0;
    if (n >= clip.vi.numFrames) n = clip.vi.numFrames > 0 ? clip.vi.numFrames - 1 : 0;
    if (clip.source.frameErrorFrom >= 0 && n >= clip.source.frameErrorFrom) {
        h->error = "frame " + std::to_string(n) + " cannot be produced";
        return nullptr;
    }
    counts.frames.fetch_add(1);
    counts.framesServed.fetch_add(1);
    return makeFrame(clip, n);
}

MIVO_EXPORT void avs_release_video_frame(Frame* f) {
    if (!f) return;
    counts.frames.fetch_sub(1);
    delete f;
}

MIVO_EXPORT const std::uint8_t* avs_get_read_ptr_p(const Frame* f, int plane) {
    return f->ptr[planeIndex(plane)];
}
MIVO_EXPORT int avs_get_pitch_p(const Frame* f, int plane) {
    return f->pitch[planeIndex(plane)];
}
MIVO_EXPORT int avs_get_row_size_p(const Frame* f, int plane) {
    return f->row[planeIndex(plane)];
}
MIVO_EXPORT int avs_get_height_p(const Frame* f, int plane) {
    return f->height[planeIndex(plane)];
}

// --- for tests: what is alive, what was asked ---------------------------------------------------------

struct MivoAvisynthDoubleCounts {
    int environments, clips, clipHandles, frames, misuse, lastVersion, memoryMaxCalls, imports, framesServed;
};

MIVO_EXPORT void mivo_avisynth_double_counts(MivoAvisynthDoubleCounts* out) {
    out->environments = counts.environments.load();
    out->clips = counts.clips.load();
    out->clipHandles = counts.clipHandles.load();
    out->frames = counts.frames.load();
    out->misuse = counts.misuse.load();
    out->lastVersion = counts.lastVersion.load();
    out->memoryMaxCalls = counts.memoryMaxCalls.load();
    out->imports = counts.imports.load();
    out->framesServed = counts.framesServed.load();
}

// The exports have the shapes the program calls them through.
static_assert(std::is_same_v<decltype(&avs_create_script_environment), avs::CreateScriptEnvironmentFn>);
static_assert(std::is_same_v<decltype(&avs_delete_script_environment), avs::DeleteScriptEnvironmentFn>);
static_assert(std::is_same_v<decltype(&avs_get_error), avs::GetErrorFn>);
static_assert(std::is_same_v<decltype(&avs_set_memory_max), avs::SetMemoryMaxFn>);
static_assert(std::is_same_v<decltype(&avs_invoke), avs::InvokeFn>);
static_assert(std::is_same_v<decltype(&avs_take_clip), avs::TakeClipFn>);
static_assert(std::is_same_v<decltype(&avs_release_value), avs::ReleaseValueFn>);
static_assert(std::is_same_v<decltype(&avs_get_video_info), avs::GetVideoInfoFn>);
static_assert(std::is_same_v<decltype(&avs_get_frame), avs::GetFrameFn>);
static_assert(std::is_same_v<decltype(&avs_clip_get_error), avs::ClipGetErrorFn>);
static_assert(std::is_same_v<decltype(&avs_release_video_frame), avs::ReleaseVideoFrameFn>);
static_assert(std::is_same_v<decltype(&avs_release_clip), avs::ReleaseClipFn>);
static_assert(std::is_same_v<decltype(&avs_get_read_ptr_p), avs::GetReadPtrFn>);
static_assert(std::is_same_v<decltype(&avs_get_pitch_p), avs::GetPlaneIntFn>);
static_assert(std::is_same_v<decltype(&avs_get_row_size_p), avs::GetPlaneIntFn>);
static_assert(std::is_same_v<decltype(&avs_get_height_p), avs::GetPlaneIntFn>);
