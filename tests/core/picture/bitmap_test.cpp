#include "base/whole_file.h"
#include "core/picture/bitmap_file.h"
#include "core/picture/picture_buffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace mivo::picture;
using Bytes = std::vector<std::uint8_t>;

struct Frame {
    int w, h;
    Bytes luma, cb, cr;
    // Luma from the position, chroma off neutral, so every pixel's bytes tell where it came from.
    Frame(int width, int height)
        : w(width), h(height), luma(static_cast<std::size_t>(w) * h), cb((w / 2) * (h / 2), 100),
          cr(cb.size(), 170) {
        for (std::size_t i = 0; i < luma.size(); ++i)
            luma[i] = static_cast<std::uint8_t>(16 + (i % w + 3 * (i / w)) % 220);
    }
    mivo::YuvPlanes planes() const { return {luma.data(), cb.data(), cr.data(), w, h}; }
};

std::uint32_t field(std::string_view image, std::size_t at, std::size_t size) {
    std::uint32_t v = 0;
    for (std::size_t k = size; k-- > 0;)
        v = v << 8 | static_cast<std::uint8_t>(image[at + k]);
    return v;
}

TEST(PictureBitmap, ImageIsAStandardBottomUpBitmapWithPaddedRows) {
    PictureBuffer picture;
    // A wide bright picture first, so that the padding of a later narrower one cannot be zero by chance.
    Frame bright(720, 576);
    std::fill(bright.luma.begin(), bright.luma.end(), 255);
    ASSERT_TRUE(picture.build(bright.planes()));
    EXPECT_EQ(picture.fileImage().size(), 1'244'214u);
    struct Case {
        int w, h;
        std::size_t row;
    };
    for (const Case c : {Case{718, 576, 2156}, Case{720, 576, 2160}, Case{2, 2, 8}, Case{3, 5, 12},
                         Case{5, 2, 16}, Case{1920, 1152, 5760}, Case{3840, 576, 11520}}) {
        SCOPED_TRACE(testing::Message() << c.w << " x " << c.h);
        const Frame f(c.w, c.h);
        ASSERT_TRUE(picture.build(f.planes()));
        const std::string_view image = picture.fileImage();
        const std::size_t imageBytes = c.row * c.h;
        ASSERT_EQ(image.size(), 54 + imageBytes);
        EXPECT_EQ(image.substr(0, 2), "BM");
        const std::pair<std::size_t, std::uint32_t> fields[] = {{2, 54 + imageBytes},
                                                                {6, 0},
                                                                {10, 54},
                                                                {14, 40},
                                                                {18, c.w},
                                                                {22, c.h},
                                                                {26, 1},
                                                                {28, 24},
                                                                {30, 0},
                                                                {34, imageBytes},
                                                                {38, 2835},
                                                                {42, 2835},
                                                                {46, 0},
                                                                {50, 0}};
        for (const auto& [at, value] : fields)
            EXPECT_EQ(field(image, at, at == 26 || at == 28 ? 2 : 4), value) << "offset " << at;
        EXPECT_EQ(picture.rowBytes(), c.row);
        // The first stored row is the bottom line; each row's padding is zero.
        Bytes topDown(3 * static_cast<std::size_t>(c.w) * c.h);
        mivo::yuvToBgrReference(f.planes(), topDown.data(), 3 * c.w);
        for (int r = 0; r < c.h; ++r) {
            const std::string_view row = image.substr(54 + r * c.row, c.row);
            const std::size_t line = static_cast<std::size_t>(c.h - 1 - r) * 3 * c.w;
            ASSERT_EQ(Bytes(row.begin(), row.begin() + 3 * c.w),
                      Bytes(topDown.begin() + line, topDown.begin() + line + 3 * c.w))
                << "row " << r;
            ASSERT_EQ(row.substr(3 * c.w), std::string(c.row - 3 * c.w, '\0')) << "row " << r;
        }
    }
}

TEST(PictureBitmap, FramesTooSmallOrTooLargeLeaveNoPicture) {
    PictureBuffer picture;
    for (const auto& [w, h] : {std::pair{1, 8}, {8, 1}, {0, 0}, {2046, 1081}, {3000, 800}}) {
        const Frame f(w, h);
        ASSERT_TRUE(picture.build(Frame(8, 8).planes()));
        EXPECT_FALSE(picture.build(f.planes())) << w << " x " << h;
        EXPECT_TRUE(picture.empty());
        EXPECT_TRUE(picture.fileImage().empty());
    }
}

TEST(PictureBitmap, FileIsNamedAfterTheFrameAndWrittenWhole) {
    const std::pair<int, const char*> names[] = {{7, "000007.bmp"},        {1234, "001234.bmp"},
                                                 {0, "000000.bmp"},        {123456, "123456.bmp"},
                                                 {1234567, "1234567.bmp"}, {-1, "0000-1.bmp"}};
    for (const auto& [frame, name] : names)
        EXPECT_EQ(bitmapFileName(frame), name);

    const auto folder = std::filesystem::path(MIVO_BINARY_DIR) / "test-tmp" / "picture_bitmap";
    std::filesystem::create_directories(folder);
    const std::string prefix = folder.string() + "/";
    PictureBuffer picture;
    std::string path;
    EXPECT_FALSE(writeBitmapFile(picture, prefix, 7, path)) << "no picture yet";
    EXPECT_FALSE(std::filesystem::exists(path));
    ASSERT_TRUE(picture.build(Frame(720, 576).planes()));
    mivo::writeWholeFile(prefix + "000007.bmp", "an older file of that name");
    ASSERT_TRUE(writeBitmapFile(picture, prefix, 7, path));
    EXPECT_EQ(path, prefix + "000007.bmp");
    std::string written;
    ASSERT_TRUE(mivo::readWholeFile(path, written));
    EXPECT_EQ(written, picture.fileImage());
    EXPECT_FALSE(writeBitmapFile(picture, prefix + "missing/", 8, path));
    EXPECT_EQ(path, prefix + "missing/000008.bmp");
    std::filesystem::remove_all(folder);
}

} // namespace
