#include "gui/qt/app_main.h"

#include "gui/program.h"
#include "gui/qt/main_window.h"
#include "gui/qt/qt_dialogs.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

namespace mivo {

int runProgram(int argc, char** argv, bool quitWhenShown) {
    QApplication app(argc, argv);
    QtDialogs dialogs;
    ProgramShell shell;
    MainWindow* window = nullptr;
    shell.postQuit = [](int code) { QApplication::exit(code); };
    shell.setWindowVisible = [&window](bool visible) {
        if (!window) return;
        if (!visible) {
            window->hide();
            // The program waits for the encoder next, without its loop: let the hide reach the screen now.
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            return;
        }
        // Back from an encode: shown, restored if it was minimised, no control focused.
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
        window->show();
        window->raise();
        window->activateWindow();
        if (QWidget* focused = QApplication::focusWidget()) focused->clearFocus();
    };
    shell.pause = [](int ms) { pumpEvents(ms); };
    Program program(dialogs, shell);
    MainWindow mainWindow(program, true);
    window = &mainWindow;
    dialogs.setParent(&mainWindow);
    mainWindow.show();
    program.startUp();
    if (quitWhenShown) QTimer::singleShot(0, &app, [] { QApplication::exit(0); });
    // A quit posted during start-up (the processor check) ends the loop as soon as it runs.
    const int code = program.quitPosted() ? program.exitCode() : app.exec();
    program.tearDown();
    return code;
}

} // namespace mivo
