#pragma once
// The Settings 1 field options (scan mode and field order) as the source refresh and the Main page
// set them.

#include "core/control_model.h"

namespace mivo {

// 3:2 pulldown codes film as progressive frames flagged bottom field first: the field options are
// selected so and locked.
void lockFieldOptionsForPulldown(ControlModel& c);

// All six radios of scan mode and field order usable, or none.
void enableFieldOptions(ControlModel& c, bool on);

} // namespace mivo
