#pragma once
// The steps after a successful encode: the audio cut to the encoded range, the DVD program stream with
// its navigation packs, the DVD-Video folder and its image. Everything is built in a work folder inside
// the DVD folder and renamed into place at the end, so a failing step leaves no VIDEO_TS and no image.

#include "disc_plan.h"
#include "sources/disc_audio.h"

#include <functional>
#include <string>
#include <vector>

namespace mivo::encoder::disc {

using DiscLog = std::function<void(const std::string&)>;

struct DiscSources {
    std::string video;                    // the encoded .m2v
    std::vector<std::string> sourceFiles; // the source's own files with its audio (a D2V project's list)
    bool sourceVideoTimed = false;        // the source files carry the video too, and its time stamps
};

using mivo::disc::d2vSourceFiles;

// What can be known before the encode, so that a disc that cannot be made costs no encode: the audio
// file and track, the tools (a missing one named with its Debian package), a DVD folder and an image
// that can be written. False with the reason.
bool checkDisc(const DiscRequest& request, const DiscSources& sources, std::string& error);

// Builds what `request` asks for. False with the reason (a missing tool names its Debian package).
bool makeDisc(const DiscRequest& request, const TitleFacts& title, const DiscSources& sources,
              const DiscLog& log, std::string& error);

} // namespace mivo::encoder::disc
