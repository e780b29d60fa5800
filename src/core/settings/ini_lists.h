#pragma once
// The list keywords of the ini file: chapters, zones, pan-scan positions and the custom matrices, read
// from the lines after their keyword line and written as item lines in fixed columns.

#include "core/settings/ini_reader.h"
#include "core/settings/ini_writer.h"

#include <array>
#include <string>

namespace mivo {

// List keywords: their items on the lines after the keyword line.
bool readChapterList(IniReader& reading, const IniLine& line);
bool readZoneList(IniReader& reading, const IniLine& line);
bool readPanScanList(IniReader& reading, const IniLine& line);
bool readCustomMatrix(IniReader& reading, const IniLine& line);

// List keywords: the keyword line and its item lines.
bool writeChapterList(IniWriter& writing, const KeywordRow& row);
bool writeZoneList(IniWriter& writing, const KeywordRow& row);
bool writePanScanList(IniWriter& writing, const KeywordRow& row);
bool writeCustomMatrix(IniWriter& writing, const KeywordRow& row);

// One item line of a list block, without its line end. The writer and the listing share these, so a
// listed line is byte for byte the line the file gets.
inline void appendChapterItem(std::string& out, int frame) {
    std::array<char, 24> digits{};
    out.append(intText(digits, frame));
}
void appendZoneItem(std::string& out, int frame, float factor);
void appendPanScanItem(std::string& out, int frame, int offset);

} // namespace mivo
