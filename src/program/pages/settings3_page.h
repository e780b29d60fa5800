#pragma once
// The Settings 3 page: the start time code, the processor extensions and priority of the encoder, the
// chroma output, the Avisynth memory, the output frame size, the lossless intermediate file and the folders
// of the two intermediate files. Every notification ends with the "current Mivo.ini" listing rebuilt.

#include "program/pages/page_handler.h"

namespace mivo {

// The two intermediate files whose folder the user may choose.
enum class FolderKind { Lossless, Database };

class Settings3Page : public PageHandler {
  public:
    using PageHandler::PageHandler;
    void onDefault(int id) override;
    void onLoseFocus(int id) override;

    // The folder browser for one kind: true when a folder was chosen (record and button updated),
    // false when the user cancelled (nothing changes).
    bool chooseFolder(FolderKind kind);

  private:
    void timecode(int id);
    void cpuExtensions(int id);
    void avsMemory();
    void frameSize(int id);
    void useLossless();
    void folderButton(FolderKind kind);
    void clearPaths();
};

} // namespace mivo
