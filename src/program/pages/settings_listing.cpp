#include "program/pages/settings_listing.h"

#include "program/program.h"
#include "program/settings/settings_operations.h"

namespace mivo {

void rebuildIniListing(Program& program) {
    SettingsContext ctx = program.settingsContext();
    showIniListing(ctx.settings, ctx.controls, ctx.status, ctx.hooks);
}

} // namespace mivo
