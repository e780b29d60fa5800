// The "current Mivo.ini" listing on the three Settings pages: the lines an encode would write.

#include "program/settings/ini_listing.h"

#include "core/control_ids.h"
#include "core/settings/ini_listing_lines.h"
#include "program/settings/page_values.h"

#include <memory>

namespace mivo {

namespace {
constexpr int kFallbackCharWidth = 7;
constexpr PageId kListingPages[] = {PageId::Settings1, PageId::Settings2, PageId::Settings3};

// One listing shared by the three list boxes; each box asks for the lines it shows. A named type, so the
// next rebuild finds the listing the boxes hold and reuses the copies of the lists that did not change.
struct ListingProvider {
    std::shared_ptr<const IniListingLines> listing;
    std::string operator()(int index) const { return listing->line(index); }
};

} // namespace

void showIniListing(Settings& settings, ControlModel& controls, StatusLine& status,
                    const SettingsHooks& hooks) {
    takePageValues(settings, controls);
    const Control& shown = controls.at(kListingPages[0], ids::settings1::iniListing);
    const auto* previous = shown.provider.target<ListingProvider>();
    const ListingProvider provider{
        std::make_shared<const IniListingLines>(settings, previous ? previous->listing.get() : nullptr)};
    const IniRender& render = provider.listing->render();

    // The scroll extent reaches the end of the longest name line in the listing font.
    const int charWidth = hooks.listingCharWidth ? hooks.listingCharWidth() : kFallbackCharWidth;
    const int extent =
        render.longestNameLine > 0 ? (static_cast<int>(render.longestNameLine) + 2) * charWidth : 0;
    for (PageId page : kListingPages) {
        controls.setLines(page, ids::settings1::iniListing, provider.listing->count(), provider);
        controls.setHorizontalExtent(page, ids::settings1::iniListing, extent);
    }
    if (!render.complete) status.show(" show Mivo.ini aborted, invalid CQ value, not a number");
}

} // namespace mivo
