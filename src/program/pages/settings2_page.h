#pragma once
// The Settings 2 page: the encoder switches, "allow 3 B-frames", wait for exit and VBR bias, the MPEG
// level, colorimetry and intra VLC choices, the luminance gain on dark scenes and the mask and shift
// lines. Every notification ends with the "current Mivo.ini" listing rebuilt.

#include "program/pages/page_handler.h"

namespace mivo {

class Settings2Page : public PageHandler {
  public:
    using PageHandler::PageHandler;
    void onDefault(int id) override;
    // The mask and shift fields: checked when the focus leaves them.
    void onLoseFocus(int id) override;

  private:
    void silent();
    void allow3BFrames();
    void waitForExit();
    void vbrBias();
    void mpegLevel();
    void colorimetry();
    void intraVlc();
    void luminanceGain();
};

} // namespace mivo
