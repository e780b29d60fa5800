// Saving the record as Mivo.ini, with the outcome on the status line. Kept apart from the writer, so the
// encoder back end, which formats ini text but has no status line, carries no control model.

#include "base/whole_file.h"
#include "core/settings/ini_codec.h"
#include "core/status_line.h"

namespace mivo {

bool writeIni(const std::string& path, Settings& settings, StatusLine& status) {
    settings.writeOk = true;
    std::string text;
    if (!formatIni(settings, IniTarget::File, text).complete) {
        // Nothing is written: the file keeps what it held before.
        settings.writeOk = false;
        status.show(" Mivo.ini write aborted, invalid CQ value, not a number");
        return false;
    }
    if (!writeWholeFile(path, text)) {
        settings.writeOk = false;
        status.show(" error writing ini file");
        return false;
    }
    status.show(" file successfully written");
    return true;
}

} // namespace mivo
