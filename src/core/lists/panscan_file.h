#pragma once
// Pan-scan files: one position a line, "frame offset vertical" in free format when read; written as
// 19-character lines (frame in 8, offset in 8, the vertical offset 0 in 3), CR LF line ends.

#include "core/lists/list_file_result.h"
#include "core/settings/settings.h"

#include <string>
#include <string_view>

namespace mivo::lists {

// Replaces the list with the file's positions, in file order (the refresh that follows sorts them),
// offsets held to the limits of `sourceWidth`. A file that does not read leaves the list empty; one
// that cannot be opened leaves it as it was. Positions past the list's 6400 are skipped and reported.
ListFileResult importPanScanText(Settings& s, std::string_view text, int sourceWidth);
ListFileResult importPanScanFile(Settings& s, const std::string& path, int sourceWidth);

std::string panScanFileText(const Settings& s);
// Written whole or not at all; an empty list is not written.
ListFileResult exportPanScanFile(const Settings& s, const std::string& path);

} // namespace mivo::lists
