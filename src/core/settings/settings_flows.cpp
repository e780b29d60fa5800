// The Main page's settings buttons: reset, and loading or saving an ini file.

#include "core/settings/operations.h"

namespace mivo {

void resetButton(SettingsContext& ctx) {
    resetToDefaults(ctx);
    ctx.status.show(" all values reset to default");
}

void loadIniFile(SettingsContext& ctx, IniMode mode, const std::string& path) {
    // The source open before the load is no longer the one in use; the reader resets every option.
    ctx.source.isAvisynthScript = false;
    ctx.source.isD2vProject = false;
    ctx.source.sourceReady = false;
    readIniFile(ctx, mode, path);
    applySettingsToControls(ctx);
    if (ctx.hooks.openSource) ctx.hooks.openSource();
    if (ctx.hooks.refreshAfterFileChange) ctx.hooks.refreshAfterFileChange();
}

bool saveIniFile(SettingsContext& ctx, IniMode mode, const std::string& path) {
    return writeIniFile(mode, path, ctx.settings, ctx.controls, ctx.status);
}

} // namespace mivo
