#pragma once
// The encoder settings record: every option the encoder reads from its ini file, the three file names,
// the two intermediate-file folders, the custom matrices and the three frame-indexed lists, with the
// keyword-seen flags the ini reader sets. One record for the whole run.
//
// Most options also live in a page control, which is the live copy; the record copy of those is what the
// reader filled and the refresh pushes into the controls, and what the pages show is taken into
// pageValues before the writer runs.

#include "core/matrix/builtin_matrices.h"
#include "core/settings/keyword.h"
#include "core/source_state.h"
#include "core/zeroed_buffer.h"

#include <array>
#include <bitset>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mivo {

// The 128 keyword-seen flags. Four slots are not stored here: the flags of *INFILE, *OUTFILE, *LOGFILE
// and *FRAMES are the source state's inputAccepted, outputChosen, logChosen and frameRangeGiven, so
// setting or clearing either name changes the one flag.
class KeywordSeen {
  public:
    explicit KeywordSeen(SourceState& source) : source_(&source) {}

    bool test(Keyword keyword) const;
    bool test(std::size_t slot) const;
    void set(Keyword keyword, bool on = true);
    void clearAll();
    std::size_t count() const;

  private:
    bool* shared(std::size_t slot) const; // the source-state flag a slot is, or null
    std::bitset<kKeywordSlots> own_;
    SourceState* source_;
};

enum class InterlaceMode { AutoDetect, Progressive, Interlaced, DvSource };
enum class FieldOrder { TopFirst, BottomFirst };

inline constexpr int kChapterCapacity = 640000;
inline constexpr int kZoneCapacity = 6400;
inline constexpr int kPanScanCapacity = 6400;
inline constexpr std::size_t kNameCapacity = 512;

// The options the reset puts back to their defaults. Start-up values equal these defaults.
struct EncoderOptions {
    // Main page
    int bitrate = 4000;
    int maxBitrate = 8000;
    int profile = 2;     // 1 fast, 2 normal, 4 best
    int aspectRatio = 3; // 1 1:1, 2 4:3, 3 16:9, 4 2.21:1, 5 4:3 PanScan
    int dcPrecision = 9;
    bool smp = false;
    bool sceneChange = true;
    bool autoGop = true;
    int autoGopLength = 15;
    bool closedGops = false;
    bool pulldown = false;
    bool onePass = false;
    // Settings 1
    InterlaceMode interlaceMode = InterlaceMode::AutoDetect;
    FieldOrder fieldOrder = FieldOrder::TopFirst;
    int gopLength = 15;
    int bFrames = 2;
    int maxConsecutiveB = 2;
    bool constantQuant = false;
    float cqValue = 5.0f;
    float cqMaxBitrateValue = 0.0f;
    bool cqCheckMaxBitrate = false;
    float cqPFactor = 1.0f;
    float cqBFactor = 1.0f;
    int aqStrength = 2;
    int chromaDownsampling = 0;
    // Settings 2
    int vbrBias = 0;
    int waitSeconds = 5;
    bool vbvCheck = true;
    bool lastIFrame = false;
    bool allow3BFrames = false;
    bool writeSeqEndcode = true;
    bool scdFile = false;
    bool frameLog = false;
    bool preview = false;
    bool silent = false;
    bool shutdown = false;
    int mpegLevel = 0; // 0 AUTO, 1 MP@ML, 2 MP@H-14, 3 MP@HL
    int colour = 0;    // MPEG-2 colour primaries code; 0 not flagged
    int intraVlc = 2;  // 0 TABLE 14, 1 TABLE 15, 2 AUTO
    int lumGain = 0;
    int maskTop = 0;
    int maskBottom = 0;
    int maskShift = 0;
    // Settings 3
    int timecodeHour = 0;
    int timecodeMinute = 0;
    int timecodeSecond = 0;
    int timecodeFrame = 0;
    int cpuMode = 0;  // 0 auto, 1 MMX, 2 SSE2, 3 SSE3, 4 SSSE3
    int priority = 0; // 0 idle, 1 low, 2 normal, 3 high
    int chromaFormat = 1;
    int avsMemory = 0;
    bool useLossless = false;
    // Matrix page
    int matrixChoice = 1; // 1..16 built in, 99 custom
    bool adaptiveMatrix = false;
    bool panScanOn = false;
    // Disc
    int audioTrack = 1; // the source's audio track the disc carries, from 1
    // The picture size the encoder scales to; 0 x 0 keeps the source's size.
    int frameWidth = 0;
    int frameHeight = 0;
};

enum class MatrixSource { None, BuiltIn, Custom };

// The options as the pages show them, taken into the record just before every write and listing. Most
// options live in their controls; the record's own option fields keep the meaning the reader and the
// pages give them, which after a load may differ from what a control shows (the field order a DV source
// is shown with, the "4:3 PanScan" radio after an *ASPECT line). The writer reads these, and the record's
// names, folders, lists and seen flags.
struct PageValues : EncoderOptions {
    bool maxBitrateEditable = false;
    bool vbrBiasEditable = true;
    bool frameRangeTyped = false; // both frame fields hold numbers (the range is then in the record)
    std::string cqText;           // the quantiser field's first token, as typed
    std::string pFactorText;      // the factor fields as shown
    std::string bFactorText;
    bool avsMemoryGiven = false; // an empty field leaves the memory to Avisynth
    bool frameSizeGiven = false; // both size fields hold numbers; otherwise the source's size is kept
    MatrixSource matrixSource = MatrixSource::None;
    bool dbPathSet = false; // the folder buttons say a folder was chosen
    bool llPathSet = false;
};

struct Settings : EncoderOptions {
    explicit Settings(SourceState& source);
    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;

    KeywordSeen seen;

    // Files and folders; never longer than kNameCapacity, no trailing blanks.
    std::string inputFile;
    std::string outputFile;
    std::string logFile;
    std::string dbPath;
    std::string llPath;
    // The disc steps after the encode: the DVD-Video folder, its image, an audio file instead of the
    // source's own audio. No folder: no disc.
    std::string dvdFolder;
    std::string dvdIso;
    std::string audioFile;

    // The frame range and what follows from it; the reset leaves them alone.
    int startFrame = -1;
    int endFrame = -1;
    int encodeFrameCount = 0;
    int fileLengthKb = 0;

    bool avsReload = false;

    MatrixValues customIntraMatrix = kDefaultIntraMatrix;
    MatrixValues customNonIntraMatrix = kDefaultNonIntraMatrix;

    // The frame lists. Storage is sized to capacity once; entries beyond the count are 0 after a clear.
    int chapterCount = 0;
    ZeroedBuffer<int> chapterFrames;
    int zoneCount = 0;
    std::vector<int> zoneFrames;
    std::vector<float> zoneFactors;
    int panScanWidth = 0;
    int panScanHeight = 0;
    int panScanCount = 0;
    std::vector<int> panScanFrames;
    std::vector<int> panScanOffsets;

    // Result of the last ini write: off when it was aborted or failed.
    bool writeOk = true;

    PageValues pageValues;

    // The values the record holds when the program starts, before the reset and Mivo.ini.
    void setStartUpValues();
    void clearChapters();
    void clearZones();
    void clearPanScan();
};

// The 32 P/B quantiser factors of the Settings 1 up-down controls, position 1 to 32.
extern const std::array<float, 32> kQuantFactors;
// The table position (1..32) nearest to `factor` after clamping it to 0.5..4.0; a tie goes to the lower.
int nearestFactorPosition(float factor);

} // namespace mivo
