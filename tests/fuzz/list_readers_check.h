#pragma once
// The promises of the chapter and pan-scan file readers, as one check over any input text: the import
// never fails in a way the record shows (a failed read leaves an empty list, places past the count stay
// 0, a read list keeps its bounds), and a list that was read exports to a file that imports back to the
// same list. Shared by the fuzz targets and the unit test that replays their corpora.

#include "core/lists/chapter_file.h"
#include "core/lists/list_messages.h"
#include "core/lists/panscan_file.h"
#include "core/lists/panscan_list.h"
#include "core/settings/settings.h"
#include "core/source_state.h"

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace mivo::test {

namespace detail {
inline std::vector<int> chapterList(const Settings& s) {
    return {s.chapterFrames.begin(), s.chapterFrames.begin() + s.chapterCount};
}
inline std::vector<std::pair<int, int>> positionList(const Settings& s) {
    std::vector<std::pair<int, int>> out;
    for (std::size_t i = 0; i < static_cast<std::size_t>(s.panScanCount); ++i)
        out.emplace_back(s.panScanFrames[i], s.panScanOffsets[i]);
    return out;
}
} // namespace detail

inline std::string checkChapterImport(std::string_view text) {
    const lists::ChapterSource sources[] = {{100000, 30000.0 / 1001.0}, {0, 0.0}};
    for (const lists::ChapterSource& source : sources) {
        SourceState state;
        auto s = std::make_unique<Settings>(state);
        const lists::ListFileResult result = lists::importChapterText(*s, text, source);
        const int n = s->chapterCount;
        if (n < 0 || n > kChapterCapacity) return "count out of bounds";
        // Every entry the reader wrote came from a token of the text, so the text's length bounds them.
        const auto written =
            std::min<std::size_t>(kChapterCapacity, static_cast<std::size_t>(n) + text.size() + 1);
        if (!std::all_of(s->chapterFrames.begin() + n, s->chapterFrames.begin() + written,
                         [](int v) { return v == 0; }))
            return "a place past the count is not 0";
        if (!result.ok) {
            if (n != 0) return "a failed read left entries";
            if (result.status != list_messages::kChapterFileUnreadable) return "failure not reported";
            continue;
        }
        const std::vector<int> list = detail::chapterList(*s);
        if (!std::is_sorted(list.begin(), list.end())) return "list not sorted";
        if (!list.empty() && list.back() > source.frameCount) return "a frame beyond the source stayed";
        if (!result.status.starts_with(" " + std::to_string(list.size()) + " ") &&
            result.status.find("WARNING") == std::string::npos)
            return "the count read is not reported";
        if (list.empty()) continue;
        SourceState backState;
        auto back = std::make_unique<Settings>(backState);
        if (!lists::importChapterText(*back, lists::chapterFileText(*s), source).ok)
            return "export does not read";
        if (detail::chapterList(*back) != list) return "export reads back to another list";
    }
    return {};
}

inline std::string checkPanScanImport(std::string_view text) {
    for (const int width : {720, 704, 1920}) {
        SourceState state;
        auto s = std::make_unique<Settings>(state);
        const lists::ListFileResult result = lists::importPanScanText(*s, text, width);
        const int n = s->panScanCount;
        if (n < 0 || n > kPanScanCapacity) return "count out of bounds";
        if (!std::all_of(s->panScanFrames.begin() + n, s->panScanFrames.end(),
                         [](int v) { return v == 0; }) ||
            !std::all_of(s->panScanOffsets.begin() + n, s->panScanOffsets.end(),
                         [](int v) { return v == 0; }))
            return "a place past the count is not 0";
        if (!result.ok) {
            if (n != 0) return "a failed read left entries";
            continue;
        }
        const auto list = detail::positionList(*s);
        const lists::OffsetLimits limits = lists::offsetLimits(width);
        for (const auto& entry : list)
            if (entry.second < limits.lower || entry.second > limits.upper) return "offset beyond the limits";
        if (list.empty()) continue;
        SourceState backState;
        auto back = std::make_unique<Settings>(backState);
        if (!lists::importPanScanText(*back, lists::panScanFileText(*s), width).ok)
            return "export does not read";
        if (detail::positionList(*back) != list) return "export reads back to another list";

        // The per-frame table after the refresh's sort: each frame has the last entry at or before it.
        constexpr int kFrames = 3000;
        lists::sortPanScan(*s);
        lists::FrameOffsets offsets(lists::kFrameOffsetCount);
        lists::rebuildFrameOffsets(*s, offsets, kFrames);
        const auto sorted = detail::positionList(*s);
        std::size_t next = 0;
        int expected = 0;
        for (int f = 0; f < kFrames; ++f) {
            while (next < sorted.size() && sorted[next].first <= f)
                expected = std::clamp(sorted[next++].second, -32768, 32767);
            if (lists::frameOffsetAt(*s, offsets, f) != expected) return "frame table differs from the list";
        }
    }
    return {};
}

} // namespace mivo::test
