#include "program_world.h"

using namespace mivo;
using namespace mivo::test;

// A preview page is usable as a whole once a source is open (PanScan also needs "4:3 PanScan"), and not
// without one. The tab leaves alone pan-scan's vertical position and window size.
TEST_F(ProgramWorld, PreviewPagesAreUsableWithASource) {
    start();
    const std::set<std::pair<PageId, int>> leftAlone = {{PageId::PanScan, ids::panscan::verticalEdit},
                                                        {PageId::PanScan, ids::panscan::windowWidthEdit},
                                                        {PageId::PanScan, ids::panscan::windowHeightEdit},
                                                        {PageId::PanScan, ids::panscan::verticalLeftButton},
                                                        {PageId::PanScan, ids::panscan::verticalRightButton}};
    const auto expectPages = [&](bool on) {
        for (PageId page : {PageId::Chapters, PageId::Zones, PageId::PanScan}) {
            controls().userSelect(PageId::Window, ids::window::tabs, static_cast<int>(page) - 1);
            for (const ControlTemplate& c : pageTemplates()[static_cast<std::size_t>(page)].controls) {
                if (!userActsOn(c) || leftAlone.count({page, c.id})) continue;
                EXPECT_EQ(controls().enabled(page, c.id), on) << pageName(page) << " " << c.id;
            }
        }
    };
    expectPages(false);
    openProject();
    controls().userClick(PageId::Main, ids::main::aspectPanScanRadio);
    expectPages(true);
}
