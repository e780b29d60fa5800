#include "core/picture/picture_buffer.h"

#include <cstring>

namespace mivo::picture {

namespace {

void put16(std::uint8_t* at, std::uint32_t v) {
    at[0] = static_cast<std::uint8_t>(v);
    at[1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(std::uint8_t* at, std::uint32_t v) {
    put16(at, v);
    put16(at + 2, v >> 16);
}

constexpr std::uint32_t kPixelsPerMetre = 2835; // 72 dots per inch

} // namespace

void writeBitmapHeader(std::uint8_t* at, int width, int height) {
    // Sizes follow the padded rows: a reader that trusted 3 x width would skew every row.
    const auto imageBytes =
        static_cast<std::uint32_t>(bitmapRowBytes(width) * static_cast<std::size_t>(height));
    std::memset(at, 0, kBitmapHeaderBytes);
    at[0] = 'B';
    at[1] = 'M';
    put32(at + 2, imageBytes + kBitmapHeaderBytes);
    put32(at + 10, kBitmapHeaderBytes);
    put32(at + 14, 40);
    put32(at + 18, static_cast<std::uint32_t>(width));
    put32(at + 22, static_cast<std::uint32_t>(height)); // positive: rows stored bottom-up
    put16(at + 26, 1);
    put16(at + 28, 24);
    put32(at + 34, imageBytes);
    put32(at + 38, kPixelsPerMetre);
    put32(at + 42, kPixelsPerMetre);
}

// Allocated once, without zeroing: build writes every byte it later hands out.
PictureBuffer::PictureBuffer(YuvToBgrFn convert) : bytes_(new std::uint8_t[kCapacity]), convert_(convert) {}

bool PictureBuffer::build(const YuvPlanes& planes) {
    width_ = height_ = 0;
    if (planes.width < 2 || planes.height < 2) return false;
    const std::size_t row = bitmapRowBytes(planes.width);
    if (row * static_cast<std::size_t>(planes.height) > kCapacity - kBitmapHeaderBytes) return false;
    std::uint8_t* rows = bytes_.get() + kBitmapHeaderBytes;
    const auto stride = static_cast<std::ptrdiff_t>(row);
    // Image line 0, the top, is the last row stored.
    convert_(planes, rows + (planes.height - 1) * stride, -stride);
    const std::size_t padding = row - 3 * static_cast<std::size_t>(planes.width);
    if (padding != 0)
        for (int y = 0; y < planes.height; ++y)
            std::memset(rows + static_cast<std::size_t>(y) * row + row - padding, 0, padding);
    writeBitmapHeader(bytes_.get(), planes.width, planes.height);
    width_ = planes.width;
    height_ = planes.height;
    return true;
}

std::string_view PictureBuffer::fileImage() const {
    if (empty()) return {};
    return {reinterpret_cast<const char*>(bytes_.get()),
            kBitmapHeaderBytes + rowBytes() * static_cast<std::size_t>(height_)};
}

} // namespace mivo::picture
