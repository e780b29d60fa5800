#pragma once
// The lines of an ini file, built from the controls and the record: shared by the writer (file order)
// and the "current Mivo.ini" listing (its own order, names cut short).

#include "core/control_model.h"
#include "core/settings/settings.h"

#include <cstddef>
#include <string>

namespace mivo {

enum class IniTarget { File, Listing };

struct IniRender {
    bool complete = true;            // false: stopped at a constant-quantisation value that is no number
    std::size_t longestNameLine = 0; // characters of the longest file-name or folder line
};

// Appends the lines to `out`, each ended by CR LF. Copies the values it reads as numbers back into the
// record (frame range, GOP, VBR bias, mask and shift, time code, wait), as the writer always has.
IniRender renderIni(Settings& settings, const ControlModel& controls, IniTarget target, std::string& out);

} // namespace mivo
