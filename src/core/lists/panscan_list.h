#pragma once
// The pan-scan list of the settings record and the per-frame offsets derived from it.
//
// A list entry says from which frame on the 4:3 window stands at which horizontal offset (sixteenths of
// a luma pixel from the centred position, positive to the right). The per-frame table gives every frame
// its offset; the list rebuilds it, and the "<", ">" buttons and the offset field change single frames
// of it until the next rebuild. The preview reads the current frame's offset from it.
//
// Entries count from 0, as the list box counts its lines.

#include "core/lists/keyed_list.h"
#include "core/settings/settings.h"
#include "core/zeroed_buffer.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mivo::lists {

// One offset for each frame 0 to 640000; starts all 0. Owned beside the settings record.
inline constexpr std::size_t kFrameOffsetCount = kChapterCapacity + 1;
using FrameOffsets = ZeroedBuffer<std::int16_t>;

// The offset of `frame`; frames beyond the table take the offset the list gives them.
int frameOffsetAt(const Settings& s, const FrameOffsets& offsets, int frame);
// Sets one frame's offset (frames outside the table are ignored), held to what the table can store.
void setFrameOffset(FrameOffsets& offsets, int frame, int offset);
// Every frame of the source (0 to frameCount - 1) takes the offset of the last entry at or before it,
// 0 before the first; frames beyond the source keep their values. Expects the list sorted.
void rebuildFrameOffsets(const Settings& s, FrameOffsets& offsets, int frameCount);

// The window's travel by source width: 720 wide +-1440, 704 wide +-1312, any other width unlimited.
struct OffsetLimits {
    int lower;
    int upper;
    bool limited;
};
OffsetLimits offsetLimits(int width);
int limitOffset(long long offset, int width);
// "add" holds every offset to +-1440, whatever the width.
int limitAddedOffset(long long offset);
inline constexpr int kOffsetStep = 16; // one pixel

// ">" (steps +1) and "<" (steps -1) on offset `h`: the new offset, one pixel on and held to the width's
// limits; std::nullopt when nothing moves (at the limit already, or a width without limits).
std::optional<int> stepOffset(int h, int width, int steps);
// The offset field losing the focus: its text as an integer (else `remembered`), held to the limits.
int offsetFieldValue(std::string_view text, int remembered, int width);

// The window size fields: 540 x height for 720-wide sources, 528 x height for 704-wide ones, when the
// height is 576 or 480; std::nullopt for any other frame size (pan-scan is not offered then).
struct WindowSize {
    int width;
    int height;
};
std::optional<WindowSize> panScanWindow(int sourceWidth, int sourceHeight);

// A listed frame takes the new offset; a new frame is inserted in order and the range trim against
// `frameCount` follows. Then the table is rebuilt. A full list takes no new frame.
AddResult setPanScanEntry(Settings& s, FrameOffsets& offsets, int frameCount, int frame, int offset);
// Removes entry `index`, the later ones moving up, then the range trim and the rebuild. False when
// there is no such entry.
bool removePanScanAt(Settings& s, FrameOffsets& offsets, int frameCount, int index);
// Ascending by frame, each offset staying with its frame.
void sortPanScan(Settings& s);
// The list emptied and every frame's offset 0.
void clearPanScan(Settings& s, FrameOffsets& offsets);

// The list-box line of entry `index`: the frame in 8 characters, " | ", the offset in 5.
std::string panScanLine(const Settings& s, int index);

} // namespace mivo::lists
