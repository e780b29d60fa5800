// Every file the writer completes loads again without an error message, and saving after that load
// gives the same bytes, over many generated settings.

#include "settings_generator.h"

#include <gtest/gtest.h>

namespace mivo {
namespace {

TEST(IniRoundTrip, GeneratedSettingsSurviveSaveAndLoad) {
    test::SettingsGenerator gen(20240611);
    test::RoundTripWorld& world = test::firstWorld();
    int withInput = 0, custom = 0, constantQuant = 0;
    for (int i = 0; i < 400; ++i) {
        gen.fill(world);
        const std::string written = world.save();
        ASSERT_FALSE(written.empty()) << "case " << i;
        EXPECT_EQ(test::checkSavedText(written), "") << "case " << i << ":\n" << written;
        withInput += written.starts_with("*INFILE") ? 1 : 0;
        custom += written.find("*CUSTOMMATRIX") != std::string::npos ? 1 : 0;
        constantQuant += written.find("*CQ") != std::string::npos ? 1 : 0;
        if (HasFailure()) break;
    }
    // The cases reach the parts that matter.
    EXPECT_GT(withInput, 100);
    EXPECT_GT(custom, 50);
    EXPECT_GT(constantQuant, 50);
}

TEST(IniRoundTrip, TheSecondLoadShowsWhatTheFirstHad) {
    // Not only the bytes: the controls a user sees come back, option by option.
    test::SettingsGenerator gen(7);
    test::RoundTripWorld& first = test::firstWorld();
    test::RoundTripWorld& second = test::secondWorld();
    const std::pair<PageId, int> shown[] = {
        {PageId::Main, ids::main::profileBestRadio},
        {PageId::Main, ids::main::aspect221to1Radio},
        {PageId::Main, ids::main::dcPrecision8Radio},
        {PageId::Main, ids::main::closedGopsCheck},
        {PageId::Settings1, ids::settings1::bffRadio},
        {PageId::Settings1, ids::settings1::dvSourceRadio},
        {PageId::Settings1, ids::settings1::checkVbvCheck},
        {PageId::Settings2, ids::settings2::silentCheck},
        {PageId::Settings3, ids::settings3::cpuSse3Radio},
        {PageId::Matrix, ids::matrix::customRadio},
    };
    for (int i = 0; i < 100; ++i) {
        gen.fill(first);
        const std::string written = first.save();
        second.restart();
        second.load(written);
        for (auto [page, id] : shown)
            EXPECT_EQ(second.controls.checked(page, id), first.controls.checked(page, id))
                << "case " << i << " " << id;
        if (!first.controls.checked(PageId::Main,
                                    ids::main::autoGopCheck)) { // a fixed GOP is saved only in use
            EXPECT_EQ(second.controls.text(PageId::Settings1, ids::settings1::gopLengthEdit),
                      first.controls.text(PageId::Settings1, ids::settings1::gopLengthEdit));
        }
        for (auto [page, id] : {std::pair{PageId::Settings2, ids::settings2::maskShiftEdit},
                                {PageId::Settings2, ids::settings2::intraVlcCombo},
                                {PageId::Settings3, ids::settings3::timecodeMinuteEdit}})
            EXPECT_EQ(second.controls.text(page, id), first.controls.text(page, id))
                << "case " << i << " " << id;
        EXPECT_EQ(second.settings->chapterCount, first.settings->chapterCount);
        EXPECT_EQ(second.settings->customNonIntraMatrix, first.settings->customNonIntraMatrix);
        if (HasFailure()) break;
    }
}

} // namespace
} // namespace mivo
