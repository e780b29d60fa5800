#pragma once
// What the Chapters, Zones and PanScan pages share: the preview's navigation reached through their
// stepping buttons, current-frame field and slider, the frame that field names, and the move to a frame
// chosen in a list box.

#include "core/control_model.h"
#include "program/pages/page_handler.h"

namespace mivo {

class PreviewPage : public PageHandler {
  public:
    PreviewPage(Program& program, PageId page) : PageHandler(program), page_(page) {}
    void onDefault(int id) override { routeNavigation(id); }
    // Leaving the current-frame field shows the frame again.
    void onLoseFocus(int id) override;
    // The current-frame field's gain of focus changes nothing.
    void onGainFocus(int id) override;

  protected:
    // A stepping button, the slider or the current-frame field goes to the preview; true when `id` was one.
    bool routeNavigation(int id);
    // The number in the current-frame field; the current frame when the field holds none.
    int fieldFrame() const;
    // A list line chosen: its frame (a negative one taken as 0) becomes the current frame.
    void showListedFrame(int frame);
    // The index of the line chosen in list box `id`, -1 when none is.
    int selectedLine(int id) const;

    PageId page_;
};

} // namespace mivo
