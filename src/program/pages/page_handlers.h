#pragma once
// One handler object per page; each page's behaviour lives in its own file. The program binds every
// control of the handler table to one of these entry points.

#include "core/control_model.h"
#include "program/pages/chapters_page.h"
#include "program/pages/matrix_page.h"
#include "program/pages/page_handler.h"
#include "program/pages/panscan_page.h"
#include "program/pages/settings1_page.h"
#include "program/pages/settings2_page.h"
#include "program/pages/settings3_page.h"
#include "program/pages/zones_page.h"

#include <string_view>

namespace mivo {

class Program;
struct PageHandlers;

// The main window: tab control, "about Mivo", "encode", "exit", and the close notification.
class WindowHandlers {
  public:
    explicit WindowHandlers(Program& program) : p_(program) {}
    void tabChanged();
    void button(int id);
    void close();

  private:
    Program& p_;
};

// The Main page (main_page.cpp).
class MainPage : public PageHandler {
  public:
    using PageHandler::PageHandler;
    void onDefault(int id) override;
    void onLoseFocus(int id) override;

  private:
    bool answeredByTable(int id);
    void bitrateModeChosen(bool fileLength);
    void aspectChosen(int code, std::string_view message, std::string_view colorimetryNote);
    void allFrames();
    void frameRangeChanged();
    void autoGopSwitched(bool on);
    void autoGopLengthChanged();
    void pulldownSwitched(bool on);
    void encoderInfo();
    void decoderInfo();
    void fileLengthLeft();
};
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

struct PageHandlers {
    explicit PageHandlers(Program& p)
        : window(p), main(p), settings1(p), settings2(p), settings3(p), matrix(p), chapters(p), zones(p),
          panScan(p), files(p, *this) {}
    WindowHandlers window;
    MainPage main;
    Settings1Page settings1;
    Settings2Page settings2;
    Settings3Page settings3;
    MatrixPage matrix;
    ChaptersPage chapters;
    ZonesPage zones;
    PanScanPage panScan;
    FileButtons files;
};

} // namespace mivo
