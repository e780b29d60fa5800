#include "program/pages/settings_listing.h"

#include "core/settings/operations.h"
#include "program/program.h"

namespace mivo {

void rebuildIniListing(Program& program) {
    SettingsContext ctx = program.settingsContext();
    showIniListing(ctx.settings, ctx.controls, ctx.status, ctx.hooks);
}

} // namespace mivo
