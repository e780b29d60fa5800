#pragma once
// The "current Mivo.ini" listing of the three Settings pages.

#include "program/settings/settings_context.h"

namespace mivo {

// Refills the "current Mivo.ini" list boxes of the three Settings pages.
void showIniListing(Settings& settings, ControlModel& controls, StatusLine& status,
                    const SettingsHooks& hooks);

} // namespace mivo
