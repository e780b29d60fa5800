#include "core/templates/page_templates.h"

#include <array>

namespace mivo {

std::span<const PageTemplate> pageTemplates() {
    using namespace templates;
    static const std::array<PageTemplate, kPageCount> pages = {{
        {PageId::Window, 101, "  MIVOGUI 0.24             beta  17-05-2009", 417, 241, windowControls()},
        {PageId::Main, 103, "  Main", 410, 180, mainControls()},
        {PageId::Settings1, 104, "Settings 1", 410, 180, settings1Controls()},
        {PageId::Settings2, 105, "Settings 2", 410, 180, settings2Controls()},
        {PageId::Settings3, 106, "Settings 3", 410, 180, settings3Controls()},
        {PageId::Matrix, 107, "Matrix", 410, 180, matrixControls()},
        {PageId::Chapters, 108, "Preview/Chapters", 410, 180, chaptersControls()},
        {PageId::Zones, 109, "Preview/Zones", 410, 180, zonesControls()},
        {PageId::PanScan, 110, "Preview/PanScan", 410, 180, panScanControls()},
        {PageId::Queue, 111, "Queue", 410, 180, queueControls()},
        {PageId::Disc, 112, "Disc", 410, 180, discControls()},
    }};
    return pages;
}

} // namespace mivo
