#pragma once
// What the program knows about the opened video source. One record for the whole program: the input
// flow, the decoder layers, the movie info, the preview and the scene-change scan share it.

#include <string>
#include <vector>

namespace mivo {

enum class ColourFormat { None = 0, Planar420 = 1, Packed422 = 2 };

struct AudioTrackFacts {
    std::string codec;
    int channels = 0;
    int sampleRate = 0;
    std::string language; // empty when the file does not say
};

// What the movie information tells about an ordinary video file beyond the frames it serves.
struct VideoFileFacts {
    std::string codec, container, pixelFormat;
    int fileWidth = 0, fileHeight = 0; // of the pictures in the file
    bool converted = false;            // not 8-bit 4:2:0 in the file
    bool scaled = false;               // larger than the frame buffers, served scaled down
    bool variableRate = false;         // served at a constant rate by time stamps
    std::vector<AudioTrackFacts> audio;
};

struct SourceState {
    bool isAvisynthScript = false;
    bool isD2vProject = false;
    // Neither a script nor a project: an ordinary video file, read through FFmpeg's libraries. Set by the
    // classification as a candidate; cleared again when the libraries cannot open it.
    bool isVideoFile = false;
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
    VideoFileFacts videoFile; // while isVideoFile

    // Size, length and rate of a source whose frames arrive as planar 4:2:0 planes, pitch = width.
    void setPlanarFrames(int w, int h, int frames, double rate) {
        width = w;
        height = h;
        frameCount = frames;
        isYuy2 = false; // the scan reads it for Avisynth sources only
        lumaBytes = w * h;
        frameBytes = 2 * lumaBytes;
        chromaPlaneBytes = lumaBytes / 4;
        lumaPitch = w;
        chromaPitch = w / 2;
        frameRate = static_cast<float>(rate);
        movieSeconds = static_cast<float>(frames / rate);
    }
};

} // namespace mivo
