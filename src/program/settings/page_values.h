#pragma once
// The values the pages show, taken into the record before a write or a listing.

#include "core/control_model.h"
#include "core/settings/ini_codec.h"
#include "core/settings/settings.h"
#include "core/status_line.h"

#include <string>

namespace mivo {

// What the pages show, into the record's pageValues; the frame range, the fixed GOP, the VBR bias, the
// mask and shift, the time code and the wait also into the record's own fields, as every write and
// listing has always done.
void takePageValues(Settings& settings, const ControlModel& controls);

// The page values taken, then the ini file written whole or not at all. Returns writeOk (also kept in
// the record).
bool writeIniFile(IniMode mode, const std::string& path, Settings& settings, const ControlModel& controls,
                  StatusLine& status);
// The ini text the writer would produce, lines ending in CR LF; false (with the text up to that point)
// when the constant-quantisation value is not a number.
bool renderIniText(Settings& settings, const ControlModel& controls, std::string& out);

} // namespace mivo
