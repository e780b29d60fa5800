// A scan split in two halves that meet finds exactly the chapters of one scan in order: generated clips
// with random cuts, runs of short scenes and flicker (chains of decisions kept apart only by the last one)
// and cuts at and around the split frame, over many split frames, warm-ups and meeting windows.
#include "core/scan/scan_meeting.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <set>
#include <vector>

namespace {

using mivo::ScanMeeting;
using mivo::SceneDetector;

constexpr int kW = 48, kH = 32;

struct Clip {
    int frames;
    std::set<int> cuts; // a new scene starts at each
    unsigned seed;
    // Over these frames luma and chroma change every second frame, in turns: a high score on every
    // frame, and chapters kept apart only by the last decision.
    int flickerFrom = 0, flickerTo = 0;
};

std::uint32_t mix(std::uint32_t a, std::uint32_t b) {
    std::uint32_t h = a * 0x9E3779B1u ^ (b + 0x7F4A7C15u);
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    return h ^ (h >> 13);
}

// One texture per scene, of a brightness of its own, and a little noise per frame.
struct Painter {
    const Clip& clip;
    std::vector<std::uint8_t> planes[2];
    explicit Painter(const Clip& c) : clip(c) {
        for (auto& p : planes)
            p.resize(kW * kH * 3 / 2);
    }
    mivo::PlanarFrame paint(int n) {
        std::vector<std::uint8_t>& p = planes[n & 1];
        const auto scene =
            static_cast<std::uint32_t>(std::distance(clip.cuts.begin(), clip.cuts.upper_bound(n)));
        std::uint32_t lumaKey = mix(clip.seed, scene), chromaKey = lumaKey;
        if (n >= clip.flickerFrom && n < clip.flickerTo) {
            lumaKey = mix(clip.seed + 1, static_cast<std::uint32_t>(n / 2));
            chromaKey = mix(clip.seed + 2, static_cast<std::uint32_t>((n + 1) / 2));
        }
        for (std::size_t i = 0; i < p.size(); ++i) {
            const bool luma = i < kW * kH;
            const std::uint32_t key = luma ? lumaKey : chromaKey;
            const auto block = luma ? static_cast<std::uint32_t>((i % kW) / 16 + (i / kW) / 16 * 8) : 99u;
            p[i] = static_cast<std::uint8_t>(30 + key % 170 + mix(key, block) % 40 + (i * 7 + key) % 9 +
                                             (i * 13 + static_cast<std::size_t>(n) * 5) % 3);
        }
        return {p.data(), p.data() + kW * kH, p.data() + kW * kH + kW * kH / 4};
    }
};

// The frames first..last through one detector, handing each decision and state to `step`, which says
// whether to go on.
template <typename Step> void scan(const Clip& clip, int first, int last, Step step) {
    Painter painter(clip);
    SceneDetector detector;
    ASSERT_TRUE(detector.start(kW, kH));
    mivo::PlanarFrame previous = painter.paint(first);
    for (int n = first + 1; n <= last; ++n) {
        const mivo::PlanarFrame current = painter.paint(n);
        const bool decided = detector.frame(n - first, current, previous);
        if (!step(n, decided, detector.state())) return;
        previous = current;
    }
}

std::vector<int> sequential(const Clip& clip) {
    std::vector<int> out;
    scan(clip, 0, clip.frames - 1, [&](int n, bool decided, const SceneDetector::State&) {
        if (decided) out.push_back(n);
        return true;
    });
    return out;
}

// The later half first, to its end, then the earlier half; the meeting never waits.
std::vector<int> split(const Clip& clip, int splitFrame, int warmUp, int window, bool& met) {
    std::vector<int> out;
    const int last = clip.frames - 1;
    ScanMeeting meeting(splitFrame, window, last, [&](int n) { out.push_back(n); });
    scan(clip, splitFrame - warmUp, last, [&](int n, bool decided, const SceneDetector::State& s) {
        if (decided) meeting.laterDecision(n);
        meeting.laterReached(n, s);
        return true;
    });
    meeting.laterEnded();
    bool alone = false;
    scan(clip, 0, last, [&](int n, bool decided, const SceneDetector::State& s) {
        if (decided) meeting.earlierDecision(n);
        if (alone) return true;
        const ScanMeeting::Step step = meeting.earlierReached(n, s, [] { return false; });
        alone = step == ScanMeeting::Step::Alone;
        return step != ScanMeeting::Step::Met;
    });
    met = meeting.met();
    return out;
}

Clip generated(std::mt19937& random, int splitFrame) {
    Clip clip{360, {}, static_cast<unsigned>(random())};
    for (int i = random() % 6; i > 0; --i)
        clip.cuts.insert(static_cast<int>(random() % 360));
    // Runs of short scenes and of flicker, often across the split frame.
    const int runStart = splitFrame - 30 + static_cast<int>(random() % 40);
    for (int n = runStart, end = runStart + static_cast<int>(random() % 60); n < end; n += 1 + random() % 3)
        clip.cuts.insert(n);
    clip.flickerFrom = splitFrame - 40 + static_cast<int>(random() % 40);
    clip.flickerTo = clip.flickerFrom + static_cast<int>(random() % 80);
    for (int d = -2; d <= 2; ++d)
        if (random() % 3 == 0) clip.cuts.insert(splitFrame + d);
    return clip;
}

TEST(ScanMeeting, HalvesGiveExactlyTheSequentialChapters) {
    constexpr int kRounds = 40;
    std::mt19937 random(2024);
    int meetings = 0, apart = 0, cases = 0, chapters = 0;
    for (int round = 0; round < kRounds; ++round) {
        const int splitFrame = 40 + static_cast<int>(random() % 280);
        const Clip clip = generated(random, splitFrame);
        const std::vector<int> expected = sequential(clip);
        chapters += static_cast<int>(expected.size());
        for (const int warmUp : {2, 16})
            for (const int window : {3, 250}) {
                if (splitFrame - warmUp < 1) continue;
                bool met = false;
                ASSERT_EQ(split(clip, splitFrame, warmUp, window, met), expected)
                    << "round " << round << ", split at " << splitFrame << ", warm-up " << warmUp
                    << ", window " << window;
                ++cases;
                met ? ++meetings : ++apart;
            }
    }
    // Both ends of the meeting must have been exercised, and mostly the halves meet.
    EXPECT_GT(chapters, kRounds * 4);
    EXPECT_GT(apart, 0);
    EXPECT_GT(meetings, cases / 2);
}

} // namespace
