#include "core/kernels/packed_to_planar.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

using mivo::PackedToPlanarFn;

// Every version this processor can run.
std::vector<mivo::KernelVersion<PackedToPlanarFn>> versions() {
    std::vector<mivo::KernelVersion<PackedToPlanarFn>> v;
    for (const auto& version : mivo::packedToPlanarFamily().versions)
        if ((version.needs & ~mivo::detectedCpuFeatures()) == 0) v.push_back(version);
    return v;
}

// The conversion with tight pitches, as the program's planes have them.
void convert(PackedToPlanarFn fn, const std::uint8_t* packed, int w, int h, std::uint8_t* y, std::uint8_t* u,
             std::uint8_t* v) {
    fn(packed, 2 * w, w, h, y, w, u, v, w / 2);
}

struct Planes {
    std::vector<std::uint8_t> y, u, v;
    Planes(int w, int h, std::uint8_t fill)
        : y(static_cast<std::size_t>(w) * h, fill), u(static_cast<std::size_t>(w / 2) * (h / 2), fill),
          v(static_cast<std::size_t>(w / 2) * (h / 2), fill) {}
};

TEST(PackedToPlanar, Yuy2FrameBecomesFullLumaAndQuarterChromaRoundedUp) {
    const int w = 720, h = 576;
    std::vector<std::uint8_t> packed(2 * w * h);
    // Luma from the position; U 100 on even lines and 101 on odd ones; V covers the rounding corners.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; x += 2) {
            std::uint8_t* p = &packed[static_cast<std::size_t>(y) * 2 * w + 2 * x];
            p[0] = static_cast<std::uint8_t>(x * 7 + y);
            p[1] = y % 2 == 0 ? 100 : 101;
            p[2] = static_cast<std::uint8_t>((x + 1) * 7 + y);
            const int pair = x / 2 % 4;
            const std::uint8_t top[4] = {0, 255, 254, 10}, bottom[4] = {255, 255, 255, 10};
            p[3] = y % 2 == 0 ? top[pair] : bottom[pair];
        }
    for (const auto& version : versions()) {
        SCOPED_TRACE(version.name);
        Planes out(w, h, 0x55);
        ASSERT_EQ(out.u.size(), 360u * 288u);
        convert(version.fn, packed.data(), w, h, out.y.data(), out.u.data(), out.v.data());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(out.y[static_cast<std::size_t>(y) * w + x], static_cast<std::uint8_t>(x * 7 + y))
                    << x << "," << y;
        const std::uint8_t expectedV[4] = {128, 255, 255, 10};
        for (int y = 0; y < h / 2; ++y)
            for (int x = 0; x < w / 2; ++x) {
                ASSERT_EQ(out.u[static_cast<std::size_t>(y) * (w / 2) + x], 101) << x << "," << y;
                ASSERT_EQ(out.v[static_cast<std::size_t>(y) * (w / 2) + x], expectedV[x % 4])
                    << x << "," << y;
            }
    }
}

TEST(PackedToPlanar, VersionsGiveIdenticalBytesAndLeaveTheRemainderAlone) {
    std::mt19937 rng(20240611);
    const int sizes[][2] = {{720, 576}, {1920, 1080}, {704, 480}, {8, 2}, {16, 2}, {24, 4}, {40, 6},
                            {718, 575}, {721, 577},   {12, 3},    {4, 4}, {10, 1}, {1, 1},  {0, 4}};
    for (const auto& size : sizes) {
        const int w = size[0], h = size[1];
        SCOPED_TRACE(testing::Message() << w << "x" << h);
        std::vector<std::uint8_t> packed(static_cast<std::size_t>(2 * w * h));
        for (auto& b : packed)
            b = static_cast<std::uint8_t>(rng());

        Planes reference(w, h, 0xC3);
        convert(mivo::packedToPlanarReference, packed.data(), w, h, reference.y.data(), reference.u.data(),
                reference.v.data());

        // Columns past the last whole 8-pixel group and a last odd line keep what they held.
        const int doneW = w / 8 * 8, doneH = h / 2 * 2;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (x >= doneW || y >= doneH) {
                    ASSERT_EQ(reference.y[static_cast<std::size_t>(y) * w + x], 0xC3) << x << "," << y;
                }
        for (int y = 0; y < h / 2; ++y)
            for (int x = doneW / 2; x < w / 2; ++x) {
                ASSERT_EQ(reference.u[static_cast<std::size_t>(y) * (w / 2) + x], 0xC3);
                ASSERT_EQ(reference.v[static_cast<std::size_t>(y) * (w / 2) + x], 0xC3);
            }

        for (const auto& version : versions()) {
            SCOPED_TRACE(version.name);
            Planes out(w, h, 0xC3);
            convert(version.fn, packed.data(), w, h, out.y.data(), out.u.data(), out.v.data());
            ASSERT_EQ(out.y, reference.y);
            ASSERT_EQ(out.u, reference.u);
            ASSERT_EQ(out.v, reference.v);
        }
        // Every processor level picks a version that agrees with the reference.
        for (int level = 0; level <= 6; ++level) {
            Planes out(w, h, 0xC3);
            convert(mivo::packedToPlanarFor(level), packed.data(), w, h, out.y.data(), out.u.data(),
                    out.v.data());
            ASSERT_EQ(out.y, reference.y) << "level " << level;
            ASSERT_EQ(out.u, reference.u) << "level " << level;
            ASSERT_EQ(out.v, reference.v) << "level " << level;
        }
    }
}

// Whole frames leave no pixel behind: every luma byte is its packed byte, every chroma byte the rounded
// average of its line pair, whatever the width and height.
TEST(PackedToPlanar, WholeFramesConvertEveryPixel) {
    std::mt19937 rng(7);
    for (const int w : {2, 6, 8, 10, 718, 720, 721})
        for (const int h : {1, 2, 5, 576}) {
            std::vector<std::uint8_t> packed(static_cast<std::size_t>(2 * w * h));
            for (auto& b : packed)
                b = static_cast<std::uint8_t>(rng());
            const auto at = [&](int x, int y, int byte) {
                return packed[static_cast<std::size_t>(y * 2 * w + 2 * x + byte)];
            };
            for (const auto& version : versions()) {
                Planes out(w, h, 0xC3);
                mivo::convertPackedFrame(version.fn, packed.data(), 2 * w, w, h, out.y.data(), w,
                                         out.u.data(), out.v.data(), w / 2);
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x)
                        ASSERT_EQ(out.y[static_cast<std::size_t>(y * w + x)], at(x, y, 0))
                            << version.name << " " << w << "x" << h << " at " << x << "," << y;
                for (int y = 0; y < h / 2; ++y)
                    for (int x = 0; x < w / 2; ++x)
                        for (const int c : {0, 1}) {
                            const std::vector<std::uint8_t>& plane = c == 0 ? out.u : out.v;
                            const int expected =
                                (at(2 * x, 2 * y, 1 + 2 * c) + at(2 * x, 2 * y + 1, 1 + 2 * c) + 1) / 2;
                            ASSERT_EQ(plane[static_cast<std::size_t>(y * (w / 2) + x)], expected)
                                << version.name << " " << w << "x" << h << " chroma " << c << " at " << x
                                << "," << y;
                        }
            }
        }
}

TEST(PackedToPlanar, LevelChoosesTheVersion) {
    const struct {
        int level;
        mivo::CpuFeatures needs;
        PackedToPlanarFn expected;
    } rows[] = {
        {1, mivo::cpu::mmx, mivo::packedToPlanarWord64},
#if defined(MIVO_X86_KERNELS)
        {2, mivo::cpu::sse2, mivo::packedToPlanarSse2},
        {6, mivo::cpu::avx2, mivo::packedToPlanarAvx2},
#endif
    };
    for (const auto& row : rows)
        if ((mivo::detectedCpuFeatures() & row.needs) != 0) {
            EXPECT_EQ(mivo::packedToPlanarFor(row.level), row.expected) << "level " << row.level;
        }
}

} // namespace
