#pragma once
// Chapter files: reading one into the chapter list, and writing the list in the block form.
//
// What a file holds is told by its first line (its first 80 characters, leading blanks and letter case
// aside):
// - "<?xml": an XML chapter file; the lines whose first word starts with "<framenum>" give the frames;
// - "*chapter": the block form this program writes, "*CHAPTER" with the count, then the frames;
// - "chapterNN=": the named-time form (chapter_times.h);
// - a time as its first word: one time per line (chapter_times.h), or a comma-separated run of times in
//   the line's first word as dvdauthor's `chapters=` attribute takes them;
// - anything else: a plain list, the first value of each line.
// The last two only take files that would not read as a plain list, so no file changes its meaning.

#include "core/lists/list_file_result.h"
#include "core/settings/settings.h"

#include <string>
#include <string_view>

namespace mivo::lists {

struct ChapterSource {
    int frameCount = 0;     // frames of the open source; 0 while none is open
    double frameRate = 0.0; // frames a second, to turn times into frames
};

// Replaces the chapter list with the file's frames, sorted; frames beyond the source are dropped and
// counted in a warning. A file that does not read leaves the list empty; one that cannot be opened
// leaves it as it was.
ListFileResult importChapterFile(Settings& s, const std::string& path, const ChapterSource& source);
ListFileResult importChapterText(Settings& s, std::string_view text, const ChapterSource& source);

// The block form: "*CHAPTER", 10 blanks and the count, then one frame a line, CR LF line ends.
std::string chapterFileText(const Settings& s);
// dvdauthor's form: the chapters' clock times at `frameRate`, comma-separated on one line, for the
// `chapters=` attribute of a title's <vob>. Empty without a rate above 0.
std::string chapterTimesText(const Settings& s, double frameRate);
// True for a name that asks for dvdauthor's form: one ending in ".dvdauthor", letter case aside.
bool isChapterTimesFileName(std::string_view path);

// Written whole or not at all; an empty list is not written. A name isChapterTimesFileName takes gets
// dvdauthor's form, which needs the source's frame rate; any other the block form.
ListFileResult exportChapterFile(const Settings& s, const std::string& path, double frameRate = 0.0);

} // namespace mivo::lists
