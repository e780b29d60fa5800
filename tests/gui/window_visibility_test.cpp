// The main window while the encoder runs: hidden, widget and platform window alike, for as long as the
// encoder runs, and shown again afterwards.
#include "../program/program_world.h"
#include "gui/main_window.h"

#include <QApplication>
#include <QWindow>
#include <gtest/gtest.h>

using namespace mivo;
using namespace mivo::test;

namespace {

class WindowVisibility : public ProgramWorld {};

TEST_F(WindowVisibility, TheWindowIsHiddenForAsLongAsTheEncoderRuns) {
    int argc = 1;
    char name[] = "mivo_gui_tests";
    char* argv[] = {name, nullptr};
    const ScopedEnv platform("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    MainWindow* window = nullptr;
    shell.setWindowVisible = [&window](bool v) { window->setVisible(v); };
    // Looked at from inside the wait: the widget and its platform window, and whether the encoder has
    // begun (its log is written first thing, before its delay).
    struct Look {
        bool widgetVisible, platformWindowVisible, encoderStarted;
    };
    std::vector<Look> looks;
    shell.whileEncoding = [&] {
        looks.push_back({window->isVisible(), window->windowHandle() && window->windowHandle()->isVisible(),
                         fs::exists(prog / "encoder-runs.log")});
    };
    start();
    MainWindow mainWindow(*program, false);
    window = &mainWindow;
    mainWindow.show();
    QApplication::processEvents();
    openProject();
    placeEncoderDouble();
    ASSERT_TRUE(mainWindow.isVisible());

    const ScopedEnv delay("MIVO_ENCODER_DOUBLE_MS", "600");
    encode();
    EXPECT_EQ(status(), " encoding finished");
    ASSERT_GE(looks.size(), 3u);
    bool sawTheEncoder = false;
    for (const Look& l : looks) {
        EXPECT_FALSE(l.widgetVisible);
        EXPECT_FALSE(l.platformWindowVisible);
        sawTheEncoder = sawTheEncoder || l.encoderStarted;
    }
    EXPECT_TRUE(sawTheEncoder);
    EXPECT_TRUE(mainWindow.isVisible());
    EXPECT_TRUE(mainWindow.windowHandle()->isVisible());
    EXPECT_FALSE(mainWindow.isMinimized());
    EXPECT_EQ(controls().focused(), std::nullopt);
    EXPECT_EQ(encoderRuns().size(), 1u);
}

} // namespace
