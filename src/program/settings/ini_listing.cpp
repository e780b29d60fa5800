// The "current Mivo.ini" listing on the three Settings pages: the lines an encode would write.

#include "core/control_ids.h"
#include "program/settings/settings_operations.h"

#include <vector>

namespace mivo {

namespace {
constexpr int kFallbackCharWidth = 7;
constexpr PageId kListingPages[] = {PageId::Settings1, PageId::Settings2, PageId::Settings3};
} // namespace

void showIniListing(Settings& settings, ControlModel& controls, StatusLine& status,
                    const SettingsHooks& hooks) {
    takePageValues(settings, controls);
    std::string text;
    const IniRender render = formatIni(settings, IniTarget::Listing, text);

    std::vector<std::string> lines;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t end = text.find("\r\n", pos);
        lines.emplace_back(text, pos, end - pos);
        pos = end + 2;
    }
    // The scroll extent reaches the end of the longest name line in the listing font.
    const int charWidth = hooks.listingCharWidth ? hooks.listingCharWidth() : kFallbackCharWidth;
    const int extent =
        render.longestNameLine > 0 ? (static_cast<int>(render.longestNameLine) + 2) * charWidth : 0;
    for (PageId page : kListingPages) {
        controls.setItems(page, ids::settings1::iniListing, lines);
        controls.setHorizontalExtent(page, ids::settings1::iniListing, extent);
    }
    if (!render.complete) status.show(" show Mivo.ini aborted, invalid CQ value, not a number");
}

} // namespace mivo
