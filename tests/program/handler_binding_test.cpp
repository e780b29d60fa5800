// Every control a user can act on reaches a handler.

#include "program_world.h"

using namespace mivo;
using namespace mivo::test;

TEST_F(ProgramWorld, EveryControlAUserActsOnIsBoundToAHandler) {
    start();
    int checked = 0;
    for (const PageTemplate& page : pageTemplates())
        for (const ControlTemplate& c : page.controls) {
            if (!userActsOn(c)) continue;
            ++checked;
            const std::string where = std::string(pageName(page.page)) + " " + std::to_string(c.id);
            const bool focus = controls().isBound(page.page, c.id, Notify::LoseFocus);
            // An edit is served when it is left or as it changes; everything else by its default
            // notification.
            const bool served = controls().isBound(page.page, c.id, Notify::Default) ||
                                (c.kind == ControlKind::Edit && focus);
            EXPECT_TRUE(served) << where;
            EXPECT_EQ(focus, controls().isBound(page.page, c.id, Notify::GainFocus)) << where;
        }
    EXPECT_GT(checked, 200); // the window, the eight pages and both matrix grids were walked
}
