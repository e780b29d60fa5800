#pragma once
// Chapter files that give times instead of frame numbers, as other authoring tools write them:
// - "CHAPTER01=00:01:02.500" lines, each with a "CHAPTER01NAME=..." line beside it;
// - one time per line, "00:01:02.500" (a clock time) or "00:01:02:12" (frame 12 of that second).
// Times become frames at the source's frame rate: a clock time to the nearest frame, halves up; a
// frame-numbered time counts whole seconds at the nominal rate (24 for 23.976, 30 for 29.97), as
// non-drop time codes do.

#include <optional>
#include <string>
#include <string_view>

namespace mivo::lists {

// The frame at `time`, or std::nullopt when `time` is none of the forms above (hours of one or two
// digits, minutes and seconds of two, below 60; a frame number below the nominal rate), or the rate is
// not above 0.
std::optional<int> frameAtTime(std::string_view time, double frameRate);

// The clock time of `frame` as dvdauthor's chapter lists take it, "H:MM:SS.mmm", to the nearest
// millisecond (halves up) at the rate frameAtTime uses, so that frameAtTime gives `frame` back. Empty when
// the rate is not above 0 or the frame is negative.
std::string timeAtFrame(int frame, double frameRate);

// True when `word` has the shape of a time: digits, ':', two digits, ':', two digits.
bool looksLikeTime(std::string_view word);

enum class NamedTimeLine {
    Time,  // "CHAPTERnn=" and a time, given in `time`
    Name,  // "CHAPTERnnNAME=" and any text
    Other, // anything else
};
// Letter case does not count in the keyword; blanks around the line are ignored.
NamedTimeLine classifyNamedTimeLine(std::string_view line, std::string_view& time);

} // namespace mivo::lists
