#pragma once
// The audio a DVD title gets from its source, and the tools the disc steps run. The window shows what
// will happen to the audio before anything is encoded; the back end does it after the encode. Both read
// the track and decide alike from here, and both look for the same tools.

#include <optional>
#include <string>
#include <vector>

namespace mivo::disc {

enum class AudioCodec { Ac3, Mp2, Lpcm, Other };

struct AudioFacts {
    AudioCodec codec = AudioCodec::Other;
    int sampleRate = 0;
    int channels = 0;
    double startSeconds = 0.0; // the track's first time stamp, in the file's time line
    std::string codecName;     // as the log and the window name it ("mp2", "aac", ...)
};

// How the track gets onto the disc.
struct AudioPlan {
    bool copy = false;     // false: encoded to AC-3 at 48 kHz
    int bitrateKbps = 0;   // when encoded
    int channels = 0;      // when encoded: 2, or 6 for more than two source channels
    std::string extension; // of the elementary stream the multiplexer reads: "ac3" or "mp2"
    std::string reason;    // for the log: why it is converted
};
// AC-3 at 48 kHz is copied, MPEG-1 layer II at 48 kHz too on a PAL disc; NTSC discs must carry AC-3 or
// LPCM, and the multiplexer takes LPCM only in a raw form of its own, so everything else becomes AC-3.
AudioPlan planAudio(const AudioFacts& audio, bool pal);

// One line for the window: what the disc does with the track ("mp2 48 kHz 2 ch: converted to AC-3
// 192 kbit/s, an NTSC disc ...").
std::string audioPlanText(const AudioFacts& audio, const AudioPlan& plan);

// What a file holds for the disc: its audio track `track` (from 1), the time stamps the cut goes by, the
// track's language.
struct AudioProbe {
    bool hasAudio = false;
    AudioFacts audio;
    double videoStart = 0.0; // the first video time stamp, or the file's start without video
    double fileStart = 0.0;
    std::string language; // two letters, or empty
    int audioTracks = 0;  // how many the file has
};
// `url` is a file, or FFmpeg's "concat:a|b" of a D2V project's files. False with the reason when the
// input cannot be read or has no such track (a missing first track is no error: no audio).
bool probeAudio(const std::string& url, int track, AudioProbe& probe, std::string& error);

// The files of a D2V project, relative names taken from the project's folder; empty when it is none.
std::vector<std::string> d2vSourceFiles(const std::string& project);

// The source's files that carry its audio, as one input for probeAudio and the audio tool.
std::string audioInput(const std::vector<std::string>& sourceFiles);

// The tools the disc steps start and the Debian package of each.
struct DiscTool {
    const char* program;
    const char* package;
};
// Those a disc needs: the audio tool only when there is audio to cut (the back end writes the image).
std::vector<DiscTool> discTools(bool audio);
// The first of them not found on PATH, as the message that names its package.
std::optional<std::string> missingDiscTool(bool audio);

} // namespace mivo::disc
