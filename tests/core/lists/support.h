#pragma once
// A settings record for the list tests, with the lists as plain vectors to set and compare.

#include "core/settings/settings.h"
#include "core/source_state.h"

#include <algorithm>
#include <memory>
#include <random>
#include <utility>
#include <vector>

namespace mivo::test {

struct ListRecord {
    SourceState source;
    std::unique_ptr<Settings> s = std::make_unique<Settings>(source);

    std::vector<int> chapters() const {
        return {s->chapterFrames.begin(), s->chapterFrames.begin() + s->chapterCount};
    }
    void setChapters(const std::vector<int>& frames) {
        s->clearChapters();
        std::copy(frames.begin(), frames.end(), s->chapterFrames.begin());
        s->chapterCount = static_cast<int>(frames.size());
    }
    std::vector<std::pair<int, float>> zones() const {
        std::vector<std::pair<int, float>> out;
        for (int i = 0; i < s->zoneCount; ++i)
            out.emplace_back(s->zoneFrames[static_cast<std::size_t>(i)],
                             s->zoneFactors[static_cast<std::size_t>(i)]);
        return out;
    }
    std::vector<std::pair<int, int>> positions() const {
        std::vector<std::pair<int, int>> out;
        for (int i = 0; i < s->panScanCount; ++i)
            out.emplace_back(s->panScanFrames[static_cast<std::size_t>(i)],
                             s->panScanOffsets[static_cast<std::size_t>(i)]);
        return out;
    }
    void setPositions(const std::vector<std::pair<int, int>>& list) {
        s->clearPanScan();
        for (std::size_t i = 0; i < list.size(); ++i) {
            s->panScanFrames[i] = list[i].first;
            s->panScanOffsets[i] = list[i].second;
        }
        s->panScanCount = static_cast<int>(list.size());
    }
    // Every place past the count holds 0, as the lists promise after any edit.
    bool tailsAreZero() const {
        const auto zero = [](auto first, auto last) {
            return std::all_of(first, last, [](auto v) { return v == 0; });
        };
        return zero(s->chapterFrames.begin() + s->chapterCount,
                    s->chapterFrames.begin() + std::max(s->chapterCount, 1000)) &&
               zero(s->zoneFrames.begin() + s->zoneCount, s->zoneFrames.end()) &&
               zero(s->panScanFrames.begin() + s->panScanCount, s->panScanFrames.end()) &&
               zero(s->panScanOffsets.begin() + s->panScanCount, s->panScanOffsets.end());
    }
};

// Sorted random frames in 0..maxFrame, duplicates possible.
inline std::vector<int> randomFrames(std::mt19937& rng, std::size_t n, int maxFrame) {
    std::uniform_int_distribution<int> frame(0, maxFrame);
    std::vector<int> out(n);
    for (int& f : out)
        f = frame(rng);
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace mivo::test
