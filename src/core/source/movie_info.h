#pragma once
// The arithmetic behind the movie information (lengths, the file size estimate) and the DVD-Video rules
// a source and the settings are held against. The controls that show them are the program's.

#include "core/source_state.h"

#include <string>

namespace mivo {

// Whole seconds (halves away from zero) as h:mm:ss with the hours blank-padded to two characters
// (" 0:45:10"); a length of 100 hours or more shows all its hour digits.
std::string formatHms(double seconds);

// Expected file size in kbytes of `frames` frames at `bitrate` kbit/s; 0 at rates of 1 fps or less.
long long estimateFileLengthKb(int frames, float frameRate, int bitrate);

// |rate - value| < 0.01 for the three DVD rates.
bool isFilmRate(float frameRate);
bool isPalRate(float frameRate);
bool isNtscRate(float frameRate);

// A frame size of at most 720 x 576 suits its rate class: 720 or 704 wide with 480 lines at film or
// NTSC rates and 576 at PAL; 352 wide also with half the lines. Larger (HD) sizes are not judged here.
bool resolutionSuitsRate(int width, int height, float frameRate);

// The longest GOP a DVD allows at the rate (12 film, 15 PAL, 18 NTSC); 0 at other rates.
int dvdMaxGopLength(float frameRate);

// The frame size fits a DVD: 720 wide and 480 lines at film and NTSC rates, 576 lines at any other.
bool dvdFrameSizeFits(int width, int height, float frameRate);

// Pan-scan exists for the DVD frame sizes only: 720 or 704 wide, 576 or 480 high.
bool panScanPossible(int width, int height);

// 3:2 pulldown applies to film-rate sources: within 0.01 of 24000/1001 as single precision holds it.
bool pulldownPossible(float frameRate);

// An audio track as the movie information lists it: "aac 2 ch 48000 Hz fra" (no language when the file
// gives none).
std::string audioTrackText(const AudioTrackFacts& track);
// What the status line says about a video file once it is open: codec and container, then what was done
// to its frames (conversion, scaling, a variable rate made constant at `servedRate` frames per second).
std::string videoFileOpenedText(const VideoFileFacts& facts, int width, int height, float servedRate);
// The audio tracks, as the status line lists them after the DVD checks (", audio: ..." or ", no audio").
std::string audioTracksText(const std::vector<AudioTrackFacts>& tracks);

} // namespace mivo
