#pragma once
// Where a video file's index is kept: beside the file when its folder can be written, otherwise in a
// fallback folder (the program's settings folder) under a name made unique by the file's full path. A
// kept index is used only while the file's size and modification time are the ones it was built for.

#include "video_index.h"

#include <cstdint>
#include <string>

namespace mivo::video {

struct SourceFacts {
    std::uint64_t size = 0;
    std::int64_t time = 0; // modification time, nanoseconds
};
bool sourceFacts(const std::string& path, SourceFacts& facts);

std::string indexBeside(const std::string& source);
std::string indexInFolder(const std::string& folder, const std::string& source);

// Reads the index kept at `indexPath` when it belongs to the file as it is now (size, time, stream) and
// was made by this libavformat (`demuxerVersion`).
bool loadKeptIndex(const std::string& indexPath, const SourceFacts& facts, int stream,
                   std::uint32_t demuxerVersion, VideoIndex& index);
// Writes the index whole, beside the source or else in `fallbackFolder` (skipped when empty). The path
// written, or empty when neither place could take it.
std::string keepIndex(const std::string& source, const std::string& fallbackFolder, const VideoIndex& index);

} // namespace mivo::video
