#pragma once
// Editing the chapter list of the settings record: the frame numbers the encoder starts chapters at,
// ascending without duplicates after every edit, none beyond the source's frame count.
//
// Entries are counted from 0 here, as the list box counts its lines; entry i of the record is
// chapterFrames[i], and places from chapterCount on hold 0.

#include "core/lists/keyed_list.h"
#include "core/settings/settings.h"

#include <string>

namespace mivo::lists {

// Adds `frame` unless it is listed; then the range trim against `frameCount` (0 while no source is
// open). A full list takes no new frame.
AddResult addChapter(Settings& s, int frameCount, int frame);

// Removes entry `index`; the later entries move up, then the range trim. False when there is no such
// entry (nothing changes).
bool removeChapterAt(Settings& s, int frameCount, int index);

// Ascending by frame.
void sortChapters(Settings& s);

// Drops entries from the end while they lie beyond `frameCount`; an entry on `frameCount` stays.
// Returns how many went. Expects the list sorted.
int trimChapters(Settings& s, int frameCount);

// The list-box line of entry `index`: the frame right-aligned in 8 characters.
std::string chapterLine(const Settings& s, int index);

// "set current as start frame" and "set current as end frame": the range follows `frame` so that it
// never ends before it starts, and the number of frames to encode follows the range.
void startRangeAt(Settings& s, int frame);
void endRangeAt(Settings& s, int frame);

} // namespace mivo::lists
