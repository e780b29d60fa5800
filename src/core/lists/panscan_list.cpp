#include "core/lists/panscan_list.h"

#include "core/free_format.h"
#include "core/lists/list_columns.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <limits>

namespace mivo::lists {

namespace {

constexpr int kAddLimit = 1440;

KeyedColumns<int> positions(Settings& s) {
    return {s.panScanFrames.data(), s.panScanOffsets.data(), s.panScanCount, kPanScanCapacity};
}

std::size_t usedPositions(const Settings& s) {
    return static_cast<std::size_t>(std::clamp(s.panScanCount, 0, kPanScanCapacity));
}

// Offsets of widths without limits can pass what one table entry holds; they stop at its ends (the
// window is drawn at most 90 pixels off centre anyway).
std::int16_t storable(long long offset) {
    using Limits = std::numeric_limits<std::int16_t>;
    return static_cast<std::int16_t>(std::clamp<long long>(offset, Limits::min(), Limits::max()));
}

} // namespace

int frameOffsetAt(const Settings& s, const FrameOffsets& offsets, int frame) {
    if (frame >= 0 && static_cast<std::size_t>(frame) < offsets.size())
        return offsets[static_cast<std::size_t>(frame)];
    int offset = 0;
    for (std::size_t i = 0; i < usedPositions(s); ++i)
        if (s.panScanFrames[i] <= frame) offset = storable(s.panScanOffsets[i]);
    return offset;
}

void setFrameOffset(FrameOffsets& offsets, int frame, int offset) {
    if (frame >= 0 && static_cast<std::size_t>(frame) < offsets.size())
        offsets[static_cast<std::size_t>(frame)] = storable(offset);
}

void rebuildFrameOffsets(const Settings& s, FrameOffsets& offsets, int frameCount) {
    const std::size_t end = std::min(static_cast<std::size_t>(std::max(frameCount, 0)), offsets.size());
    const std::size_t n = usedPositions(s);
    // Entry i covers the frames from its own up to the next entry's; frames before the first have 0.
    std::size_t from = 0;
    std::int16_t value = 0;
    for (std::size_t i = 0; i <= n && from < end; ++i) {
        const long long next = i < n ? std::max(s.panScanFrames[i], 0) : static_cast<long long>(end);
        const std::size_t to = std::min(static_cast<std::size_t>(next), end);
        if (to > from) std::fill(offsets.begin() + from, offsets.begin() + to, value);
        from = std::max(from, to);
        if (i < n) value = storable(s.panScanOffsets[i]);
    }
}

OffsetLimits offsetLimits(int width) {
    if (width == 720) return {-1440, 1440, true};
    if (width == 704) return {-1312, 1312, true};
    return {INT_MIN, INT_MAX, false};
}

int limitOffset(long long offset, int width) {
    const OffsetLimits limits = offsetLimits(width);
    return static_cast<int>(std::clamp<long long>(offset, limits.lower, limits.upper));
}

int limitAddedOffset(long long offset) {
    return static_cast<int>(std::clamp<long long>(offset, -kAddLimit, kAddLimit));
}

std::optional<int> stepOffset(int h, int width, int steps) {
    const OffsetLimits limits = offsetLimits(width);
    if (!limits.limited) return std::nullopt;
    // The result stays within the limits also when `h` came from outside them (an entry that "add" held
    // only to +-1440 on a 704-wide source).
    const long long moved = static_cast<long long>(h) + (steps > 0 ? kOffsetStep : -kOffsetStep);
    if ((steps > 0 && h < limits.upper) || (steps < 0 && h > limits.lower))
        return static_cast<int>(std::clamp<long long>(moved, limits.lower, limits.upper));
    return std::nullopt;
}

int offsetFieldValue(std::string_view text, int remembered, int width) {
    int h = remembered;
    if (ff::readInt(text, h) != ff::ReadStatus::Ok) h = remembered;
    return limitOffset(h, width);
}

std::optional<WindowSize> panScanWindow(int sourceWidth, int sourceHeight) {
    if (sourceHeight != 576 && sourceHeight != 480) return std::nullopt;
    if (sourceWidth == 720) return WindowSize{540, sourceHeight};
    if (sourceWidth == 704) return WindowSize{528, sourceHeight};
    return std::nullopt;
}

AddResult setPanScanEntry(Settings& s, FrameOffsets& offsets, int frameCount, int frame, int offset) {
    const AddResult result = setKeyed(positions(s), frameCount, frame, offset);
    rebuildFrameOffsets(s, offsets, frameCount);
    return result;
}

bool removePanScanAt(Settings& s, FrameOffsets& offsets, int frameCount, int index) {
    if (!removeKeyedAt(positions(s), frameCount, index)) return false;
    rebuildFrameOffsets(s, offsets, frameCount);
    return true;
}

void sortPanScan(Settings& s) {
    sortKeyed(positions(s));
}

void clearPanScan(Settings& s, FrameOffsets& offsets) {
    s.clearPanScan();
    std::memset(offsets.data(), 0, offsets.size() * sizeof(std::int16_t));
}

std::string panScanLine(const Settings& s, int index) {
    std::string line;
    if (index < 0 || static_cast<std::size_t>(index) >= usedPositions(s)) return line;
    const auto i = static_cast<std::size_t>(index);
    appendAligned(line, s.panScanFrames[i], 8);
    line += " | ";
    appendAligned(line, s.panScanOffsets[i], 5);
    return line;
}

} // namespace mivo::lists
