#pragma once
// One handler object per page; each page's behaviour lives in its own file. The program binds every
// control of the handler table to one of these entry points.

#include "program/pages/chapters_page.h"
#include "program/pages/disc_page.h"
#include "program/pages/file_buttons.h"
#include "program/pages/main_page.h"
#include "program/pages/matrix_page.h"
#include "program/pages/panscan_page.h"
#include "program/pages/queue_page.h"
#include "program/pages/settings1_page.h"
#include "program/pages/settings2_page.h"
#include "program/pages/settings3_page.h"
#include "program/pages/window_handlers.h"
#include "program/pages/zones_page.h"

namespace mivo {

class Program;

struct PageHandlers {
    explicit PageHandlers(Program& p)
        : window(p), main(p), settings1(p), settings2(p), settings3(p), matrix(p), chapters(p), zones(p),
          panScan(p), queue(p), disc(p), files(p, *this) {}
    WindowHandlers window;
    MainPage main;
    Settings1Page settings1;
    Settings2Page settings2;
    Settings3Page settings3;
    MatrixPage matrix;
    ChaptersPage chapters;
    ZonesPage zones;
    PanScanPage panScan;
    QueuePage queue;
    DiscPage disc;
    FileButtons files;
};

} // namespace mivo
