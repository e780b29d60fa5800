#pragma once
// Binds every control of the window and the eight pages to the handler that serves it.

#include "core/control_model.h"

namespace mivo {

struct PageHandlers;

void bindHandlers(ControlModel& controls, PageHandlers& handlers);

} // namespace mivo
