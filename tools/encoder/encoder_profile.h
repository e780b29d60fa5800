#pragma once
// What "Fast", "Normal" and "Best" ask of libavcodec's MPEG-2 encoder. Measured on natural sources at
// DVD bitrates, trellis quantisation gains the most for its time (0.2 to 0.9 dB); rate-distortion
// macroblock decisions add 0.1 to 0.3 dB at about the same cost again; the non-linear quantiser scale
// leaves the two-pass rate control short of its target, and the rate-control exponents and DC precision
// change next to nothing. The first pass predicts the bits the second spends, so it quantises and decides
// as the second does; only "Best" leaves its costliest decisions to the second pass.

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
