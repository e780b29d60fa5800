#include "program/pages/window_handlers.h"

#include "core/control_ids.h"
#include "program/pages/encoder_launch.h"
#include "program/pages/tab_switch.h"
#include "program/program.h"
#include "program/scan/scene_scan.h"

namespace mivo {

void WindowHandlers::tabChanged() {
    mivo::tabChanged(p_);
}

void WindowHandlers::button(int id) {
    if (id == ids::window::about) aboutButton(p_);
    if (id == ids::window::encode) encodeButton(p_);
    if (id == ids::window::exit) exitButton(p_);
}

void WindowHandlers::close() {
    p_.scan().abort();
    p_.postQuit(0);
}

} // namespace mivo
