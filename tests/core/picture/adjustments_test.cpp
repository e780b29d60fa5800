#include "core/picture/frame_adjustments.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using namespace mivo::picture;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kGuard = 0xEE;
constexpr std::size_t kGuardBytes = 32;

// Planes of a w x h frame with a guard band after each, filled so that every line of every plane differs.
struct Frame {
    int w, h;
    Bytes luma, c2, c3;
    Frame(int width, int height) : w(width), h(height) {
        const auto fillPlane = [](Bytes& p, std::size_t size, int seed) {
            p.assign(size + kGuardBytes, kGuard);
            for (std::size_t i = 0; i < size; ++i)
                p[i] = static_cast<std::uint8_t>(seed + 37 * i % 211);
        };
        fillPlane(luma, static_cast<std::size_t>(w) * h, 0);
        fillPlane(c2, static_cast<std::size_t>(w / 2) * (h / 2), 1);
        fillPlane(c3, static_cast<std::size_t>(w / 2) * (h / 2), 2);
    }
    FramePlanesView view() { return {luma.data(), c2.data(), c3.data(), w, h, w * h, (w / 2) * (h / 2)}; }
};

// The bytes a plane should hold: `source(i)` gives the index of the original byte, or -1 for `fill`.
template <class F> Bytes expect(const Bytes& original, std::size_t size, std::uint8_t fill, F source) {
    Bytes out(original);
    for (std::size_t i = 0; i < size; ++i) {
        const long from = source(static_cast<long>(i));
        out[i] = from < 0 ? fill : original[static_cast<std::size_t>(from)];
    }
    return out; // the guard band stays as it was
}

TEST(PictureAdjustments, ShiftMovesLinesAndFillsWhatItFrees) {
    const int w = 8, h = 6;
    const long lumaSize = w * h, chromaSize = (w / 2) * (h / 2), pitch = w / 2;
    for (const int shift : {1, -1, 2, -2, 3, -3, 5, -5, h, -h, h + 7, -(h + 7)}) {
        SCOPED_TRACE(shift);
        Frame f(w, h);
        const Frame original = f;
        applyFrameAdjustments(f.view(), {.shift = shift});
        const long s = std::min<long>(std::abs(shift), h);
        // Luma: whole lines, freed ones black. Chroma: half as many lines, rounded down, and a quarter
        // of the luma's freed bytes set neutral at the freed end.
        const long move = (shift > 0 ? 1 : -1) * s * w, chromaMove = (shift > 0 ? 1 : -1) * (s / 2) * pitch;
        const long freed = std::min(s * w / 4, chromaSize);
        EXPECT_EQ(f.luma, expect(original.luma, lumaSize, 16, [&](long i) {
                      return i + move >= 0 && i + move < lumaSize ? i + move : -1;
                  }));
        const auto chroma = [&](long i) {
            if (shift > 0 ? i >= chromaSize - freed : i < freed) return -1L;
            return i + chromaMove;
        };
        EXPECT_EQ(f.c2, expect(original.c2, chromaSize, 128, chroma));
        EXPECT_EQ(f.c3, expect(original.c3, chromaSize, 128, chroma));
    }
}

TEST(PictureAdjustments, MasksBlackenTopAndBottomWithinThePlanes) {
    const int w = 8, h = 6;
    const long lumaSize = w * h, chromaSize = (w / 2) * (h / 2), pitch = w / 2;
    struct Case {
        int top, bottom;
    };
    for (const Case c : {Case{2, 0}, Case{0, 2}, Case{1, 3}, Case{3, 1}, Case{h + 4, 0}, Case{0, h + 4},
                         Case{0, 5}, Case{-2, -2}}) {
        SCOPED_TRACE(testing::Message() << c.top << " / " << c.bottom);
        Frame f(w, h);
        const Frame original = f;
        applyFrameAdjustments(f.view(), {.maskTop = c.top, .maskBottom = c.bottom});
        const long t = std::max(c.top, 0), b = std::max(c.bottom, 0);
        EXPECT_EQ(f.luma, expect(original.luma, lumaSize, 16,
                                 [&](long i) { return i / w < t || i / w >= h - b ? -1 : i; }));
        // Chroma: t x pitch / 2 bytes from the top; pitch x b / 2 bytes from chroma line h/2 - b/2 on, which
        // for an odd mask reaches past the plane's end and stops there.
        const long bottomFrom = std::max<long>(h / 2 - b / 2, 0) * pitch;
        const auto chroma = [&](long i) {
            return i < t * pitch / 2 || (b > 0 && i >= bottomFrom && i < bottomFrom + pitch * b / 2) ? -1 : i;
        };
        EXPECT_EQ(f.c2, expect(original.c2, chromaSize, 128, chroma));
        EXPECT_EQ(f.c3, expect(original.c3, chromaSize, 128, chroma));
    }
}

TEST(PictureAdjustments, ShiftComesBeforeTheMasks) {
    Frame f(8, 6);
    const Frame original = f;
    applyFrameAdjustments(f.view(), {.shift = 2, .maskTop = 1});
    EXPECT_EQ(Bytes(f.luma.begin(), f.luma.begin() + 8), Bytes(8, 16));
    EXPECT_EQ(Bytes(f.luma.begin() + 8, f.luma.begin() + 16),
              Bytes(original.luma.begin() + 24, original.luma.begin() + 32));
}

TEST(PictureAdjustments, PanScanWindowIsClearWithBlackEdgesAndDimmedOutside) {
    struct Case {
        int width, offset;
        bool on;
        int left, right; // dimmed columns on each side; 0 0 when nothing is drawn
    };
    const Case cases[] = {
        {720, 0, true, 90, 90},    {704, 0, true, 88, 88},     {720, 480, true, 120, 60},
        {720, -31, true, 89, 91}, // whole pixels truncate toward zero
        {720, 1520, true, 180, 0}, {704, -3200, true, 0, 176}, {720, 15, true, 90, 90},
        {718, 0, true, 0, 0},      {720, 0, false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " offset " << c.offset);
        Frame f(c.width, 4);
        for (std::size_t i = 0; i < f.luma.size() - kGuardBytes; ++i)
            f.luma[i] = static_cast<std::uint8_t>(i % c.width + i / c.width);
        const Frame original = f;
        applyFrameAdjustments(f.view(), {.panScan = c.on, .panScanOffset = c.offset});
        const int w = c.width;
        EXPECT_EQ(f.c2, original.c2);
        EXPECT_EQ(f.c3, original.c3);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < w; ++x) {
                const std::uint8_t v = original.luma[static_cast<std::size_t>(y * w + x)];
                std::uint8_t want = v;
                if (x < c.left || x >= w - c.right) want = v >= 128 ? v - 128 : 0;
                if ((c.left > 0 && x == c.left - 1) || (c.right > 0 && x == w - c.right)) want = 0;
                ASSERT_EQ(f.luma[static_cast<std::size_t>(y * w + x)], want)
                    << "column " << x + 1 << " line " << y;
            }
        EXPECT_EQ(Bytes(f.luma.end() - kGuardBytes, f.luma.end()), Bytes(kGuardBytes, kGuard));
    }
}

TEST(PictureAdjustments, PlanesSmallerThanTheirSizeSaysAreLeftAlone) {
    Frame f(8, 6);
    const Frame original = f;
    FramePlanesView v = f.view();
    v.lumaBytes -= 1;
    applyFrameAdjustments(v, {.shift = 2, .maskTop = 1, .maskBottom = 1});
    v = f.view();
    v.chromaPlaneBytes -= 1;
    applyFrameAdjustments(v, {.shift = 2, .maskTop = 1, .maskBottom = 1});
    EXPECT_EQ(f.luma, original.luma);
    EXPECT_EQ(f.c2, original.c2);
}

} // namespace
