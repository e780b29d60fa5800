#pragma once
// The "current Mivo.ini" listing as a count of lines and the text of line i, for list boxes that ask only
// for the lines they show. The keyword lines are few and rendered when the listing is made; the item
// lines of the chapter, zone and pan-scan blocks (640000 chapters at most) are formatted one at a time
// when asked for. They come from a copy of the lists taken when the listing was made: the boxes go on
// showing what they were filled with until the next rebuild, as a filled list box does.

#include "core/settings/ini_codec.h"

#include <memory>
#include <string>
#include <vector>

namespace mivo {

enum class ListItems;

class IniListingLines {
  public:
    // `previous`, the listing shown until now, lends the copy of every list that has not changed since,
    // so a rebuild after an option change copies no list.
    explicit IniListingLines(const Settings& settings, const IniListingLines* previous = nullptr);

    int count() const { return count_; }
    // Byte for byte the line the listing's rendering holds (without its CR LF); empty outside 0..count-1.
    std::string line(int index) const;
    const IniRender& render() const { return render_; }

  private:
    template <class T> using Column = std::shared_ptr<const std::vector<T>>;
    struct Block {
        ListItems list;
        int firstLine;
        int count;
    };

    void takeLists(const Settings& settings, const IniListingLines* previous);
    std::string item(const Block& block, int index) const;

    IniRender render_;
    std::string text_;                // the keyword lines, each ended by CR LF
    std::vector<std::size_t> starts_; // where each of them begins, then the text's end
    std::vector<Block> blocks_;       // the item lines left out of the text, in listing order
    int count_ = 0;
    Column<int> chapters_, zoneFrames_, panScanFrames_, panScanOffsets_;
    Column<float> zoneFactors_;
};

} // namespace mivo
