#pragma once
// The Zones page: bitrate factors set from the preview's current frame on, the zone list and its box.
// Its "create bitmap" button saves the preview's frame.

#include "program/pages/preview_page.h"

namespace mivo {

class ZonesPage : public PreviewPage {
  public:
    explicit ZonesPage(Program& program) : PreviewPage(program, PageId::Zones) {}
    void onDefault(int id) override;

  private:
    void set();
    void remove();
    void clear();
};

} // namespace mivo
