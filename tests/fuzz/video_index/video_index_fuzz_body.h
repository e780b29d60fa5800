#pragma once
// One fuzz input run through the video index reader, shared by the libFuzzer target and the test that
// replays the corpus. The input is read twice: as it is, and with its checksum made right, so that the
// fuzzer reaches the checks behind the checksum. Whatever the reader accepts must be usable without
// further checks and must write back to the same bytes.

#include "video_index.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace mivo::fuzz {

inline void requireIndex(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
    std::abort();
}

inline std::uint64_t indexChecksum(const std::string& bytes, std::size_t length) {
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (std::size_t i = 0; i < length; ++i) {
        h ^= static_cast<unsigned char>(bytes[i]);
        h *= 0x100000001b3ull;
    }
    return h;
}

inline void checkAccepted(const std::string& bytes, const video::VideoIndex& index) {
    const int frames = index.frameCount();
    const auto packets = index.packets().size();
    requireIndex(frames >= 1 && static_cast<std::size_t>(frames) <= packets, "frames within the packets");
    for (int n = 0; n < frames; ++n) {
        const std::uint32_t p = index.packetOfFrame(n);
        requireIndex(p < packets && index.frameOfPacket(p) == n, "frame and packet agree");
        requireIndex(n == 0 || index.timeOfFrame(n - 1) <= index.timeOfFrame(n), "frames in time order");
        const std::uint32_t start = index.startOfFrame(n);
        requireIndex(start <= p, "decoding starts at or before the frame's packet");
    }
    requireIndex(video::formatIndexFile(index) == bytes, "the index writes back to the same bytes");
}

inline void runVideoIndex(const std::uint8_t* data, std::size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1) {
            if (size < 8) return;
            const std::uint64_t sum = indexChecksum(bytes, size - 8);
            for (int i = 0; i < 8; ++i)
                bytes[size - 8 + static_cast<std::size_t>(i)] = static_cast<char>(sum >> (8 * i));
        }
        video::VideoIndex index;
        std::string error;
        if (video::parseIndexFile(bytes, index, error))
            checkAccepted(bytes, index);
        else
            requireIndex(!error.empty(), "a refused index says why");
    }
}

} // namespace mivo::fuzz
