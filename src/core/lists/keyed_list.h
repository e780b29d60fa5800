#pragma once
// The editing rules shared by the zone and pan-scan lists: entries (frame, value) in two parallel
// columns of fixed capacity, kept ascending by frame without two entries on one frame, and no frame
// beyond the source's last. Places past the count are 0, frame and value alike.

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

namespace mivo::lists {

enum class AddOutcome {
    Added,   // a new entry
    Listed,  // the frame was listed already; a zone or position takes the new value
    Dropped, // the frame lies beyond the source: the range trim took the new entry out again
    Full,    // a new frame on a full list: nothing changed
};

struct AddResult {
    AddOutcome outcome;
    int dropped; // entries the range trim removed, the new one included
};

template <class V> struct KeyedColumns {
    int* frames;
    V* values;
    int& count;
    int capacity;

    std::size_t used() const { return static_cast<std::size_t>(std::clamp(count, 0, capacity)); }
};

// Stable, so entries that share a frame (possible after a file load) keep their order.
template <class V> void sortKeyed(KeyedColumns<V> list) {
    const std::size_t n = list.used();
    std::vector<std::pair<int, V>> entries(n);
    for (std::size_t i = 0; i < n; ++i)
        entries[i] = {list.frames[i], list.values[i]};
    std::stable_sort(entries.begin(), entries.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < n; ++i) {
        list.frames[i] = entries[i].first;
        list.values[i] = entries[i].second;
    }
}

// The range trim: a list is cut back from its end while the last frame lies beyond `frameCount`; an
// entry on `frameCount` itself stays.
template <class V> int trimKeyed(KeyedColumns<V> list, int frameCount) {
    int dropped = 0;
    list.count = static_cast<int>(list.used());
    while (list.count > 0 && list.frames[list.count - 1] > frameCount) {
        --list.count;
        list.frames[list.count] = 0;
        list.values[list.count] = V{};
        ++dropped;
    }
    return dropped;
}

// A listed frame takes the new value and nothing else moves; a new frame is inserted in order, then
// the range trim runs.
template <class V> AddResult setKeyed(KeyedColumns<V> list, int frameCount, int frame, V value) {
    const std::size_t n = list.used();
    const auto found = std::find(list.frames, list.frames + n, frame);
    if (found != list.frames + n) {
        list.values[found - list.frames] = value;
        return {AddOutcome::Listed, 0};
    }
    if (n >= static_cast<std::size_t>(list.capacity)) return {AddOutcome::Full, 0};
    list.frames[n] = frame;
    list.values[n] = value;
    list.count = static_cast<int>(n) + 1;
    // A sorted list (the usual case) takes the new entry in place; a list a file left unsorted is sorted.
    if (std::is_sorted(list.frames, list.frames + n)) {
        const auto at =
            static_cast<std::size_t>(std::upper_bound(list.frames, list.frames + n, frame) - list.frames);
        std::rotate(list.frames + at, list.frames + n, list.frames + n + 1);
        std::rotate(list.values + at, list.values + n, list.values + n + 1);
    } else {
        sortKeyed(list);
    }
    const int dropped = trimKeyed(list, frameCount);
    return {frame <= frameCount ? AddOutcome::Added : AddOutcome::Dropped, dropped};
}

// `index` counts from 0 (the list-box line). False, and nothing changed, when no entry has it.
template <class V> bool removeKeyedAt(KeyedColumns<V> list, int frameCount, int index) {
    const std::size_t n = list.used();
    if (index < 0 || static_cast<std::size_t>(index) >= n) return false;
    const std::size_t i = static_cast<std::size_t>(index);
    std::copy(list.frames + i + 1, list.frames + n, list.frames + i);
    std::copy(list.values + i + 1, list.values + n, list.values + i);
    list.frames[n - 1] = 0;
    list.values[n - 1] = V{};
    list.count = static_cast<int>(n) - 1;
    trimKeyed(list, frameCount);
    return true;
}

} // namespace mivo::lists
