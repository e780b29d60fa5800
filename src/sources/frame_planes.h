#pragma once
// The frame planes every consumer of decoded frames shares (preview, bitmap export, scene-change scan):
// fixed process-wide buffers sized once for the largest frame the program takes, so fetching a frame
// never allocates.

#include <cstddef>
#include <cstdint>

namespace mivo {

struct FramePlanes {
    static constexpr std::size_t kMaxWidth = 1920;
    static constexpr std::size_t kMaxHeight = 1152;
    static constexpr std::size_t kLumaCapacity = kMaxWidth * kMaxHeight; // 2,211,840 bytes
    static constexpr std::size_t kChromaCapacity = kLumaCapacity / 4;    // 552,960 bytes
    static constexpr std::size_t kPackedCapacity = 2 * kLumaCapacity;    // a packed 4:2:2 frame

    // After a fetch: luma with pitch = width; plane 2 = U (Cb) and plane 3 = V (Cr), each with pitch
    // width / 2 and height / 2 lines, whatever order the source delivers them in.
    std::uint8_t luma[kLumaCapacity];
    std::uint8_t plane2[kChromaCapacity];
    std::uint8_t plane3[kChromaCapacity];
    // A packed frame before its conversion to the planes above.
    std::uint8_t packed[kPackedCapacity];
};

// The program's one set of planes (zero-filled static storage: pages are only touched when used).
FramePlanes& framePlanes();

} // namespace mivo
