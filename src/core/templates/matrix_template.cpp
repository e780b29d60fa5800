#include "core/control_ids.h"
#include "core/templates/page_templates.h"

namespace mivo::templates {

std::span<const ControlTemplate> matrixControls() { return {}; }

} // namespace mivo::templates
