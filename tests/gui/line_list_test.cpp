// The list box view places its lines by arithmetic: every key moves the current line where a list box
// moves it and scrolls it into sight, a click chooses the line under the mouse, and the painted rows are
// the provided lines from the first one shown.
#include "gui/line_list.h"

#include "../program/program_world.h"

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <string>

namespace mivo {
namespace {

struct KeyStep {
    Qt::Key key;
    int row; // the current line afterwards; -1: one page below the previous line
};

TEST(LineList, KeysClicksAndScrollingFollowTheLines) {
    int argc = 1;
    char name[] = "mivo_gui_tests";
    char* argv[] = {name, nullptr};
    const test::ScopedEnv platform("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Control control;
    control.kind = ControlKind::ListBox;
    control.providedCount = 1000;
    control.provider = [](int i) { return "line " + std::to_string(i); };
    LineListView view(control);
    view.resize(200, 150);
    view.show();
    view.mirrorLines(control);
    int chosen = -2;
    QObject::connect(&view, &LineListView::rowChosen, [&chosen](int row) { chosen = row; });

    const int rowHeight = view.visualRect(view.model()->index(0, 0)).height();
    const int page = view.viewport()->height() / rowHeight - 1;
    const KeyStep steps[] = {
        {Qt::Key_Down, 0},   {Qt::Key_Down, 1}, {Qt::Key_PageDown, -1},       {Qt::Key_End, 999},
        {Qt::Key_Down, 999}, {Qt::Key_Up, 998}, {Qt::Key_PageUp, 998 - page}, {Qt::Key_Home, 0},
        {Qt::Key_Up, 0}};
    int previous = 0;
    for (const KeyStep& step : steps) {
        QTest::keyClick(&view, step.key);
        const int want = step.row >= 0 ? step.row : previous + page;
        SCOPED_TRACE(step.key);
        ASSERT_EQ(view.currentIndex().row(), want);
        EXPECT_EQ(chosen, want);
        EXPECT_TRUE(view.viewport()->rect().contains(view.visualRect(view.currentIndex())))
            << "the current line is scrolled into sight";
        previous = want;
    }
    // A click on the third line shown chooses it, wherever the list is scrolled to.
    view.verticalScrollBar()->setValue(500);
    const QModelIndex third = view.model()->index(502, 0);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.visualRect(third).center());
    EXPECT_EQ(chosen, 502);
    EXPECT_EQ(view.indexAt(view.visualRect(third).center()), third);

    // The rows painted are the lines from the first one shown: the view's picture equals a second view
    // of lines that start there.
    Control shifted = control;
    shifted.provider = [](int i) { return "line " + std::to_string(i + 500); };
    shifted.providedCount = 500;
    LineListView reference(shifted);
    reference.resize(view.size());
    reference.show();
    reference.mirrorLines(shifted);
    view.selectionModel()->clear();
    const QImage a = view.viewport()->grab().toImage(), b = reference.viewport()->grab().toImage();
    EXPECT_EQ(a, b);
    EXPECT_NE(a, QImage(a.size(), a.format())) << "something was painted";
}

} // namespace
} // namespace mivo
