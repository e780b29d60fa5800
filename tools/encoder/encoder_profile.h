#pragma once
// What "Fast", "Normal" and "Best" ask of libavcodec's MPEG-2 encoder. Measured on grainy natural
// sources at DVD bitrates, trellis quantisation is the one option that pays for its time (about 0.4 dB);
// rate-distortion macroblock decisions add a little more at twice the cost; the rate-control exponents
// and DC precision change next to nothing. A first pass only ranks the pictures for the rate control,
// so below "Best" it runs without the costly options.

#include <string>
#include <vector>

struct AVCodecContext;

namespace mivo::encoder {

inline constexpr int kProfileFast = 1;
inline constexpr int kProfileNormal = 2;
inline constexpr int kProfileBest = 4;

// The rate control's quantiser compression under every profile (libavcodec's qcomp): nearer to constant
// quantisers over the title than libavcodec's 0.5, so the error is spread where it costs least for the
// bits, at the price of the busiest scenes.
inline constexpr double kQuantiserCompression = 0.7;

struct CodecOption {
    const char* name;
    const char* value;
    bool operator==(const CodecOption&) const = default;
};

// The encoder's options for a profile (1 fast, 2 normal, 4 best; anything else is normal), for the
// analysis pass of two or for a pass that writes the stream.
std::vector<CodecOption> profileOptions(int profile, bool analysisPass);

// libavcodec's flags for interlaced coding under a profile: field or frame DCT chosen per macroblock
// always; the field motion search, which about doubles the search's time for a few hundredths of a dB,
// not under "Fast".
int interlacedCodingFlags(int profile);

// Sets those options on a context before it is opened. False, naming the option, when this libavcodec
// does not take one.
bool applyProfile(AVCodecContext* codec, int profile, bool analysisPass, std::string& error);

} // namespace mivo::encoder
