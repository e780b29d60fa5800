#pragma once
// The C interface between the encoder back end and its progress window. The window is a library of its
// own in the program folder (it alone links Qt Widgets), loaded at run time; the back end goes without a
// window, printing progress lines instead, when the library or Qt cannot be loaded. Plain C types only,
// so the two sides share no C++ object layout.

#include <cstddef>
#include <cstdint>

extern "C" {

// The encode as it stands, as the window shows it.
struct MivoProgressState {
    int pass, frame, frames; // frames done of this pass, of frames
    int finished, ok;
    const char* status;           // pass, frame, frames a second, time left, average bitrate: one line
    const char* message;          // the last line of the log, or the failure
    std::uint64_t previewSerial;  // changes whenever the preview picture does
    int width, height, chroma422; // of the preview picture
};

// What the window reads, from its own thread; the texts and the picture stay valid until the next call
// of the same function.
struct MivoProgressFeed {
    void* context;
    // Starts the encode on a thread of its own; called once, when the window stands (Qt has set up its
    // environment by then, so the encode never reads the environment while it is being written).
    void (*start)(void* context);
    void (*state)(void* context, MivoProgressState* out);
    // The last preview picture, Y then Cb then Cr; null when there is none yet.
    const std::uint8_t* (*preview)(void* context, std::size_t* bytes);
    void (*cancel)(void* context);
};

// Shows the window until it closes: not before the feed says finished, then after waitSeconds, or, after
// a failure, when the user closes it. Runs on the thread that calls it; the encode runs on the thread
// `start` makes.
using MivoProgressWindowRunFn = void (*)(const MivoProgressFeed* feed, int preview, int waitSeconds);
// The interface version the library was built with; a library of another version is not used.
using MivoProgressWindowVersionFn = int (*)();
}

namespace mivo::encoder {

inline constexpr const char* kProgressWindowLibrary = "libmivo_progress_window.so";
inline constexpr const char* kProgressWindowRunExport = "mivo_progress_window_run";
inline constexpr const char* kProgressWindowVersionExport = "mivo_progress_window_version";
inline constexpr int kProgressWindowVersion = 1;

} // namespace mivo::encoder
