// The file buttons of the Main page in the window: a path label wider than its button is shortened in
// the middle, keeping its start and its file name; the control model keeps the whole text.
#include "../program/program_world.h"
#include "gui/fitted_button.h"
#include "gui/main_window.h"

#include <QApplication>
#include <gtest/gtest.h>

using namespace mivo;
using namespace mivo::test;

namespace {

class FileButtonsWindow : public ProgramWorld {};

TEST_F(FileButtonsWindow, APathTooWideForItsButtonIsShortenedInTheMiddle) {
    int argc = 1;
    char name[] = "mivo_gui_tests";
    char* argv[] = {name, nullptr};
    const ScopedEnv platform("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    start();
    MainWindow window(*program, false);
    window.show();
    QApplication::processEvents();
    openProject();
    QApplication::processEvents();

    const std::string full = controls().text(PageId::Main, ids::main::outputFileButton);
    ASSERT_EQ(full.size(), 48u) << "\"output: \" and the 40 characters of a long path's display form";
    auto* button = dynamic_cast<FittedButton*>(window.widget(PageId::Main, ids::main::outputFileButton));
    ASSERT_TRUE(button);
    const QFontMetrics metrics = button->fontMetrics();
    ASSERT_LT(button->labelRoom(), button->width());
    ASSERT_GT(metrics.horizontalAdvance(QString::fromStdString(full)), button->labelRoom())
        << "the label must not fit for this test to mean anything";
    const QString shown = button->text();
    EXPECT_LE(metrics.horizontalAdvance(shown), button->labelRoom());
    EXPECT_TRUE(shown.startsWith("output: ")) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith("movie.m2v")) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
    EXPECT_EQ(button->toolTip().toStdString(), full);

    // A label that fits is shown whole, without a tool tip.
    controls().setText(PageId::Main, ids::main::outputFileButton, "output: movie.m2v");
    EXPECT_EQ(button->text(), "output: movie.m2v");
    EXPECT_TRUE(button->toolTip().isEmpty());
}

} // namespace
