#include "core/control_ids.h"
#include "program/pages/encoder_launch.h"
#include "program/pages/page_handlers.h"
#include "program/program.h"

namespace mivo {

void PageHandler::onGainFocus(int) {
    p_.status().clear();
}

void WindowHandlers::button(int id) {
    if (id == ids::window::about) aboutButton(p_);
    if (id == ids::window::encode) encodeButton(p_);
    if (id == ids::window::exit) exitButton(p_);
}

void WindowHandlers::close() {
    p_.postQuit(0);
}

} // namespace mivo
