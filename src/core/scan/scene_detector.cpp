#include "core/scan/scene_detector.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace mivo {

namespace {

constexpr std::int64_t kDcOffset = 24;
constexpr int kHistoryLength = 4;
constexpr int kFramesBeforeDecision = 3;
constexpr long kScoreThreshold = 16;
// Ratio thresholds, compared in single precision.
constexpr float kLumaSteady = 1.1f, kActivitySteady = 1.2f, kLumaSame = 1.005f;
constexpr float kDcSteady = 1.3f, kDcSmall = 1.7f;

// Nearest integer, halves away from zero.
long nint(float x) {
    return std::lround(x);
}

// The mean change of the block sums, offset; a frame narrower or lower than one block has no blocks and
// so no change.
std::int64_t dcMetricOf(std::int64_t dcDifference, int blocks) {
    if (blocks == 0) return kDcOffset;
    return nint(static_cast<float>(dcDifference) / static_cast<float>(blocks)) + kDcOffset;
}

// The larger of the two over the smaller; 0 / 0 gives a ratio that is not a number, which fails every
// comparison of the decision, so black frames never clear a score.
float ratio(std::int64_t average, std::int64_t value) {
    return average >= value ? static_cast<float>(average) / static_cast<float>(value)
                            : static_cast<float>(value) / static_cast<float>(average);
}

// As above, except that an activity history of nothing but flat blocks counts as steady.
float activityRatio(std::int64_t average, std::int64_t value) {
    if (average == 0) return 1.0f;
    return average > value ? static_cast<float>(average) / static_cast<float>(value)
                           : static_cast<float>(value) / static_cast<float>(average);
}

} // namespace

SceneDetector::SceneDetector(CpuFeatures allowed)
    : blockStatistics_(blockStatisticsFamily().choose(allowed)), planeSad_(planeSadFamily().choose(allowed)) {
}

bool SceneDetector::start(int width, int height) {
    lastFrame_ = -1;
    if (width < 1 || width > kMaxWidth || height < 1 || height > kMaxHeight) return false;
    width_ = width;
    // Whole blocks only: a partial block at the right or bottom edge would reach past the plane.
    blocksAcross_ = width / kBlockSize;
    blocksDown_ = height / kBlockSize;
    lumaBytes_ = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    chromaBytes_ = static_cast<std::size_t>(width / 2) * static_cast<std::size_t>(height / 2);
    for (auto& sums : blockSums_)
        sums.fill(0);
    lumaHistory_.fill(0);
    activityHistory_.fill(0);
    dcHistory_ = {kDcOffset, 0, 0, 0};
    histIndex_ = histCount_ = framesSeen_ = 0;
    y_ = u_ = v_ = DifferenceHistory{};
    prevDcRatio_ = 0;
    prevDcSmall_ = true;
    prevChapter_ = false;
    lastFrame_ = 0;
    return true;
}

SceneDetector::Terms SceneDetector::DifferenceHistory::advance(std::int32_t newest) {
    const std::int32_t o = std::max(older, 1), m = std::max(middle, 1), w = std::max(newest, 1);
    const Terms t{static_cast<float>(std::abs(m - o)) / static_cast<float>(o),
                  static_cast<float>(std::abs(m - w)) / static_cast<float>(w)};
    older = m;
    middle = w;
    return t;
}

SceneDetector::BlockTotals SceneDetector::measureBlocks(const std::uint8_t* luma) {
    currentSums_ ^= 1;
    std::int32_t* sums = blockSums_[static_cast<std::size_t>(currentSums_)].data();
    const std::int32_t* before = blockSums_[static_cast<std::size_t>(currentSums_ ^ 1)].data();
    const std::ptrdiff_t pitch = width_;
    BlockTotals t;
    std::int32_t lumaSum = 0; // 32 bits hold the largest frame's sum
    for (int by = 0, i = 0; by < blocksDown_; ++by) {
        const std::uint8_t* row = luma + static_cast<std::ptrdiff_t>(by) * kBlockSize * pitch;
        for (int bx = 0; bx < blocksAcross_; ++bx, ++i) {
            const BlockStatistics s = blockStatistics_(row + bx * kBlockSize, pitch);
            sums[i] = s.sum;
            lumaSum += s.sum;
            t.activity += s.activity;
            t.dcDifference += std::abs(before[i] - s.sum) >> 8;
        }
    }
    t.sum = lumaSum;
    return t;
}

float SceneDetector::score(const PlanarFrame& current, const PlanarFrame& previous) {
    const std::uint64_t sadY = planeSad_(current.luma, previous.luma, lumaBytes_);
    const std::uint64_t sadU = planeSad_(current.plane2, previous.plane2, chromaBytes_);
    const std::uint64_t sadV = planeSad_(current.plane3, previous.plane3, chromaBytes_);
    // Per-pixel differences; chroma planes hold a quarter of the pixels.
    const auto perPixel = [](std::uint64_t sad, std::size_t bytes, std::uint64_t weight) {
        return bytes > 0 ? static_cast<std::int32_t>(weight * sad / bytes) : 0;
    };
    const Terms y = y_.advance(perPixel(sadY, lumaBytes_, 1));
    const Terms u = u_.advance(perPixel(sadU, chromaBytes_, 4));
    const Terms v = v_.advance(perPixel(sadV, chromaBytes_, 4));
    // The summation order is part of the measure: single precision rounds after every addition.
    float s = v.toOlder + v.toNewest;
    s += y.toOlder;
    s += y.toNewest;
    s += u.toOlder;
    s += u.toNewest;
    return s;
}

std::int64_t SceneDetector::historyAverage(const History& history) const {
    return (history[0] + history[1] + history[2] + history[3]) / histCount_;
}

bool SceneDetector::frame(int n, const PlanarFrame& current, const PlanarFrame& previous) {
    if (lastFrame_ < 0) throw std::logic_error("SceneDetector::frame before start");
    if (n != lastFrame_ + 1) throw std::logic_error("SceneDetector::frame out of order");
    lastFrame_ = n;
    const float s = score(current, previous);
    histIndex_ = histIndex_ % kHistoryLength + 1;
    histCount_ = std::min(histCount_ + 1, kHistoryLength);
    const auto slot = static_cast<std::size_t>(histIndex_ - 1);

    const BlockTotals blocks = measureBlocks(current.luma);
    const std::int64_t dcMetric = dcMetricOf(blocks.dcDifference, blocksAcross_ * blocksDown_);

    lumaHistory_[slot] = blocks.sum;
    const float lumRatio = ratio(historyAverage(lumaHistory_), blocks.sum);
    activityHistory_[slot] = blocks.activity;
    const float actRatio = activityRatio(historyAverage(activityHistory_), blocks.activity);
    const std::int64_t dcAverage = historyAverage(dcHistory_); // before this frame's entry
    dcHistory_[slot] = dcMetric;
    const float dcRatio = ratio(dcAverage, dcMetric);

    // The decision rules, in order: steady pictures, the same brightness after a steady frame, the first
    // frames, and never two chapters in a row.
    long result = nint(s);
    if (lumRatio < kLumaSteady && actRatio < kActivitySteady && prevDcSmall_) result = 0;
    if (lumRatio < kLumaSame && prevDcRatio_ < kDcSteady) result = 0;
    if (framesSeen_ < kFramesBeforeDecision) result = 0;
    if (prevChapter_) result = 0;
    ++framesSeen_;
    prevDcRatio_ = dcRatio;
    prevDcSmall_ = dcRatio < kDcSmall;
    prevChapter_ = result >= kScoreThreshold;
    return prevChapter_;
}

} // namespace mivo

namespace mivo {

SceneDetector::State SceneDetector::state() const {
    State s{};
    // The ring's next slot holds its oldest entry; only the sums of the entries count, so the order
    // matters only for which one is replaced next.
    for (int i = 0; i < kHistoryLength; ++i) {
        const auto slot = static_cast<std::size_t>((histIndex_ + i) % kHistoryLength);
        const auto at = static_cast<std::size_t>(i);
        s.luma[at] = lumaHistory_[slot];
        s.activity[at] = activityHistory_[slot];
        s.dc[at] = dcHistory_[slot];
    }
    const DifferenceHistory* histories[] = {&y_, &u_, &v_};
    for (int i = 0; i < 3; ++i) {
        s.differences[2 * i] = histories[i]->older;
        s.differences[2 * i + 1] = histories[i]->middle;
    }
    s.prevDcRatioBits = std::bit_cast<std::uint32_t>(prevDcRatio_);
    s.histCount = histCount_;
    s.framesSeen = std::min(framesSeen_, kFramesBeforeDecision);
    s.prevDcSmall = prevDcSmall_;
    s.prevChapter = prevChapter_;
    return s;
}

} // namespace mivo
