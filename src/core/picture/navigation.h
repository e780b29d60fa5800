#pragma once
// Moving through the source on the preview pages: the stepping buttons, the current-frame field and the
// slider. Pure arithmetic on frame numbers; N is the source's frame count. Without a source (N = 0) the
// upper limit is -1, so a forward step gives -1 and a backward step 0; callers may ignore the controls
// then.

#include <string_view>

namespace mivo::picture {

inline constexpr int kSmallStep = 10;  // "<<" and ">>"
inline constexpr int kLargeStep = 100; // "<<<" and ">>>"
inline constexpr int kSliderRange = 1000;

// The frame after a step of `step` frames (negative backward). Every step stops at N - 1; backward steps
// also stop at 0.
int stepFrame(int current, int step, int frameCount);

// The frame the current-frame field asks for: its text read as an integer in free format, `current` when
// it does not read; below 1 gives 0, above N - 1 gives N - 1.
int frameFromFieldText(std::string_view text, int current, int frameCount);

// The frame at slider position 0..1000: position / 1000 x (N - 1) in single precision, rounded half away
// from zero, at least 0 and at most N - 1.
int frameFromSlider(int position, int frameCount);

// The slider position of a frame: 1000 x frame / N in single precision, rounded half away from zero,
// within 0..1000; 0 without frames.
int sliderFromFrame(int frame, int frameCount);

} // namespace mivo::picture
