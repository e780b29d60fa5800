#pragma once
// Helpers shared by the decoder tests: projects made with the indexer, frame hashes, and FFmpeg's own
// decode of a stream as the reference.

#include "d2v_source.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct AVFrame;

namespace mivo::test {

// Indexes the inputs into a project at projectPath (Field_Operation fo); returns the project text.
// Throws std::runtime_error when the indexer refuses.
std::string indexProject(const std::vector<std::string>& inputs, const std::string& projectPath, int fo = 0);

// The project text with its Field_Operation line set to fo.
std::string withFieldOperation(const std::string& text, int fo);

std::uint64_t hashBytes(const std::uint8_t* data, std::size_t size);

// Hash of every frame, fetched in order.
std::vector<std::uint64_t> sequentialHashes(mpeg2::D2vSource& source);

// FFmpeg's decode of the stream (libavformat demuxing, libavcodec decoding, on one thread unless told
// otherwise): every output picture in display order.
void decodeWithFfmpeg(const std::string& path, const std::function<void(const AVFrame&)>& picture,
                      int threads = 1);

// FFmpeg's decode of the stream, every output picture laid out as the decoder library delivers it (YV12:
// Y, V, U; or packed YUY2) and hashed.
std::vector<std::uint64_t> referenceHashes(const std::string& path);

} // namespace mivo::test
