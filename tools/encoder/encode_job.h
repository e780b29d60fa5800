#pragma once
// What one encoder run does, worked out from Mivo.ini before any frame is touched, and narrowed to the
// DVD limits once the source's size and rate are known.

#include "core/settings/settings.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace mivo::encoder {

// DVD-Video's ceiling for the video stream and its decoder buffer (MP@ML).
inline constexpr int kDvdMaxBitrateKbps = 9800;
inline constexpr int kDvdVbvBufferBits = 1835008;

enum class Scan { Progressive, Interlaced };

struct EncodeJob {
    std::string inputFile;
    std::string outputFile;
    std::string logFile; // empty: no log file

    bool frameRangeGiven = false;
    int startFrame = 0;
    int endFrame = -1;

    int bitrateKbps = 4000;
    int maxBitrateKbps = 8000;
    bool twoPass = true;
    bool constantQuant = false;
    float quantiser = 5.0f;

    int gopLength = 15;
    int bFrames = 2;
    bool closedGops = false;
    bool sceneChange = true;

    int dcPrecision = 9; // bits
    int aspectRatio = 3; // 1 1:1, 2 4:3, 3 16:9, 4 2.21:1 (4:3 PanScan is flagged as 4:3)
    Scan scan = Scan::Interlaced;
    bool scanFromSource = false; // "auto detect": chooseScan decides once the source is open
    bool topFieldFirst = true;
    int profile = 2; // 1 fast, 2 normal, 4 best
    bool smp = true;
    bool writeSeqEndcode = true;
    std::array<int, 4> timecode{}; // hour, minute, second, frame
    // The chosen built-in pair, or the custom pair when the file has *CUSTOMMATRIX.
    MatrixValues intraMatrix = kDefaultIntraMatrix;
    MatrixValues nonIntraMatrix = kDefaultNonIntraMatrix;

    // What the run changed or left out, for the log.
    std::vector<std::string> notes;
};

// The job the settings ask for. False with a message when they cannot make an encode (no input, no
// output, an Avisynth script, a bitrate below 1 kbit/s).
bool planJob(const Settings& settings, const SourceState& source, EncodeJob& job, std::string& error);

struct StreamFacts {
    int width = 0;
    int height = 0;
    int rateNumerator = 0;
    int rateDenominator = 0;
    int frameCount = 0;
};

// Fits the job to the source: the frame range to the source's frames, the GOP, the DC precision and the
// bitrates to what a DVD player accepts for a picture of that size. False with a message when nothing
// is left to encode.
bool fitToSource(EncodeJob& job, const StreamFacts& facts, std::string& error);

// "Auto detect" codes the job's frames progressive when the source flags nearly all of them
// progressive; a few interlaced frames among them (video inserts, soft pulldown's mixed frames) keep the
// field-aware coding they need. `progressiveFrames` counts the job's progressive frames, -1 when the
// source does not say (interlaced coding then suits both kinds).
void chooseScan(EncodeJob& job, int progressiveFrames);

// Frames the job encodes once fitted.
inline int jobFrameCount(const EncodeJob& job) {
    return job.endFrame - job.startFrame + 1;
}

} // namespace mivo::encoder
