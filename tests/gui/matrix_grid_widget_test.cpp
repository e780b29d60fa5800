// The matrix grid's fields on screen: keys other than digits never reach the field or the program.
#include "../program/program_world.h"
#include "gui/main_window.h"

#include <QApplication>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

using namespace mivo;
using namespace mivo::test;

namespace {

class MatrixGridWidget : public ProgramWorld {};

TEST_F(MatrixGridWidget, AFieldTakesTheDigitsOfWhatIsTyped) {
    int argc = 1;
    char name[] = "mivo_gui_tests";
    char* argv[] = {name, nullptr};
    const ScopedEnv platform("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    start();
    MainWindow window(*program, false);
    window.findChild<QTabWidget*>()->setCurrentIndex(4); // the Matrix page is built when first shown
    controls().userClick(PageId::Matrix, ids::matrix::customRadio);

    auto* field = qobject_cast<QLineEdit*>(window.widget(PageId::Matrix, ids::matrix::intraCell(0, 1)));
    ASSERT_NE(field, nullptr);
    ASSERT_TRUE(field->isEnabled());
    field->selectAll();
    QTest::keyClicks(field, "1a-2 ");
    EXPECT_EQ(field->text(), "12");
    EXPECT_EQ(controls().text(PageId::Matrix, ids::matrix::intraCell(0, 1)), "12");
}

} // namespace
