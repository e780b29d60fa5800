#include "gui/app_main.h"

#include "gui/main_window.h"
#include "gui/program_style.h"
#include "gui/qt_dialogs.h"
#include "program/program.h"

#include <QApplication>
#include <QEventLoop>
#include <QFont>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>
#include <cstdlib>
#include <string_view>

namespace mivo {

bool userNamedStyle(int argc, char** argv) {
    if (const char* override = std::getenv("QT_STYLE_OVERRIDE"); override && *override) return true;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-style" || arg == "--style" || arg.starts_with("-style=") || arg.starts_with("--style="))
            return true;
    }
    return false;
}

// The pages are dialog templates, and the classic flat style with fully hinted text is the look they
// were laid out for. It is also the quicker look to show: the default style fills its tall frames and
// gradients in slices on worker threads, where the hand-offs cost more than the drawing, and the light
// hinting of the platform default runs the auto-hinter over every glyph the first time it is drawn.
void useProgramStyle() {
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Windows")))
        QApplication::setStyle(new ProgramStyle(style));
    QFont font = QApplication::font();
    font.setHintingPreference(QFont::PreferFullHinting);
    QApplication::setFont(font);
}

int runProgram(int argc, char** argv, bool quitWhenShown, const std::string& programFolder) {
    const bool styleNamed = userNamedStyle(argc, argv);
    QApplication app(argc, argv);
    if (!styleNamed) useProgramStyle();
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
    shell.repeat = [&app](int ms, std::function<void()> tick) {
        auto* timer = new QTimer(&app);
        QObject::connect(timer, &QTimer::timeout, &app, std::move(tick));
        timer->start(ms);
    };
    shell.listingCharWidth = [] { return MainWindow::listingCharWidth(); };
    ProgramOptions options;
    options.programFolder = programFolder;
    Program* running = nullptr;
    // From the scan thread: the posts are applied on the user-interface thread, in its event loop.
    shell.scanPosted = [&running] {
        QMetaObject::invokeMethod(
            qApp,
            [&running] {
                if (running) running->drainScanPosts();
            },
            Qt::QueuedConnection);
    };
    Program program(dialogs, shell, options);
    running = &program;
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
