#include "core/control_ids.h"
#include "gui/pages/page_handlers.h"
#include "gui/program.h"

namespace mivo {

void PageHandler::onGainFocus(int) {
    p_.status().clear();
}

void WindowHandlers::button(int id) {
    if (id == ids::window::exit) p_.postQuit(0);
}

void WindowHandlers::close() {
    p_.postQuit(0);
}

} // namespace mivo
