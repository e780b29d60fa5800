#pragma once
// The page controls brought up to date with the record after a read.

#include "program/settings/settings_context.h"

namespace mivo {

// Shows what the reader has seen in the page controls.
void applySettingsToControls(SettingsContext& ctx);

} // namespace mivo
