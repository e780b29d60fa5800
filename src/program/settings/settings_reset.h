#pragma once
// "Reset GUI to default" as the record and the pages take it.

#include "program/settings/settings_context.h"

namespace mivo {

// Every option back to its default; the file names, folders, seen flags, custom matrices, lists, the
// frame range and the source state stay.
void resetToDefaults(SettingsContext& ctx);

} // namespace mivo
