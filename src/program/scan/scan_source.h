#pragma once
// The scan thread's own way to the frames: a second instance of the open source, so that the thread
// never shares a decoder, a frame-server clip or a set of planes with the user-interface thread. A D2V
// project is opened through a private copy of its decoder library (a decoder library serves one
// project per loaded instance); a script gets its own frame-server environment; a video file gets a
// decoder of its own over the index the program kept. A scan that has to be
// abandoned keeps its instance to itself and closes it when it ends on its own.

#include "core/source_state.h"
#include "sources/avisynth_layer.h"
#include "sources/dgdecode_library.h"
#include "sources/frame_access.h"
#include "sources/frame_planes.h"

#include <memory>
#include <string>

namespace mivo {

namespace video {
class VideoFileSource;
}

struct ScanSourceSpec {
    SourceState state;            // the source as the program opened it
    std::string path;             // the D2V project or the script
    int cpuLevel = 0;             // the packed-to-planar and frame-server copies follow it
    int decodeThreads = 1;        // asked of a decoder library that can decode on more than one thread
    std::string videoIndexFolder; // where a video file's index is kept when not beside the file
};

class ScanSource {
  public:
    explicit ScanSource(ScanSourceSpec spec);
    ~ScanSource();
    ScanSource(const ScanSource&) = delete;
    ScanSource& operator=(const ScanSource&) = delete;

    // Opens the private instance; false when it cannot be had or does not describe the same frames.
    bool open();
    // Frame n into the planes of its parity: the frame before it stays where it was fetched, so the scan
    // compares the two without copying either.
    FetchResult fetch(int n) { return access_[n & 1].fetchFrame(n); }
    const FramePlanes& planes(int n) const { return *planes_[n & 1]; }

  private:
    bool openProject();
    bool openScript();
    bool openVideoFile();

    ScanSourceSpec spec_;
    std::unique_ptr<FramePlanes> planes_[2];
    DgdecodeLibrary dgdecode_;
    AvisynthLayer avisynth_;
    std::unique_ptr<video::VideoFileSource> video_;
    FrameAccess access_[2];
    std::string libraryCopy_;
};

} // namespace mivo
