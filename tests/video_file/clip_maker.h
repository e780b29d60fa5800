#pragma once
// The fixture clips of the video-file tests and benchmarks, made by the ffmpeg program on first use and
// kept in the build tree, and FFmpeg's sequential decode of them as the reference.

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace mivo::test {

struct Clip {
    const char* name;     // file name in the cache folder
    const char* encode;   // ffmpeg arguments between the source and the output name
    const char* source;   // lavfi source
    const char* convert;  // filter FFmpeg's reference decode applies ("" for none); W/H/R filled in
    int cutPercent = 100; // the file is cut to this share of its bytes
    int startPercent = 0; // ... and begins this far into it (on a transport packet)
};

const std::vector<Clip>& fixtureClips();
inline void PrintTo(const Clip& clip, std::ostream* out) {
    *out << clip.name;
}
const Clip& clipNamed(const std::string& name);

// Path of the clip, made when missing. Throws std::runtime_error when ffmpeg fails.
std::string clipPath(const Clip& clip);
// Makes a clip from explicit arguments (benchmarks); kept under `name`.
std::string makeClip(const std::string& name, const std::string& arguments);

// FFmpeg's sequential decode of the clip's first video stream on one thread: every frame it shows, as
// planar 4:2:0 laid out Y, V, U (YV12), after `filter` ("" for none).
std::vector<std::vector<std::uint8_t>> referenceFrames(const std::string& path, const std::string& filter,
                                                       int width, int height);

// Runs a shell command; its exit status.
int run(const std::string& command);

} // namespace mivo::test
