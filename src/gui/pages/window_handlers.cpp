#include "core/control_ids.h"
#include "gui/pages/page_handlers.h"
#include "gui/program.h"

namespace mivo {

void PageHandler::onGainFocus(int) {
    p_.status().clear();
}

void WindowHandlers::tabChanged() {
    ControlModel& c = p_.controls();
    const int tab = c.selected(PageId::Window, ids::window::tabs);
    switch (static_cast<PageId>(tab + 1)) {
    case PageId::Main:
    case PageId::Settings1:
    case PageId::Settings2:
    case PageId::Settings3:
    case PageId::Matrix:
        p_.status().clear();
        break;
    case PageId::Chapters:
    case PageId::Zones:
    case PageId::PanScan:
        p_.status().clear();
        p_.setPreviewRedraw(true);
        break;
    default:
        break;
    }
}

void WindowHandlers::button(int id) {
    if (id == ids::window::exit) p_.postQuit(0);
}

void WindowHandlers::close() {
    p_.postQuit(0);
}

} // namespace mivo
