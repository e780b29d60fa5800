#pragma once
// The decisions of the disc steps after an encode, kept apart from the tools that carry them out: what
// happens to the audio, where it is cut, which chapter times and which authoring file the title gets.

#include "sources/disc_audio.h"

#include <string>
#include <vector>

namespace mivo::encoder::disc {

// What the ini asks of the steps after the encode. No folder: no disc.
struct DiscRequest {
    std::string folder;    // the DVD-Video folder goes to folder/VIDEO_TS
    std::string image;     // empty: no image
    std::string audioFile; // empty: the source's own audio
    int audioTrack = 1;    // the source's audio track, from 1
};

// The encoded title as the disc sees it.
struct TitleFacts {
    int startFrame = 0;     // the first encoded source frame
    int frameCount = 0;     // encoded frames
    int rateNumerator = 25; // the coded frame rate
    int rateDenominator = 1;
    bool pulldown = false;     // 3:2 flags: the disc plays at 30000/1001 from a film-rate stream
    int aspectRatio = 2;       // the job's code: 2 4:3, 3 16:9, 4 2.21:1
    std::vector<int> chapters; // absolute source frames inside the range
};

// 25 fps discs are PAL, every other rate an encoder writes for a DVD is NTSC.
bool isPal(const TitleFacts& t);
// Seconds from the title's first frame to `frame`.
double secondsAt(const TitleFacts& t, int frame);
double titleSeconds(const TitleFacts& t);

// What happens to the audio is decided alike in the window and here.
using mivo::disc::AudioCodec;
using mivo::disc::AudioFacts;
using mivo::disc::AudioPlan;
using mivo::disc::planAudio;

// Where the encoded range lies in the audio's time line: `seek` seconds from the file's first time
// stamp, or, when the audio begins after the first frame, silence of `delay` seconds put before it.
struct AudioCut {
    double seek = 0.0;
    double delay = 0.0;
    double length = 0.0;
};
// `videoStart` is the time stamp of the source's frame 0 and `fileStart` the file's first time stamp;
// a separate audio file has both at its own start.
AudioCut cutAudio(const TitleFacts& t, const AudioFacts& audio, double videoStart, double fileStart);

// The length to ask of the audio tool for a title of `seconds`: whole audio frames that end before the
// title does (at most one audio frame, 24 or 32 ms, early), since audio running past the last picture
// lengthens the title by a picture. A copy keeps every frame that begins inside the length.
double audioLength(double seconds, const AudioPlan& plan);

// An ISO 9660 volume name from the output file's name: upper-case letters, digits and '_', at most 32.
std::string volumeLabel(const std::string& outputFile);

} // namespace mivo::encoder::disc
