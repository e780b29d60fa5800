#include "core/control_ids.h"
#include "core/templates/page_templates.h"

namespace mivo::templates {

std::span<const ControlTemplate> chaptersControls() { return {}; }

} // namespace mivo::templates
