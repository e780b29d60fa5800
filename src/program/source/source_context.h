#pragma once
// What the source flows work on: the source state, the encoder settings they read and write, the
// controls, the status line, and the calls into pages that are still being built.

#include "core/control_model.h"
#include "core/source_state.h"
#include "core/status_line.h"

#include <functional>
#include <string>

namespace mivo {

// The encoder settings the source flows read and write. They are fields of the settings record; this
// view refers to them, so the source code and the settings code work on one copy.
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

// Storage for the fields above where no settings record exists (tests).
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

// The refresh after a file change also fills the list boxes, the pan-scan table and the first picture;
// the list pages and the preview wire these as they are built. An empty hook is skipped.
struct SourceHooks {
    std::function<void(ControlModel&)> fillLists; // chapter, zone and pan-scan list boxes
    std::function<void()> buildPanScanOffsets;    // the per-frame pan-scan table
    std::function<void()> showFirstFrame;         // fetch frame 0 and build its picture
    std::function<void()> dvdChecked;             // after the DVD checks: the disc's own (its audio)
};

struct SourceContext {
    SourceState& state;
    SourceSettings& settings;
    ControlModel& controls;
    StatusLine& status;
    SourceHooks hooks = {};
};

} // namespace mivo
