#pragma once
// Builds the index of an open container's video stream by reading its packets once, without decoding
// them. Two places are decoded to learn what a sequential decode shows there: the start, when pictures
// come before the first key packet or are shown before it (a stream cut out of a broadcast, an open
// GOP), and the last group of pictures, where a cut-short copy ends in the middle of a packet.

#include "video_index.h"

#include <functional>
#include <string>

struct AVFormatContext;

namespace mivo::video {

// Called now and then with the share of the file read (0..1); returning false cancels the build.
using BuildProgress = std::function<bool(double done)>;

enum class BuildOutcome { Ok, Cancelled, Failed };

BuildOutcome buildIndex(AVFormatContext* format, int stream, IndexHeader header,
                        const BuildProgress& progress, VideoIndex& index, std::string& error);

} // namespace mivo::video
