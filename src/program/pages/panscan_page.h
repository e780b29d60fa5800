#pragma once
// The PanScan page: the 4:3 window's horizontal offset moved frame by frame on the preview, the list of
// positions that says from which frame on which offset applies, and what the import and export buttons
// do with the file the user chose.

#include "program/pages/preview_page.h"

#include <string>

namespace mivo {

class PanScanPage : public PreviewPage {
  public:
    explicit PanScanPage(Program& program) : PreviewPage(program, PageId::PanScan) {}
    void onDefault(int id) override;
    void onGainFocus(int id) override;
    void onLoseFocus(int id) override;

    // The offset field shows the current frame's offset (after the preview stepped, or the list changed).
    void showCurrentOffset();

    void importFile(const std::string& path);
    void exportFile(const std::string& path);

  private:
    void step(int steps);
    void offsetLeft();
    void add();
    void remove();
    void clear();
    void selected();
    void redraw();
    int fieldOffset() const;

    int remembered_ = 0; // the offset field's number when it took the focus
};

} // namespace mivo
