#pragma once
// Our own declarations of the part of the frame server's C interface that the program and its encoder
// back end call, and that the frame-server double of the tests implements (Avisynth 2.6 and AviSynth+
// export it from avisynth.dll and libavisynth.so). The library is loaded at run time, so only types,
// constants and the function-pointer shapes are declared; no frame-server header is used.

#include <cstddef>
#include <cstdint>

namespace mivo::avs {

// The C interface's calling convention: stdcall on 32-bit Windows, the platform's C convention elsewhere.
#if defined(_WIN32) && !defined(_WIN64)
#define MIVO_AVSC_CC __stdcall
#else
#define MIVO_AVSC_CC
#endif

// Asked for when the environment is created. Every Avisynth 2.6 and AviSynth+ release accepts 3 (AviSynth+
// raises anything below 6 to 6); a version above what the library was built for makes AviSynth+ hand back
// an environment wrapper without an environment and without an error text, and the next call crashes.
inline constexpr int kInterfaceVersion = 3;

struct ScriptEnvironment; // opaque
struct Clip;              // opaque
struct VideoFrame;        // opaque: read only through the plane accessors, its fields differ by release

// A script value: a 16-bit type code holding an ASCII letter, an array size, then a pointer-sized union.
struct Value {
    short type;
    short arraySize;
    union {
        void* clip;
        char boolean;
        int integer;
        float floatingPoint;
        const char* string;
        const Value* array;
    } d;
};
static_assert(sizeof(void*) != 8 || (sizeof(Value) == 16 && offsetof(Value, d) == 8));
static_assert(sizeof(void*) != 4 || (sizeof(Value) == 8 && offsetof(Value, d) == 4));

inline constexpr short kTypeVoid = 'v';
inline constexpr short kTypeClip = 'c';
inline constexpr short kTypeBool = 'b';
inline constexpr short kTypeInt = 'i';
inline constexpr short kTypeFloat = 'f';
inline constexpr short kTypeString = 's';
inline constexpr short kTypeArray = 'a';
inline constexpr short kTypeError = 'e';

// The clip's video (and audio) description.
struct VideoInfo {
    int width; // 0: the clip has no video
    int height;
    unsigned fpsNumerator;
    unsigned fpsDenominator;
    int numFrames;
    int pixelType;
    int audioSamplesPerSecond;
    int sampleType;
    std::int64_t numAudioSamples;
    int nchannels;
    int imageType;
};
static_assert(sizeof(VideoInfo) == 48 && offsetof(VideoInfo, pixelType) == 20 &&
              offsetof(VideoInfo, numAudioSamples) == 32);

// Pixel type codes as the library reports them (stored in a signed int).
inline constexpr std::uint32_t kCsPlanar = 1u << 31;
inline constexpr std::uint32_t kCsInterleaved = 1u << 30;
inline constexpr std::uint32_t kCsYuv = 1u << 29;
inline constexpr std::uint32_t kCsBgr = 1u << 28;
inline constexpr std::uint32_t kCsYv12 = 0xA0000008u;
inline constexpr std::uint32_t kCsI420 = 0xA0000010u;
inline constexpr std::uint32_t kCsYuy2 = 0x60000004u;
inline constexpr std::uint32_t kCsBgr24 = 0x50000001u;
inline constexpr std::uint32_t kCsBgr32 = 0x50000002u;
inline constexpr std::uint32_t kCsYv16 = 0xA0000308u;
inline constexpr std::uint32_t kCsYv24 = 0xA000030Bu;
inline constexpr std::uint32_t kCsYuv420P10 = 0xA0050008u;
// Sub-width, sub-height and sample-size fields of planar codes (bits 0, 8 and 16, three bits each): all
// zero for 8-bit 4:2:0.
inline constexpr std::uint32_t kCsShapeFields = 0x00070707u;

// Plane selectors of the frame accessors.
inline constexpr int kPlaneDefault = 0; // the only plane of packed formats
inline constexpr int kPlaneY = 1;
inline constexpr int kPlaneU = 2;
inline constexpr int kPlaneV = 4;

extern "C" {
using CreateScriptEnvironmentFn = ScriptEnvironment*(MIVO_AVSC_CC*)(int version);
using DeleteScriptEnvironmentFn = void(MIVO_AVSC_CC*)(ScriptEnvironment*);
using GetErrorFn = const char*(MIVO_AVSC_CC*)(ScriptEnvironment*);
using SetMemoryMaxFn = int(MIVO_AVSC_CC*)(ScriptEnvironment*, int megabytes);
using InvokeFn = Value(MIVO_AVSC_CC*)(ScriptEnvironment*, const char* name, Value args,
                                      const char** argNames);
using TakeClipFn = Clip*(MIVO_AVSC_CC*)(Value, ScriptEnvironment*);
using ReleaseValueFn = void(MIVO_AVSC_CC*)(Value);
using GetVideoInfoFn = const VideoInfo*(MIVO_AVSC_CC*)(Clip*);
using GetFrameFn = VideoFrame*(MIVO_AVSC_CC*)(Clip*, int n);
using ClipGetErrorFn = const char*(MIVO_AVSC_CC*)(Clip*);
using ReleaseVideoFrameFn = void(MIVO_AVSC_CC*)(VideoFrame*);
using ReleaseClipFn = void(MIVO_AVSC_CC*)(Clip*);
using GetReadPtrFn = const std::uint8_t*(MIVO_AVSC_CC*)(const VideoFrame*, int plane);
using GetPlaneIntFn = int(MIVO_AVSC_CC*)(const VideoFrame*, int plane);
}

// The exports looked up by name once the library is loaded.
struct Functions {
    CreateScriptEnvironmentFn createScriptEnvironment = nullptr; // "avs_create_script_environment"
    DeleteScriptEnvironmentFn deleteScriptEnvironment = nullptr; // "avs_delete_script_environment"
    GetErrorFn getError = nullptr;                               // "avs_get_error" (optional)
    SetMemoryMaxFn setMemoryMax = nullptr;                       // "avs_set_memory_max"
    InvokeFn invoke = nullptr;                                   // "avs_invoke"
    TakeClipFn takeClip = nullptr;                               // "avs_take_clip"
    ReleaseValueFn releaseValue = nullptr;                       // "avs_release_value"
    GetVideoInfoFn getVideoInfo = nullptr;                       // "avs_get_video_info"
    GetFrameFn getFrame = nullptr;                               // "avs_get_frame"
    ClipGetErrorFn clipGetError = nullptr;                       // "avs_clip_get_error" (optional)
    ReleaseVideoFrameFn releaseVideoFrame = nullptr;             // "avs_release_video_frame"
    ReleaseClipFn releaseClip = nullptr;                         // "avs_release_clip"
    GetReadPtrFn getReadPtr = nullptr;                           // "avs_get_read_ptr_p"
    GetPlaneIntFn getPitch = nullptr;                            // "avs_get_pitch_p"
    GetPlaneIntFn getRowSize = nullptr;                          // "avs_get_row_size_p"
    GetPlaneIntFn getHeight = nullptr;                           // "avs_get_height_p"
};

} // namespace mivo::avs
