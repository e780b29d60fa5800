// The scene-change measure on generated clips: where it puts chapters, and agreement with a plain
// transcription of its definition over random clips (summation order and rounding included).
#include "core/scan/scene_detector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <random>
#include <stdexcept>
#include <vector>

namespace {

using mivo::SceneDetector;
using Bytes = std::vector<std::uint8_t>;

// Planes of exactly the frame's size, so a read past a plane shows under the address sanitizer.
struct Frame {
    int w, h;
    Bytes y, u, v;
    Frame(int width, int height)
        : w(width), h(height), y(static_cast<std::size_t>(width * height)),
          u(static_cast<std::size_t>((width / 2) * (height / 2))), v(u.size()) {}
    mivo::PlanarFrame view() const { return {y.data(), u.data(), v.data()}; }
};

using Painter = std::function<void(int n, Frame&)>;

// The frames the detector decides a chapter on, as the scan drives it (chapters at these minus 1).
std::vector<int> decisions(SceneDetector& detector, int w, int h, int frameCount, const Painter& paint) {
    Frame current(w, h), previous(w, h);
    paint(0, current);
    EXPECT_TRUE(detector.start(w, h));
    std::vector<int> found;
    for (int n = 1; n < frameCount; ++n) {
        std::swap(current, previous);
        paint(n, current);
        if (detector.frame(n, current.view(), previous.view())) found.push_back(n);
    }
    return found;
}

std::vector<int> chapters(SceneDetector& detector, int w, int h, int frameCount, const Painter& paint) {
    std::vector<int> found = decisions(detector, w, h, frameCount, paint);
    for (int& n : found)
        --n;
    return found;
}

// Flat planes whose luma steps from `before` to each of `after` at the frames in `cuts`.
Painter flatCuts(int before, std::vector<int> cuts, std::vector<int> after, int u = 128, int v = 128) {
    return [=](int n, Frame& f) {
        int luma = before;
        for (std::size_t i = 0; i < cuts.size(); ++i)
            if (n >= cuts[i]) luma = after[i];
        std::fill(f.y.begin(), f.y.end(), static_cast<std::uint8_t>(luma));
        std::fill(f.u.begin(), f.u.end(), static_cast<std::uint8_t>(u));
        std::fill(f.v.begin(), f.v.end(), static_cast<std::uint8_t>(v));
    };
}

TEST(SceneDetector, FlatCutIsRecordedAtItsFrameWhileTheNextFrameIsHandled) {
    SceneDetector detector;
    EXPECT_EQ(decisions(detector, 720, 576, 200, flatCuts(60, {100}, {120})), std::vector<int>{101});
}

TEST(SceneDetector, DecisionsStartAtTheFourthFrameAndNeverTwiceInARow) {
    const struct {
        std::vector<int> cuts, lumas, expected;
    } rows[] = {
        {{1}, {120}, {}},
        {{2}, {120}, {}},
        {{3}, {120}, {3}},
        {{4}, {120}, {4}},
        {{50, 51}, {120, 180}, {50}},
        {{50, 52}, {120, 180}, {50, 52}},
    };
    SceneDetector detector;
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "first cut " << row.cuts.front());
        EXPECT_EQ(chapters(detector, 64, 48, 80, flatCuts(60, row.cuts, row.lumas)), row.expected);
    }
}

// Before the cut a fine checker of 100 +- 20; from frame 40 the other phase of (100 + meanShift) +- 40,
// each 16 x 16 block raised or lowered by blockShift in a checker of blocks (the frame's total unchanged).
// The texture change keeps the activity ratio high, so only the brightness rule can clear the cut.
TEST(SceneDetector, SameBrightnessAfterASteadyFrameClearsTheScore) {
    const struct {
        int meanShift, blockShift;
        bool chapter;
    } rows[] = {{0, 0, false}, {2, 0, true}, {0, 4, false}, {0, 8, true}};
    SceneDetector detector;
    for (const auto& row : rows) {
        const Painter paint = [&row](int n, Frame& f) {
            const bool after = n >= 40;
            for (int y = 0; y < f.h; ++y)
                for (int x = 0; x < f.w; ++x) {
                    const bool odd = ((x + y) % 2 == 1) != after;
                    const int block =
                        after ? (((x / 16 + y / 16) % 2) ? row.blockShift : -row.blockShift) : 0;
                    const int base = after ? 100 + row.meanShift : 100, amplitude = after ? 40 : 20;
                    f.y[static_cast<std::size_t>(y * f.w + x)] =
                        static_cast<std::uint8_t>(base + block + (odd ? amplitude : -amplitude));
                }
            std::fill(f.u.begin(), f.u.end(), 128);
            std::fill(f.v.begin(), f.v.end(), 128);
        };
        SCOPED_TRACE(testing::Message() << "mean +" << row.meanShift << ", blocks +-" << row.blockShift);
        EXPECT_EQ(chapters(detector, 352, 288, 60, paint),
                  row.chapter ? std::vector<int>{40} : std::vector<int>{});
    }
}

// Black luma makes the brightness ratios 0 / 0, which must not clear a chroma cut; grey luma does.
TEST(SceneDetector, BlackFramesNeverClearAScore) {
    SceneDetector detector;
    EXPECT_EQ(chapters(detector, 64, 64, 80,
                       [](int n, Frame& f) { flatCuts(0, {30}, {0}, n >= 30 ? 200 : 128)(n, f); }),
              std::vector<int>{30});
    EXPECT_EQ(chapters(detector, 64, 64, 80,
                       [](int n, Frame& f) { flatCuts(16, {30}, {16}, n >= 30 ? 200 : 128)(n, f); }),
              std::vector<int>{});
}

TEST(SceneDetector, RefusesSizesBeyondItsBuffersAndFramesOutOfOrder) {
    const struct {
        int w, h;
        bool accepted;
    } sizes[] = {{0, 16, false},      {16, 0, false},     {1921, 1080, false},
                 {1920, 1153, false}, {1920, 1152, true}, {1, 1, true}};
    SceneDetector detector;
    for (const auto& s : sizes)
        EXPECT_EQ(detector.start(s.w, s.h), s.accepted) << s.w << "x" << s.h;
    const Frame f(16, 16);
    ASSERT_FALSE(detector.start(1921, 1080));
    EXPECT_THROW(detector.frame(1, f.view(), f.view()), std::logic_error) << "a refused size leaves no scan";
    ASSERT_TRUE(detector.start(16, 16));
    EXPECT_THROW(detector.frame(2, f.view(), f.view()), std::logic_error);
    EXPECT_NO_THROW(detector.frame(1, f.view(), f.view()));
    EXPECT_THROW(detector.frame(1, f.view(), f.view()), std::logic_error);
}

// Nearest integer with halves away from zero, for the non-negative values the measure rounds.
long nearest(float x) {
    const long whole = static_cast<long>(x);
    return x - static_cast<float>(whole) >= 0.5f ? whole + 1 : whole;
}

// The measure written out from its definition: plain loops, whole 16 x 16 blocks in raster order,
// histories indexed 1..4, the score summed in its stated order.
class Transcription {
  public:
    Transcription(int w, int h) : w_(w), h_(h), sums_(static_cast<std::size_t>((w / 16) * (h / 16))) {}

    bool frame(const Frame& cur, const Frame& prev) {
        const auto sad = [](const Bytes& a, const Bytes& b) {
            std::uint64_t s = 0;
            for (std::size_t i = 0; i < a.size() / 256 * 256; ++i)
                s += static_cast<std::uint64_t>(std::abs(a[i] - b[i]));
            return s;
        };
        const auto lumaBytes = static_cast<std::uint64_t>(w_ * h_), chromaBytes = std::uint64_t{cur.u.size()};
        const auto Y = static_cast<std::int32_t>(sad(cur.y, prev.y) / lumaBytes);
        const auto U = static_cast<std::int32_t>(chromaBytes ? 4 * sad(cur.u, prev.u) / chromaBytes : 0);
        const auto V = static_cast<std::int32_t>(chromaBytes ? 4 * sad(cur.v, prev.v) / chromaBytes : 0);
        idx_ = idx_ % 4 + 1;
        count_ = std::min(count_ + 1, 4);
        std::int32_t totalSum = 0;
        std::int64_t totalAct = 0, dcDiff = 0;
        const int across = w_ / 16, blocks = across * (h_ / 16);
        for (int i = 0; i < blocks; ++i) {
            std::int32_t S = 0, Q = 0;
            for (int y = 16 * (i / across); y < 16 * (i / across) + 16; ++y)
                for (int x = 16 * (i % across); x < 16 * (i % across) + 16; ++x) {
                    S += cur.y[static_cast<std::size_t>(y * w_ + x)];
                    Q += cur.y[static_cast<std::size_t>(y * w_ + x)] *
                         cur.y[static_cast<std::size_t>(y * w_ + x)];
                }
            totalSum += S;
            totalAct += Q - (S >> 4) * (S >> 4);
            dcDiff += std::abs(sums_[static_cast<std::size_t>(i)] - S) >> 8;
            sums_[static_cast<std::size_t>(i)] = S;
        }
        const std::int64_t dcMetric =
            (blocks ? nearest(static_cast<float>(dcDiff) / static_cast<float>(blocks)) : 0) + 24;
        float Y1, Y2, U1, U2, V1, V2;
        terms(Ypp_, Yp_, Y, Y1, Y2);
        terms(Upp_, Up_, U, U1, U2);
        terms(Vpp_, Vp_, V, V1, V2);
        long score = nearest(((((V1 + V2) + Y1) + Y2) + U1) + U2);
        lum_[idx_] = totalSum;
        float lumRatio = larger(average(lum_), totalSum);
        act_[idx_] = totalAct;
        const std::int64_t actAvg = average(act_);
        float actRatio = actAvg == 0         ? 1.0f
                         : actAvg > totalAct ? float(actAvg) / float(totalAct)
                                             : float(totalAct) / float(actAvg);
        const std::int64_t dcAvg = average(dc_);
        dc_[idx_] = dcMetric;
        float dcRatio = larger(dcAvg, dcMetric);
        if (lumRatio < 1.1f && actRatio < 1.2f && prevDcSmall_) score = 0;
        if (lumRatio < 1.005f && prevDcRatio_ < 1.3f) score = 0;
        if (framesSeen_ < 3 || prevChapter_) score = 0;
        ++framesSeen_;
        prevDcRatio_ = dcRatio;
        prevDcSmall_ = dcRatio < 1.7f;
        return prevChapter_ = score >= 16;
    }

  private:
    static void terms(std::int32_t& pp, std::int32_t& p, std::int32_t now, float& t1, float& t2) {
        const std::int32_t older = std::max(pp, 1), middle = std::max(p, 1), newest = std::max(now, 1);
        t1 = float(std::abs(middle - older)) / float(older);
        t2 = float(std::abs(middle - newest)) / float(newest);
        pp = middle;
        p = newest;
    }
    std::int64_t average(const std::int64_t (&h)[5]) const { return (h[1] + h[2] + h[3] + h[4]) / count_; }
    static float larger(std::int64_t avg, std::int64_t value) {
        return avg >= value ? float(avg) / float(value) : float(value) / float(avg);
    }

    int w_, h_, idx_ = 0, count_ = 0, framesSeen_ = 0;
    std::vector<std::int32_t> sums_;
    std::int64_t lum_[5] = {}, act_[5] = {}, dc_[5] = {0, 24, 0, 0, 0};
    std::int32_t Ypp_ = 0, Yp_ = 0, Upp_ = 0, Up_ = 0, Vpp_ = 0, Vp_ = 0;
    float prevDcRatio_ = 0;
    bool prevDcSmall_ = true, prevChapter_ = false;
};

// Scenes of 1 to 12 frames: flat, black, still noise, noise that flickers, or a moving ramp.
Painter randomClip(std::uint32_t seed, int frameCount) {
    std::mt19937 rng(seed);
    std::vector<std::array<std::uint64_t, 5>> scenes; // first frame, kind, three parameters
    for (int n = 0; n < frameCount; n += 1 + static_cast<int>(rng() % 12))
        scenes.push_back({static_cast<std::uint64_t>(n), rng() % 5, rng(), rng(), rng()});
    return [scenes](int n, Frame& f) {
        auto s = scenes.front();
        for (const auto& scene : scenes)
            if (static_cast<int>(scene[0]) <= n) s = scene;
        std::mt19937 noise(
            static_cast<std::uint32_t>(s[2] + (s[1] == 3 ? static_cast<std::uint64_t>(n) : 0)));
        const auto paint = [&](Bytes& plane, int w, std::uint64_t flat) {
            for (std::size_t i = 0; i < plane.size(); ++i) {
                const int x = w > 0 ? static_cast<int>(i) % w : 0, y = w > 0 ? static_cast<int>(i) / w : 0;
                const std::uint64_t value[] = {
                    flat, 0, noise(), noise() % 32 + flat % 200,
                    static_cast<std::uint64_t>(x + 3 * y + n * static_cast<int>(s[4] % 9))};
                plane[i] = static_cast<std::uint8_t>(value[s[1]]);
            }
        };
        paint(f.y, f.w, s[3] % 256);
        paint(f.u, f.w / 2, s[4] % 256);
        paint(f.v, f.w / 2, (s[3] >> 8) % 256);
    };
}

// The frames the transcription decides a chapter on.
std::vector<int> transcribed(int w, int h, int frameCount, const Painter& paint) {
    Transcription plain(w, h);
    Frame current(w, h), previous(w, h);
    paint(0, current);
    std::vector<int> found;
    for (int n = 1; n < frameCount; ++n) {
        std::swap(current, previous);
        paint(n, current);
        if (plain.frame(current, previous)) found.push_back(n);
    }
    return found;
}

TEST(SceneDetector, AgreesWithTheTranscriptionOnRandomClipsWithEveryKernelSet) {
    const int sizes[][2] = {{64, 48}, {160, 96}, {100, 70}, {8, 8}, {1, 1}, {33, 17}, {48, 16}};
    int found = 0;
    for (std::uint32_t seed = 0; seed < 14; ++seed) {
        const int w = sizes[seed % 7][0], h = sizes[seed % 7][1], frameCount = 90;
        const Painter paint = randomClip(seed, frameCount);
        const std::vector<int> expected = transcribed(w, h, frameCount, paint);
        found += static_cast<int>(expected.size());
        for (const mivo::CpuFeatures allowed : {mivo::CpuFeatures{0}, mivo::detectedCpuFeatures()}) {
            SceneDetector detector(allowed);
            EXPECT_EQ(decisions(detector, w, h, frameCount, paint), expected)
                << "seed " << seed << ", features " << allowed;
        }
    }
    EXPECT_GT(found, 20) << "the clips must reach the decisions";
}

// Four flat 16 x 16 blocks a frame, from a few levels a short step apart: the per-pixel differences are
// small integers, so the score's terms are fractions that often sum to a half, and the mean block change
// often ends in a half. Only such clips tell the summation order and the rounding of halves apart.
Painter flatBlockClip(std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<std::array<int, 6>> frames(12); // four block lumas, U, V
    for (std::size_t n = 0; n < frames.size(); ++n)
        for (std::size_t i = 0; i < 6; ++i)
            frames[n][i] = n > 0 && rng() % 3 == 0 ? frames[n - 1][i] : 40 + static_cast<int>(rng() % 7) * 3;
    return [frames](int n, Frame& f) {
        const auto& values = frames[static_cast<std::size_t>(n)];
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                f.y[static_cast<std::size_t>(32 * y + x)] =
                    static_cast<std::uint8_t>(values[2 * (y / 16) + x / 16]);
        std::fill(f.u.begin(), f.u.end(), static_cast<std::uint8_t>(values[4]));
        std::fill(f.v.begin(), f.v.end(), static_cast<std::uint8_t>(values[5]));
    };
}

TEST(SceneDetector, AgreesWithTheTranscriptionOnFlatBlockClips) {
    SceneDetector detector;
    int found = 0;
    for (std::uint32_t seed = 0; seed < 4000; ++seed) {
        const Painter paint = flatBlockClip(seed);
        const std::vector<int> expected = transcribed(32, 32, 12, paint);
        found += static_cast<int>(expected.size());
        ASSERT_EQ(decisions(detector, 32, 32, 12, paint), expected) << "seed " << seed;
    }
    EXPECT_GT(found, 400);
}

// Flat clips found by a search over random flat frames: at one decision the score's terms add up to 15.5
// in the stated order but to 15.499999 (or 15.500001) in another order or in double precision, so only
// the stated order in single precision gives the decision the transcription gives.
TEST(SceneDetector, SummationOrderDecidesScoresOfOneHalf) {
    // Five steady frames of luma 100 and grey chroma, then these (Y, U, V).
    const int clips[][5][3] = {
        {{48, 130, 116}, {107, 129, 125}, {99, 138, 128}, {117, 108, 109}, {126, 113, 121}},
        {{101, 136, 119}, {111, 116, 121}, {83, 100, 108}, {77, 108, 105}, {90, 108, 135}},
        {{90, 126, 122}, {88, 105, 119}, {60, 100, 126}, {152, 129, 116}, {116, 134, 138}},
        {{99, 123, 111}, {61, 131, 108}, {118, 104, 108}, {113, 124, 102}, {144, 118, 115}},
    };
    SceneDetector detector;
    for (const auto& clip : clips) {
        const Painter paint = [&clip](int n, Frame& f) {
            const int steady[3] = {100, 128, 128};
            const int* values = n < 5 ? steady : clip[n - 5];
            std::fill(f.y.begin(), f.y.end(), static_cast<std::uint8_t>(values[0]));
            std::fill(f.u.begin(), f.u.end(), static_cast<std::uint8_t>(values[1]));
            std::fill(f.v.begin(), f.v.end(), static_cast<std::uint8_t>(values[2]));
        };
        const std::vector<int> expected = transcribed(32, 32, 10, paint);
        EXPECT_FALSE(expected.empty());
        EXPECT_EQ(decisions(detector, 32, 32, 10, paint), expected) << "clip starting " << clip[0][0];
    }
}

TEST(SceneDetector, TwoScansOfTheSameClipGiveTheSameChapters) {
    SceneDetector detector;
    const Painter paint = randomClip(99, 150);
    const std::vector<int> first = chapters(detector, 96, 64, 150, paint);
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(chapters(detector, 96, 64, 150, paint), first);
}

} // namespace
