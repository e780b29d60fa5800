// The program's entry point: start-up, the message loop, teardown. It takes no arguments.

#include "gui/program.h"
#include "gui/qt/main_window.h"
#include "gui/qt/qt_dialogs.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    mivo::QtDialogs dialogs;
    mivo::ProgramShell shell;
    mivo::MainWindow* window = nullptr;
    shell.postQuit = [](int code) { QApplication::exit(code); };
    shell.setWindowVisible = [&window](bool visible) {
        if (window) window->setVisible(visible);
    };
    shell.pause = [](int ms) { mivo::pumpEvents(ms); };
    mivo::Program program(dialogs, shell);
    mivo::MainWindow mainWindow(program, true);
    window = &mainWindow;
    dialogs.setParent(&mainWindow);
    mainWindow.show();
    program.startUp();
    // A quit posted during start-up (the processor check) ends the loop as soon as it runs.
    const int code = program.quitPosted() ? program.exitCode() : app.exec();
    program.tearDown();
    return code;
}
