#pragma once
// Every button that asks for a file, on whatever page it sits.

#include "core/control_model.h"

namespace mivo {

class Program;
struct PageHandlers;

// The file buttons of every page (input, output, log, ini, chapter, pan-scan and matrix files).
class FileButtons {
  public:
    // The pages act on the files chosen for them.
    FileButtons(Program& program, PageHandlers& pages) : p_(program), pages_(pages) {}
    void onClick(PageId page, int id);

  private:
    Program& p_;
    PageHandlers& pages_;
};

} // namespace mivo
