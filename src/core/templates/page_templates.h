#pragma once
// The dialog templates, one file per page. Each page file defines its control table; pageTemplates()
// puts them together in page order.

#include "core/control_model.h"

namespace mivo::templates {

std::span<const ControlTemplate> windowControls();
std::span<const ControlTemplate> mainControls();
std::span<const ControlTemplate> settings1Controls();
std::span<const ControlTemplate> settings2Controls();
std::span<const ControlTemplate> settings3Controls();
std::span<const ControlTemplate> matrixControls();
std::span<const ControlTemplate> chaptersControls();
std::span<const ControlTemplate> zonesControls();
std::span<const ControlTemplate> panScanControls();
std::span<const ControlTemplate> queueControls();
std::span<const ControlTemplate> discControls();

} // namespace mivo::templates
