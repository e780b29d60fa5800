#pragma once
// The Settings 1 page: interlacing and field order, chroma downsampling, the GOP structure, constant
// quantisation with its P and B factors, the VBV/maximum bitrate switch and the adaptive quantisation
// strength. Every notification ends with the "current Mivo.ini" listing rebuilt.

#include "program/pages/page_handler.h"

namespace mivo {

class Settings1Page : public PageHandler {
  public:
    using PageHandler::PageHandler;
    void onDefault(int id) override;
    // The quantiser field: its value is checked when the focus leaves it.
    void onLoseFocus(int id) override;

  private:
    void interlacing(int id);
    void gopLengthTyped();
    void gopLengthStepped();
    void bFramesTyped();
    void bFramesStepped();
    void adaptiveQuantisation();
    void checkVbv();
    void constantQuantisation();
    void quantiserFactor(int upDown);
};

} // namespace mivo
