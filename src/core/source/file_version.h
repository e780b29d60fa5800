#pragma once
// The version of a Windows program file, read from its version resource by this program itself, so
// that the information buttons work on every platform (the encoder and the decoder libraries are
// Windows files on Windows and may be shipped as such elsewhere).

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace mivo {

struct FileVersion {
    // 0 when the version was read; otherwise the system's error number of opening the file, or -1
    // (also for a file without a version resource).
    int result = -1;
    // High and low halves of the most significant version word, then of the least significant one.
    std::array<int, 4> parts{0, 0, 0, 0};
};

FileVersion queryFileVersion(const std::string& path);

// The same over the bytes of a file already in memory. Every offset read from the file is checked
// against the buffer, so a damaged or hostile file only yields "no version".
FileVersion fileVersionOfImage(std::span<const std::uint8_t> image);

} // namespace mivo
