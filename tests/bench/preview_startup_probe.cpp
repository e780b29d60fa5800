// The program's start-up with a Mivo.ini that names a D2V project, ended as soon as the first frame has
// been painted in the preview: what the start-up benchmark times, process start to quit.
// usage: preview_startup_probe PROGRAM_FOLDER (with its Mivo.ini and DGDecode folder)
#include "core/control_ids.h"
#include "gui/app_main.h"
#include "gui/main_window.h"
#include "gui/preview_box.h"
#include "gui/qt_dialogs.h"
#include "program/program.h"

#include <QApplication>
#include <QTimer>

#include <string>

int main(int argc, char** argv) {
    using namespace mivo;
    if (argc < 2) return 2;
    ProgramOptions options;
    options.programFolder = std::string(argv[1]) + "/";
    QApplication app(argc, argv);
    useProgramStyle();
    QtDialogs dialogs;
    Program program(dialogs, ProgramShell{}, options);
    MainWindow window(program, true);
    dialogs.setParent(&window);
    window.show();
    program.startUp();
    if (!program.source().sourceReady) return 1;
    // The user's first look at a frame: the Zones page brought to the front.
    program.controls().userSelect(PageId::Window, ids::window::tabs, 6);
    auto* box = static_cast<PreviewBox*>(window.widget(PageId::Zones, ids::preview::picture));
    if (!box) return 1;
    QObject::connect(box, &PreviewBox::picturePainted, &app, [] { QApplication::exit(0); });
    // A picture that never comes is a failure, not a hang.
    QTimer::singleShot(10000, &app, [] { QApplication::exit(1); });
    const int code = app.exec();
    program.tearDown();
    return code;
}
