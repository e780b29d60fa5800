#pragma once
// The preview's picture: one buffer, allocated once for the largest frame, that holds a complete 24-bit
// bitmap file image (54-byte header, then the rows bottom-up, pixels as blue, green, red, each row padded
// with zeros to a multiple of 4 bytes). The preview paints from it and "create bitmap" writes it out as it
// is, so both show the same colours.

#include "core/kernels/yuv_to_bgr.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace mivo::picture {

inline constexpr std::size_t kBitmapHeaderBytes = 54;

// Bytes of one stored row: 3 x width, rounded up to a multiple of 4.
constexpr std::size_t bitmapRowBytes(int width) {
    return (3 * static_cast<std::size_t>(width) + 3) / 4 * 4;
}

// Writes the file header and the information header of a bottom-up 24-bit bitmap of that size to `at`.
void writeBitmapHeader(std::uint8_t* at, int width, int height);

class PictureBuffer {
  public:
    static constexpr int kMaxWidth = 1920;
    static constexpr int kMaxHeight = 1152;
    static constexpr std::size_t kCapacity = kBitmapHeaderBytes + bitmapRowBytes(kMaxWidth) * kMaxHeight;

    // `convert` is the conversion to use until the program's processor level chooses one.
    explicit PictureBuffer(YuvToBgrFn convert = yuvToBgrReference);

    // Every version gives the same bytes, so a picture already built stays valid.
    void setConversion(YuvToBgrFn convert) { convert_ = convert; }
    YuvToBgrFn conversion() const { return convert_; }

    // Converts the frame into the picture. False, leaving no picture, when the frame is smaller than 2 x 2
    // or its image would not fit the buffer.
    bool build(const YuvPlanes& planes);

    // Leaves no picture (the bytes stay allocated).
    void clear() { width_ = height_ = 0; }
    bool empty() const { return width_ == 0; }
    int width() const { return width_; }
    int height() const { return height_; }
    std::size_t rowBytes() const { return bitmapRowBytes(width_); }
    // The rows, bottom-up, `rowBytes()` apart.
    const std::uint8_t* pixels() const { return bytes_.get() + kBitmapHeaderBytes; }
    // The whole bitmap file image; empty without a picture.
    std::string_view fileImage() const;

  private:
    std::unique_ptr<std::uint8_t[]> bytes_;
    YuvToBgrFn convert_;
    int width_ = 0;
    int height_ = 0;
};

} // namespace mivo::picture
