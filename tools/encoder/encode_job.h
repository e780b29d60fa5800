#pragma once
// What one encoder run does, worked out from Mivo.ini before any frame is touched, and narrowed to the
// DVD limits once the source's size and rate are known.

#include "core/settings/settings.h"
#include "disc/disc_plan.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace mivo::encoder {

// DVD-Video's ceiling for the video stream and its decoder buffer (MP@ML).
inline constexpr int kDvdMaxBitrateKbps = 9800;
inline constexpr int kDvdVbvBufferBits = 1835008;

enum class Scan { Progressive, Interlaced };

// A bitrate zone over absolute source frames firstFrame..lastFrame (inclusive).
struct Zone {
    int firstFrame = 0;
    int lastFrame = 0;
    float factor = 1.0f;
};

// What the encoder does with the frame server and the machine while it runs.
struct RunOptions {
    bool silent = false;  // no progress window: progress lines on standard output
    bool preview = false; // the progress window shows the frames being encoded
    int waitSeconds = 5;  // the progress window stays this long after the end
    int cpuMode = 0;      // 0 auto, 1 MMX, 2 SSE2, 3 SSE3, 4 SSSE3
    int priority = 0;     // 0 idle, 1 low, 2 normal, 3 high
    std::string dbPath;   // folder of the first pass's statistics file; empty: kept in memory
    // The front-end copies the project's decoder library to DGDecode.dll for the job it starts; a queued
    // job must not take that copy, which belongs to whatever the window encodes meanwhile.
    bool decoderCopy = true;
};

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

    // Per-frame features, in absolute source frame numbers so that any part of the range can be
    // encoded on its own with the same result.
    std::vector<int> chapterFrames; // ascending, inside the range once fitted
    std::vector<Zone> zones;        // ascending, not overlapping, inside the range once fitted
    // The second pass's factor per zone (zoneRateFactors()), else as asked; the first pass analyses a
    // zone's pictures at the quality over its factor to the power zoneQualityPower.
    std::vector<float> zoneRateFactors;
    double zoneQualityPower = 1;
    std::vector<int> gopStarts; // the planned I-frames, ascending (planGopStarts)
    bool pulldown = false;      // 3:2 repeat-field flags, the cadence starting at startFrame
    bool lastIFrame = false;

    // The size every picture is scaled to (*FRAMESIZE), its display aspect kept within *ASPECT by
    // borders; 0 x 0 keeps the source's size.
    int frameWidth = 0;
    int frameHeight = 0;

    bool chroma422 = false;
    int mpegLevel = 0; // 0 auto, 1 MP@ML, 2 MP@H-14, 3 MP@HL
    int colour = 0;    // MPEG-2 colour description code; 0 not flagged
    int intraVlc = 2;  // 0 table 14, 1 table 15, 2 auto
    int maskTop = 0, maskBottom = 0, maskShift = 0;
    float cqPFactor = 1.0f, cqBFactor = 1.0f;
    bool cqVbvCheck = false;
    int aqStrength = 0;
    int lumGain = 0;
    int vbrBias = 0;
    bool adaptiveMatrix = false;
    bool avisynthInput = false;
    bool videoFileInput = false; // neither a D2V project nor a script: read through FFmpeg's libraries
    RunOptions run;
    disc::DiscRequest disc; // after a successful encode; no folder: no disc
    // The chosen built-in pair, or the custom pair when the file has *CUSTOMMATRIX.
    MatrixValues intraMatrix = kDefaultIntraMatrix;
    MatrixValues nonIntraMatrix = kDefaultNonIntraMatrix;

    // What the run changed or left out, for the log.
    std::vector<std::string> notes;
};

// The job the settings ask for. False with a message when they cannot make an encode (no input, no
// output, a bitrate below 1 kbit/s).
bool planJob(const Settings& settings, const SourceState& source, EncodeJob& job, std::string& error);

struct StreamFacts {
    int width = 0;
    int height = 0;
    int rateNumerator = 0;
    int rateDenominator = 0;
    int frameCount = 0;
    double displayAspect = 0; // width / height as the picture is shown; 0: not known
};

// Fits the job to the source: the frame range to the source's frames, the GOP, the DC precision and the
// bitrates to what a DVD player accepts for a picture of that size, the chapters and zones to the range,
// pulldown to film-rate sources. False with a message when nothing is left to encode.
bool fitToSource(EncodeJob& job, const StreamFacts& facts, std::string& error);

// Where the job's GOPs open. The first frame, each chapter, each segment cut, each scene cut and with
// *LASTIFRAME the last frame are forced starts; the frames from one forced start to the next are shared
// out evenly among as few GOPs as keep each within the GOP length as coded (17 frames at 15 become 9+8),
// so no GOP is shorter than about half the length unless its section is.
std::vector<int> planGopStarts(const EncodeJob& job, const std::vector<int>& segmentCuts,
                               const std::vector<int>& sceneCuts);

// The frame rate a time code counts in: the rounded display rate (30 for pulldown output).
int timecodeRate(const EncodeJob& job, const StreamFacts& facts);

// "Auto detect" codes the job's frames progressive when the source flags nearly all of them
// progressive; a few interlaced frames among them (video inserts, soft pulldown's mixed frames) keep the
// field-aware coding they need. `progressiveFrames` counts the job's progressive frames, -1 when the
// source does not say (interlaced coding then suits both kinds). Pulldown stays progressive.
void chooseScan(EncodeJob& job, int progressiveFrames);

// Frames the job encodes once fitted.
inline int jobFrameCount(const EncodeJob& job) {
    return job.endFrame - job.startFrame + 1;
}

} // namespace mivo::encoder
