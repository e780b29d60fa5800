#pragma once
// What the Main page shows about the open source (size, rate, format, frame count, lengths, the file
// size estimate), the DVD-Video checks made when a source opens, the "make DVD compliant" button, and
// the refresh of every source-dependent control after a file operation.

#include "core/control_model.h"
#include "core/source_state.h"
#include "core/status_line.h"

#include <functional>
#include <string>

namespace mivo {

// The encoder settings this part reads and writes. They are fields of the settings record; this view
// refers to them, so the source code and the settings code work on one copy.
struct SourceSettings {
    std::string& inputFile;
    std::string& outputFile;
    std::string& logFile;
    int& startFrame;
    int& endFrame;
    int& encodeFrameCount;
    int& bitrate; // kbit/s: the last text of the average bitrate edit that read as a number
    int& fileLengthKb;
    int& aspectRatio; // 1 "1:1", 2 "4:3", 3 "16:9", 4 "2.21:1", 5 "4:3 PanScan"
    int& maxConsecutiveB;
    bool& panScanOn;
    bool& useLossless;
    // Field options as the last ini file named them (each keyword present or not); the caller fills
    // them in before a refresh.
    bool progressiveSet = false, interlacedSet = false, dvSourceSet = false, tffSet = false, bffSet = false;
};

// Storage for the fields above where no settings record exists (tests, tools).
struct SourceSettingsStore {
    std::string inputFile, outputFile, logFile;
    int startFrame = -1;
    int endFrame = -1;
    int encodeFrameCount = 0;
    int bitrate = 4000;
    int fileLengthKb = 0;
    int aspectRatio = 3;
    int maxConsecutiveB = 2;
    bool panScanOn = false;
    bool useLossless = false;
    SourceSettings view() {
        return {inputFile, outputFile,   logFile,     startFrame,      endFrame,  encodeFrameCount,
                bitrate,   fileLengthKb, aspectRatio, maxConsecutiveB, panScanOn, useLossless};
    }
};

// What other parts of the program provide; an empty hook is skipped.
struct SourceHooks {
    std::function<void(ControlModel&)> fillLists;         // chapter, zone and pan-scan list boxes
    std::function<void()> buildPanScanOffsets;            // the per-frame pan-scan table
    std::function<void(int width, int height)> frameSize; // tell the block statistics the frame size
    std::function<void()> showFirstFrame;                 // fetch frame 0 and build its picture
};

struct SourceContext {
    SourceState& state;
    SourceSettings& settings;
    ControlModel& controls;
    StatusLine& status;
    SourceHooks hooks = {};
};

// --- number formats: a fixed-width field, then the leading blanks removed -----------------------
std::string formatInteger(long long value, int width);
std::string formatFixed(double value, int decimals, int width);
// Whole seconds (halves away from zero) as h:mm:ss with the hours blank-padded to two characters
// (" 0:45:10"); a length of 100 hours or more shows all its hour digits.
std::string formatHms(double seconds);

// Expected file size in kbytes of `frames` frames at `bitrate` kbit/s; 0 at rates of 1 fps or less.
long long estimateFileLengthKb(int frames, float frameRate, int bitrate);

// |rate - value| < 0.01 for the three DVD rates.
bool isFilmRate(float frameRate);
bool isPalRate(float frameRate);
bool isNtscRate(float frameRate);

void showMovieInfo(SourceContext& ctx);
void showFileLength(SourceContext& ctx);
// DVD checks after a source opened: warnings appended to the status line, filmRate set, 1088 coded
// lines repaired to 1080.
void checkFrameRateAndSize(SourceContext& ctx);
void makeDvdCompliant(SourceContext& ctx);
void refreshLosslessEstimate(SourceContext& ctx);
// Button labels of the three files and the enabling of the output, log and encode buttons.
void showFileNames(SourceContext& ctx);
void refreshAfterFileChange(SourceContext& ctx);

} // namespace mivo
