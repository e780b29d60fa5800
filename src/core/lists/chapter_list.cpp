#include "core/lists/chapter_list.h"

#include "core/lists/list_columns.h"

#include <algorithm>

namespace mivo::lists {

namespace {
int usedChapters(const Settings& s) {
    return std::clamp(s.chapterCount, 0, kChapterCapacity);
}
} // namespace

void sortChapters(Settings& s) {
    // Every refresh sorts the list, which is nearly always in order already: checking is one pass, a sort
    // of 640000 frames in order still costs a dozen.
    int* first = s.chapterFrames.begin();
    int* last = first + usedChapters(s);
    if (!std::is_sorted(first, last)) std::sort(first, last);
}

int trimChapters(Settings& s, int frameCount) {
    int n = usedChapters(s);
    int dropped = 0;
    while (n > 0 && s.chapterFrames[static_cast<std::size_t>(n - 1)] > frameCount) {
        s.chapterFrames[static_cast<std::size_t>(--n)] = 0;
        ++dropped;
    }
    s.chapterCount = n;
    return dropped;
}

AddResult addChapter(Settings& s, int frameCount, int frame) {
    const int n = usedChapters(s);
    int* first = s.chapterFrames.begin();
    int* last = first + n;
    if (std::find(first, last, frame) != last) return {AddOutcome::Listed, 0};
    if (n >= kChapterCapacity) return {AddOutcome::Full, 0};
    // Lists are kept sorted, so the new frame moves into place instead of the 640000-entry sort that
    // appending would need; a list left unsorted by a file load is sorted whole.
    *last = frame;
    if (std::is_sorted(first, last))
        std::rotate(std::upper_bound(first, last, frame), last, last + 1);
    else
        std::sort(first, last + 1);
    s.chapterCount = n + 1;
    const int dropped = trimChapters(s, frameCount);
    return {frame <= frameCount ? AddOutcome::Added : AddOutcome::Dropped, dropped};
}

bool removeChapterAt(Settings& s, int frameCount, int index) {
    const int n = usedChapters(s);
    if (index < 0 || index >= n) return false;
    int* first = s.chapterFrames.begin();
    std::copy(first + index + 1, first + n, first + index);
    first[n - 1] = 0;
    s.chapterCount = n - 1;
    trimChapters(s, frameCount);
    return true;
}

std::string chapterLine(const Settings& s, int index) {
    std::string line;
    if (index >= 0 && index < usedChapters(s))
        appendAligned(line, s.chapterFrames[static_cast<std::size_t>(index)], 8);
    return line;
}

void startRangeAt(Settings& s, int frame) {
    s.startFrame = frame;
    s.endFrame = std::max(s.endFrame, frame);
    s.encodeFrameCount = s.endFrame - s.startFrame + 1;
}

void endRangeAt(Settings& s, int frame) {
    s.endFrame = frame;
    s.startFrame = std::min(s.startFrame, frame);
    s.encodeFrameCount = s.endFrame - s.startFrame + 1;
}

} // namespace mivo::lists
