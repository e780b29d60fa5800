#pragma once
// The Matrix page: the choice between a built-in pair and the custom pair, the two 8x8 grids that show
// the pair in use and edit the custom one, the adaptive-matrix switch, and what the import and export
// buttons do with the file the user chose.

#include "core/matrix/matrix_pair.h"
#include "program/pages/page_handler.h"

#include <string>

namespace mivo {

class MatrixPage : public PageHandler {
  public:
    using PageHandler::PageHandler;
    void onDefault(int id) override;
    // A grid field left: the grid is read back into the custom pair and rewritten, corrected.
    void onLoseFocus(int id) override;
    void onGainFocus(int) override {} // the grid's gain focus does nothing

    // The pair of the current matrix choice into all 128 grid fields, the custom pair made sound.
    void showMatrix();
    // The grid editable or not; the intra DC field never is.
    void enableGrid(bool on);

    // The file buttons' halves after a chosen path (the path is used exactly as chosen).
    void importFile(const std::string& path);
    void exportFile(int button, const std::string& path);

  private:
    MatrixPair shown_{}; // what the grid shows: all zero until the first showMatrix
};

} // namespace mivo
