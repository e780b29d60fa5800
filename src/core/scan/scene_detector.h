#pragma once
// The measure behind the scene-change chapter scan: frame by frame, how much a frame differs from the one
// before (whole-plane differences of all three planes) and how its 16 x 16 luma blocks moved (block sums
// and activity), weighed against short histories. A high score at frame n means that frame n - 1 starts
// a new scene. All per-scan state lives in fixed buffers sized for the largest frame, so a scan never
// allocates; the thread that fetches the frames and keeps the copy of the previous one lives elsewhere.

#include "core/kernels/block_statistics.h"
#include "core/kernels/cpu_features.h"
#include "core/kernels/plane_sad.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace mivo {

// A planar 4:2:0 frame: luma width x height bytes with pitch width; planes 2 and 3 (U and V) of
// (width / 2) x (height / 2) bytes with pitch width / 2.
struct PlanarFrame {
    const std::uint8_t* luma;
    const std::uint8_t* plane2;
    const std::uint8_t* plane3;
};

class SceneDetector {
  public:
    static constexpr int kMaxWidth = 1920;
    static constexpr int kMaxHeight = 1152;
    static constexpr int kBlockSize = 16;
    static constexpr int kMaxBlocks = (kMaxWidth / kBlockSize) * (kMaxHeight / kBlockSize);

    // The kernels are chosen once, for the features allowed.
    explicit SceneDetector(CpuFeatures allowed = detectedCpuFeatures());

    // Begins a scan of frames of this size, forgetting everything of an earlier one. False, and no scan,
    // when the size is outside 1..1920 x 1..1152.
    bool start(int width, int height);

    // Frame n (1, 2, 3 ... in order) against the frame before it. True when a chapter belongs at frame
    // n - 1. Throws std::logic_error when no scan was started or n is not the next frame.
    bool frame(int n, const PlanarFrame& current, const PlanarFrame& previous);

    // What one frame hands on to the next, histories oldest entry first, less the block sums (a
    // function of the frame itself) and the frame numbering. Two detectors whose states are equal after
    // the same frame decide alike on every frame after it, wherever each started.
    struct State {
        std::array<std::int64_t, 4> luma, activity, dc;
        std::int32_t differences[6];   // y, u, v: older and middle
        std::uint32_t prevDcRatioBits; // bits: a ratio that is not a number equals itself
        int histCount, framesSeen;     // frames seen counts only up to the first decision
        bool prevDcSmall, prevChapter;
        bool operator==(const State&) const = default;
    };
    State state() const;

  private:
    struct BlockTotals {
        std::int64_t sum = 0, activity = 0, dcDifference = 0;
    };
    // The two per-pixel differences before the newest one, kept at least 1 (they divide).
    struct Terms {
        float toOlder, toNewest;
    };
    struct DifferenceHistory {
        std::int32_t older = 0, middle = 0;
        Terms advance(std::int32_t newest);
    };
    using History = std::array<std::int64_t, 4>;

    BlockTotals measureBlocks(const std::uint8_t* luma);
    float score(const PlanarFrame& current, const PlanarFrame& previous);
    std::int64_t historyAverage(const History& history) const;

    BlockStatisticsFn blockStatistics_;
    PlaneSadFn planeSad_;

    int width_ = 0, blocksAcross_ = 0, blocksDown_ = 0, lastFrame_ = -1;
    std::size_t lumaBytes_ = 0, chromaBytes_ = 0;
    std::array<std::array<std::int32_t, kMaxBlocks>, 2> blockSums_{};
    int currentSums_ = 0; // which of the two holds the current frame's block sums

    History lumaHistory_{}, activityHistory_{}, dcHistory_{};
    int histIndex_ = 0, histCount_ = 0; // ring position 1..4 and entries filled
    DifferenceHistory y_, u_, v_;
    float prevDcRatio_ = 0;
    bool prevDcSmall_ = true, prevChapter_ = false;
    int framesSeen_ = 0;
};

} // namespace mivo
