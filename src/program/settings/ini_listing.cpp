// The "current Mivo.ini" listing on the three Settings pages: the lines an encode would write.

#include "core/control_ids.h"
#include "program/settings/settings_operations.h"

#include <memory>
#include <vector>

namespace mivo {

namespace {
constexpr int kFallbackCharWidth = 7;
constexpr PageId kListingPages[] = {PageId::Settings1, PageId::Settings2, PageId::Settings3};

// One rendering shared by the three list boxes: with 640000 chapters the listing runs to as many lines,
// and each box only ever shows a screenful of them.
struct ListingText {
    std::string text;
    std::vector<std::size_t> starts; // where each line begins, then one past the last line's CR LF

    std::string line(int index) const {
        const auto i = static_cast<std::size_t>(index);
        const std::size_t begin = starts[i], end = starts[i + 1];
        // Every line but possibly the last ends with CR LF.
        const std::size_t cut = end - begin >= 2 && text.compare(end - 2, 2, "\r\n") == 0 ? 2 : 0;
        return text.substr(begin, end - begin - cut);
    }
};

} // namespace

void showIniListing(Settings& settings, ControlModel& controls, StatusLine& status,
                    const SettingsHooks& hooks) {
    takePageValues(settings, controls);
    auto listing = std::make_shared<ListingText>();
    const IniRender render = formatIni(settings, IniTarget::Listing, listing->text);

    const std::string& text = listing->text;
    for (std::size_t pos = 0; pos < text.size();) {
        listing->starts.push_back(pos);
        const std::size_t end = text.find("\r\n", pos);
        pos = end == std::string::npos ? text.size() : end + 2;
    }
    listing->starts.push_back(text.size());
    const int count = static_cast<int>(listing->starts.size()) - 1;

    // The scroll extent reaches the end of the longest name line in the listing font.
    const int charWidth = hooks.listingCharWidth ? hooks.listingCharWidth() : kFallbackCharWidth;
    const int extent =
        render.longestNameLine > 0 ? (static_cast<int>(render.longestNameLine) + 2) * charWidth : 0;
    for (PageId page : kListingPages) {
        controls.setLines(page, ids::settings1::iniListing, count,
                          [listing](int index) { return listing->line(index); });
        controls.setHorizontalExtent(page, ids::settings1::iniListing, extent);
    }
    if (!render.complete) status.show(" show Mivo.ini aborted, invalid CQ value, not a number");
}

} // namespace mivo
