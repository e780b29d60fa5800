#include "program/source/field_options.h"

#include "core/control_ids.h"

namespace mivo {

void lockFieldOptionsForPulldown(ControlModel& c) {
    c.setChecked(PageId::Settings1, ids::settings1::progressiveRadio, true);
    c.setChecked(PageId::Settings1, ids::settings1::bffRadio, true);
    enableFieldOptions(c, false);
}

void enableFieldOptions(ControlModel& c, bool on) {
    using namespace ids::settings1;
    for (int id : {autoDetectRadio, progressiveRadio, interlacedRadio, dvSourceRadio, tffRadio, bffRadio})
        c.setEnabled(PageId::Settings1, id, on);
}

} // namespace mivo
