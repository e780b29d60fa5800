#pragma once
// Where a source picture lands in an output frame of another size: scaled so that it keeps its display
// aspect within the frame's, the rest of the frame black (letterbox or pillarbox). The encoder scales by
// it; the front-end chooses a DVD frame and its aspect by it.

#include <string>

namespace mivo {

// The sizes the encoder takes: even, from one macroblock up to the largest frame the program handles.
inline constexpr int kSmallestOutputSize = 16;
inline constexpr int kLargestOutputWidth = 1920;
inline constexpr int kLargestOutputHeight = 1152;

// The part of the output frame the picture covers; the rest is border.
struct PictureArea {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const PictureArea&) const = default;
};

// The display aspect (width / height as shown) of a frame of this size under an *ASPECT code: 1 square
// pixels, 2 4:3, 3 16:9, 4 2.21:1, 5 (4:3 pan-scan, flagged 4:3) 4:3.
double frameDisplayAspect(int aspectCode, int width, int height);

// The picture's area in a frame of frameWidth x frameHeight shown at frameAspect, for a source shown at
// sourceAspect (0 or less: not known, the picture fills the frame). The covered extent is a multiple of
// 4 lines or columns; it starts on an even column and on a line that is a multiple of 4, so that the
// 4:2:0 chroma planes, and in an interlaced frame each field's luma and chroma, split evenly between
// picture and border.
PictureArea fitPicture(int frameWidth, int frameHeight, double frameAspect, double sourceAspect);

// Why the encoder cannot take this output size; empty when it can.
std::string outputSizeProblem(int width, int height);

// What "make DVD compliant" gives a source whose size no DVD allows: 720 x 480 at the film and NTSC
// rates, 720 x 576 at any other, with 4:3 (code 2) or 16:9 (code 3), whichever is nearer the source's
// display aspect (0 or less: not known, 16:9).
struct DvdFrame {
    int width = 0;
    int height = 0;
    int aspectCode = 0;
    bool operator==(const DvdFrame&) const = default;
};
DvdFrame dvdFrameFor(float frameRate, double sourceAspect);

// A frame size a DVD holds at this rate: 720 or 704 wide with 480 lines at the film and NTSC rates and
// 576 at any other, or 352 wide with those heights or half of them.
bool dvdAllowsFrameSize(int width, int height, float frameRate);

// A D2V project's Aspect_Ratio text ("16:9", "4:3", "1:1", "2.21:1") as a display aspect for a picture
// of this size; 0 when the text gives none (MPEG-1 pixel shapes and anything else).
double projectDisplayAspect(const std::string& text, int width, int height);

} // namespace mivo
