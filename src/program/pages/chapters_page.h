#pragma once
// The Chapters page: the chapter list edited at the preview's current frame, the encode range set from
// it, and what the import and export buttons do with the file the user chose.

#include "program/pages/preview_page.h"

#include <string>

namespace mivo {

class ChaptersPage : public PreviewPage {
  public:
    explicit ChaptersPage(Program& program) : PreviewPage(program, PageId::Chapters) {}
    void onDefault(int id) override;

    // The file buttons' halves after a chosen path.
    void importFile(const std::string& path);
    void exportFile(const std::string& path);

  private:
    void add();
    void remove();
    void clear();
    void setRange(bool start);
};

} // namespace mivo
