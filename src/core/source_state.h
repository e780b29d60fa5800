#pragma once
// What the program knows about the opened video source. One record for the whole program: the input
// flow, the decoder layers, the movie info, the preview and the scene-change scan share it.

#include <string>

namespace mivo {

enum class ColourFormat { None = 0, Planar420 = 1, Packed422 = 2 };

struct SourceState {
    bool isAvisynthScript = false;
    bool isD2vProject = false;
    int projectVersion = 0;
    bool projectVersionValid = false;
    bool projectFilesFound = false;
    std::string decoderLibraryPath;
    bool dgdecodeLoaded = false;
    bool avisynthLoaded = false;
    bool inputAccepted = false;
    bool sourceReady = false;
    bool outputChosen = false;
    bool logChosen = false;
    bool frameRangeGiven = false;
    int width = 0;
    int height = 0;
    double displayAspect = 0.0; // width / height as the picture is shown; 0: not known (square pixels)
    int frameCount = 0;
    float frameRate = 0.0f;
    float movieSeconds = 0.0f;
    ColourFormat colourFormat = ColourFormat::None;
    bool isYuy2 = false;
    bool filmRate = false; // the frame rate is 23.976 (set by the DVD checks)
    int lumaBytes = 0;
    int chromaPlaneBytes = 0;
    int frameBytes = 0;
    int lumaPitch = 0;
    int chromaPitch = 0;
    int currentFrame = 0;
};

} // namespace mivo
