#pragma once
// The status-line texts of the chapter, zone and pan-scan pages and their files. A text that starts with
// one blank opens a report; one that starts with ", " or a blank continues it (appended).

#include <string_view>

namespace mivo::list_messages {

inline constexpr std::string_view kChapterAdded = " chapter added to list";
inline constexpr std::string_view kChapterRemoved = " chapter removed from list";
inline constexpr std::string_view kChapterNotSelected =
    " remove chapter pressed but no chapter was selected, ignored";
inline constexpr std::string_view kChaptersCleared = " chapter list cleared";
inline constexpr std::string_view kStartFrameSet = " current frame set as start frame";
inline constexpr std::string_view kEndFrameSet = " current frame set as end frame";
inline constexpr std::string_view kNoChapters = " no chapters in list";
inline constexpr std::string_view kChapterFileWritten = " chapter file written";
inline constexpr std::string_view kChapterFileNotOpened = " error opening chapter file";
inline constexpr std::string_view kChapterFileNotWritten = " error writing chapter file";
// dvdauthor's form gives times, which need a frame rate; nothing the system says.
inline constexpr std::string_view kChapterTimesNeedSource =
    " chapter times need the frame rate of a source, open one first";
inline constexpr std::string_view kChapterFileUnreadable = " error reading chapterfile";
// Follows the count: " 12 chapters successfully read".
inline constexpr std::string_view kChaptersRead = " chapters successfully read";
inline constexpr std::string_view kChaptersCapped =
    " more than 640000 chapters detected, chapters > 640000 skipped";
// ", WARNING, " N " chapters removed, out of range", appended after an import.
inline constexpr std::string_view kChaptersOutOfRangeHead = ", WARNING, ";
inline constexpr std::string_view kChaptersOutOfRangeTail = " chapters removed, out of range";
// A full list: nothing the system says; the user must hear that the frame was not added.
inline constexpr std::string_view kChapterListFull =
    " chapter list full (640000 chapters), chapter not added";

inline constexpr std::string_view kZoneAdded = " zone added to list";
inline constexpr std::string_view kZoneRemoved = " zone removed from list";
inline constexpr std::string_view kZoneNotSelected = " remove zone pressed but no zone was selected, ignored";
inline constexpr std::string_view kZonesCleared = " zone list cleared";
inline constexpr std::string_view kZoneListFull = " zone list full (6400 zones), zone not set";
inline constexpr std::string_view kZoneFactorUnreadable = " bitrate factor is not a number, zone not set";

inline constexpr std::string_view kPanScanAdded = " panscan position added to list";
inline constexpr std::string_view kPanScanRemoved = " panscan position removed from list";
inline constexpr std::string_view kPanScanNotSelected =
    " remove position pressed but no position was selected, ignored";
inline constexpr std::string_view kPanScanCleared = " panscan list cleared";
inline constexpr std::string_view kNoPanScan = " no panscan positions in list";
inline constexpr std::string_view kPanScanNotActive = " PanScan not activated";
inline constexpr std::string_view kPanScanFileWritten = " panscan file written";
inline constexpr std::string_view kPanScanFileNotOpened = " error opening panscan file";
inline constexpr std::string_view kPanScanFileNotWritten = " error writing panscan file";
inline constexpr std::string_view kPanScanFileUnreadable = " error reading panscan file";
inline constexpr std::string_view kPanScanFileRead = " panscan file read";
inline constexpr std::string_view kPanScanListFull =
    " panscan list full (6400 positions), position not added";
inline constexpr std::string_view kPanScanCapped =
    ", more than 6400 panscan positions in file, positions > 6400 skipped";

} // namespace mivo::list_messages
