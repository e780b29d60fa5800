#include "core/settings/ini_listing_lines.h"

#include "core/settings/ini_lists.h"
#include "core/settings/ini_writer.h"

#include <algorithm>
#include <cstring>

namespace mivo {

namespace {

// The first `n` entries of a list, or the previous copy when it holds the same bytes: comparing costs
// a fraction of copying, and an option change leaves every list as it was.
template <class T>
std::shared_ptr<const std::vector<T>> copyOf(const T* entries, int n,
                                             const std::shared_ptr<const std::vector<T>>& previous) {
    const auto size = static_cast<std::size_t>(std::max(n, 0));
    if (previous && previous->size() == size && std::memcmp(previous->data(), entries, size * sizeof(T)) == 0)
        return previous;
    return std::make_shared<const std::vector<T>>(entries, entries + size);
}

} // namespace

IniListingLines::IniListingLines(const Settings& settings, const IniListingLines* previous) {
    std::vector<DeferredItems> deferred;
    render_ = formatIniLines(settings, IniTarget::Listing, text_, &deferred);
    // Every line the writer makes ends in CR LF; should one ever come without, the line is ended here, so
    // the walk below always reaches the end of the text.
    if (!text_.empty() && !text_.ends_with("\r\n")) text_ += "\r\n";
    for (std::size_t pos = 0; pos < text_.size(); pos = text_.find("\r\n", pos) + 2)
        starts_.push_back(pos);
    starts_.push_back(text_.size());
    int items = 0;
    for (const DeferredItems& d : deferred) {
        // A block's item lines follow the keyword lines written before them, and earlier blocks' items.
        const auto keywordLines =
            std::lower_bound(starts_.begin(), starts_.end() - 1, d.offset) - starts_.begin();
        blocks_.push_back({d.list, static_cast<int>(keywordLines) + items, d.count});
        items += d.count;
    }
    count_ = static_cast<int>(starts_.size()) - 1 + items;
    takeLists(settings, previous);
}

void IniListingLines::takeLists(const Settings& s, const IniListingLines* previous) {
    const auto lent = [previous](auto IniListingLines::*column) {
        return previous ? previous->*column : nullptr;
    };
    for (const Block& b : blocks_) {
        switch (b.list) {
        case ListItems::Chapters:
            chapters_ = copyOf(s.chapterFrames.data(), b.count, lent(&IniListingLines::chapters_));
            break;
        case ListItems::Zones:
            zoneFrames_ = copyOf(s.zoneFrames.data(), b.count, lent(&IniListingLines::zoneFrames_));
            zoneFactors_ = copyOf(s.zoneFactors.data(), b.count, lent(&IniListingLines::zoneFactors_));
            break;
        case ListItems::PanScan:
            panScanFrames_ = copyOf(s.panScanFrames.data(), b.count, lent(&IniListingLines::panScanFrames_));
            panScanOffsets_ =
                copyOf(s.panScanOffsets.data(), b.count, lent(&IniListingLines::panScanOffsets_));
            break;
        }
    }
}

std::string IniListingLines::line(int index) const {
    if (index < 0 || index >= count_) return {};
    int itemsBefore = 0;
    for (const Block& b : blocks_) {
        if (index < b.firstLine) break;
        if (index < b.firstLine + b.count) return item(b, index - b.firstLine);
        itemsBefore += b.count;
    }
    const auto i = static_cast<std::size_t>(index - itemsBefore);
    return text_.substr(starts_[i], starts_[i + 1] - starts_[i] - 2);
}

std::string IniListingLines::item(const Block& b, int index) const {
    const auto i = static_cast<std::size_t>(index);
    std::string out;
    switch (b.list) {
    case ListItems::Chapters:
        appendChapterItem(out, (*chapters_)[i]);
        break;
    case ListItems::Zones:
        appendZoneItem(out, (*zoneFrames_)[i], (*zoneFactors_)[i]);
        break;
    case ListItems::PanScan:
        appendPanScanItem(out, (*panScanFrames_)[i], (*panScanOffsets_)[i]);
        break;
    }
    return out;
}

} // namespace mivo
