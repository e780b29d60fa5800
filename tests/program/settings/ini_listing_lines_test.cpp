// The listing's lines, made one at a time when a list box asks, against the listing text rendered whole:
// the same bytes line for line, with the lists at their capacity too, and after one entry of a list
// changed while its size stayed (a rebuild must not keep showing the copy taken before).

#include "settings_generator.h"
#include "settings_world.h"

#include "core/settings/ini_codec.h"

#include <gtest/gtest.h>

namespace mivo {
namespace {

// Every list at its capacity: frames up to eight digits, any factor in tenths, offsets of both signs.
void fillToCapacity(test::SettingsGenerator& gen, Settings& s) {
    s.chapterCount = kChapterCapacity;
    for (int& frame : s.chapterFrames)
        frame = gen.pick(0, 99999999);
    s.zoneCount = kZoneCapacity;
    for (std::size_t i = 0; i < kZoneCapacity; ++i) {
        s.zoneFrames[i] = gen.pick(0, 99999999);
        s.zoneFactors[i] = static_cast<float>(gen.pick(1, 99)) / 10.0f;
    }
    if (!s.panScanOn) return;
    s.panScanCount = kPanScanCapacity;
    for (std::size_t i = 0; i < kPanScanCapacity; ++i) {
        s.panScanFrames[i] = gen.pick(0, 99999999);
        s.panScanOffsets[i] = gen.pick(-99999, 99999);
    }
}

// One entry of one list takes another value; the counts stay.
void editOneEntry(test::SettingsGenerator& gen, Settings& s, int which) {
    const auto at = [&gen](int count) { return static_cast<std::size_t>(gen.pick(0, count - 1)); };
    if (which == 0 && s.chapterCount > 0) s.chapterFrames[at(s.chapterCount)] += gen.pick(1, 9);
    if (which == 1 && s.zoneCount > 0) s.zoneFactors[at(s.zoneCount)] += 0.5f;
    if (which == 2 && s.panScanCount > 0) s.panScanOffsets[at(s.panScanCount)] -= gen.pick(1, 9);
}

TEST(IniListingLines, EveryLineAsTheRenderedListing) {
    test::SettingsGenerator gen(7);
    test::RoundTripWorld& w = test::firstWorld();
    for (int i = 0; i < 60; ++i) {
        gen.fill(w);
        if (i % 20 == 0) fillToCapacity(gen, *w.settings);
        if (i % 9 == 4) {
            w.controls.setChecked(PageId::Settings1, ids::settings1::constantQuantCheck, true);
            w.controls.setText(PageId::Settings1, ids::settings1::quantValueEdit, "x4");
        }
        for (int edit = 0; edit < 4; ++edit) {
            showIniListing(*w.settings, w.controls, w.status, w.hooks);
            std::string text;
            formatIni(*w.settings, IniTarget::Listing, text);
            for (PageId page : {PageId::Settings1, PageId::Settings3})
                ASSERT_EQ(w.controls.at(page, ids::settings1::iniListing).lines(), test::iniLines(text))
                    << "case " << i << ", edit " << edit;
            editOneEntry(gen, *w.settings, edit % 3);
        }
    }
}

} // namespace
} // namespace mivo
