#include "program/pages/page_handler.h"

#include "program/program.h"

namespace mivo {

void PageHandler::onGainFocus(int) {
    p_.status().clear();
}

} // namespace mivo
