// Every control a user can act on reaches a handler. Static texts, group boxes, the preview picture and
// list boxes that only show text have no behaviour of their own.

#include "program_world.h"

using namespace mivo;
using namespace mivo::test;

namespace {

bool actedOn(const ControlTemplate& c) {
    switch (c.kind) {
    case ControlKind::Static:
    case ControlKind::GroupBox:
    case ControlKind::Picture:
        return false;
    case ControlKind::ListBox:
        return (c.flags & kReadOnly) == 0;
    default:
        return c.id != 0;
    }
}

} // namespace

TEST_F(ProgramWorld, EveryControlAUserActsOnIsBoundToAHandler) {
    start();
    int checked = 0;
    for (const PageTemplate& page : pageTemplates())
        for (const ControlTemplate& c : page.controls) {
            if (!actedOn(c)) continue;
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
