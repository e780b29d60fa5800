// The pages in the window: bitmaps read back through Qt's own reader with the pixels shown, the
// navigation keys and the picture that takes them, list boxes that show provided lines and report the
// keyboard's choice, and path labels too wide for their buttons.
#include "../program/program_world.h"
#include "gui/fitted_button.h"
#include "gui/line_list.h"
#include "gui/main_window.h"
#include "program/preview/frame_preview.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

using namespace mivo;
using namespace mivo::test;

namespace {

class PreviewWindow : public ProgramWorld {
  protected:
    void SetUp() override {
        ProgramWorld::SetUp();
        // Once: copying over a library that is loaded would change its code under the program.
        placeDecoder("16");
        app = std::make_unique<QApplication>(argc, argv);
        start();
        window = std::make_unique<MainWindow>(*program, true);
        window->show();
        QApplication::setActiveWindow(window.get());
        QApplication::processEvents();
    }
    void TearDown() override {
        window.reset();
        ProgramWorld::TearDown();
        app.reset();
    }

    // A noise source of that width through the synthetic decoder, shown on the Zones page.
    void openNoise(int width, int frames) {
        writeFile(prog / "movie.syn", "synthetic-source\nsize " + std::to_string(width) + " 576\nframes " +
                                          std::to_string(frames) + "\nnoise 3\n");
        writeFile(prog / "movie.d2v", "DGIndexProjectFile16\r\n1\r\n" + (prog / "movie.syn").string() +
                                          "\r\n\r\nStream_Type=1\r\n");
        dialogs.files.push_back((prog / "movie.d2v").string());
        controls().userClick(PageId::Main, ids::main::inputFileButton);
        ASSERT_TRUE(program->source().sourceReady) << status();
        controls().userSelect(PageId::Window, ids::window::tabs, 6);
        QApplication::processEvents();
    }

    int press(QWidget* focus, Qt::Key key) {
        focus->setFocus();
        return pressOnFocus(key);
    }
    // A key to whatever holds the keyboard focus now.
    int pressOnFocus(Qt::Key key) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(QApplication::focusWidget(), &event);
        return program->source().currentFrame;
    }

    int argc = 1;
    char name[16] = "mivo_gui_tests";
    char* argv[2] = {name, nullptr};
    const ScopedEnv platform{"QT_QPA_PLATFORM", "offscreen"};
    std::unique_ptr<QApplication> app;
    std::unique_ptr<MainWindow> window;
};

TEST_F(PreviewWindow, BitmapsReadBackThroughQtWithThePixelsShown) {
    for (int width : {720, 718}) {
        SCOPED_TRACE(width);
        openNoise(width, 20);
        controls().userClick(PageId::Zones, ids::zones::createBitmapButton);
        const QImage read(QString::fromStdString((prog / "000000.bmp").string()));
        ASSERT_EQ(read.size(), QSize(width, 576));
        const picture::PictureBuffer& shown = program->preview().picture();
        int wrong = 0;
        for (int y = 0; y < 576; ++y) {
            const std::uint8_t* row = shown.pixels() + (575 - y) * shown.rowBytes();
            for (int x = 0; x < width; ++x) {
                const QRgb p = read.pixel(x, y);
                wrong += qBlue(p) != row[3 * x] || qGreen(p) != row[3 * x + 1] || qRed(p) != row[3 * x + 2];
            }
        }
        EXPECT_EQ(wrong, 0);
    }
}

TEST_F(PreviewWindow, KeysStepLikeTheButtonsUnlessAnEditHasTheFocus) {
    openNoise(720, 301);
    QWidget* button = window->widget(PageId::Zones, ids::preview::stepForwardButton);
    QWidget* field = window->widget(PageId::Zones, ids::preview::currentFrameEdit);
    ASSERT_TRUE(button && field);
    EXPECT_EQ(press(button, Qt::Key_Right), 1);
    EXPECT_EQ(press(button, Qt::Key_PageDown), 101);
    EXPECT_EQ(press(button, Qt::Key_Left), 100);
    EXPECT_EQ(press(button, Qt::Key_PageUp), 0);
    EXPECT_EQ(press(button, Qt::Key_End), 300);
    EXPECT_EQ(controls().text(PageId::Zones, ids::preview::currentFrameEdit), "300");
    EXPECT_EQ(controls().pos(PageId::Chapters, ids::preview::slider), 997);
    EXPECT_EQ(press(button, Qt::Key_Home), 0);
    EXPECT_EQ(press(field, Qt::Key_End), 0) << "the edit moves its cursor";
    // Without a source the keys do nothing, like the disabled buttons.
    controls().userSelect(PageId::Window, ids::window::tabs, 0);
    dialogs.files.push_back((prog / "missing.d2v").string());
    controls().userClick(PageId::Main, ids::main::inputFileButton);
    controls().userSelect(PageId::Window, ids::window::tabs, 6);
    EXPECT_EQ(press(window.get(), Qt::Key_End), 0);
}

TEST_F(PreviewWindow, AClickOnThePictureTakesTheArrowKeysFromTheTabBar) {
    openNoise(720, 301);
    auto* tabs = window->findChild<QTabWidget*>();
    ASSERT_TRUE(tabs);
    // After a click on a tab the tab bar has the focus and the arrow keys switch tabs.
    tabs->tabBar()->setFocus();
    EXPECT_EQ(pressOnFocus(Qt::Key_Left), 0);
    ASSERT_EQ(tabs->currentIndex(), 5);
    QApplication::processEvents();
    QWidget* picture = window->widget(PageId::Chapters, ids::preview::picture);
    ASSERT_TRUE(picture);
    QTest::mouseClick(picture, Qt::LeftButton, Qt::NoModifier, picture->rect().center());
    EXPECT_EQ(QApplication::focusWidget(), picture);
    EXPECT_EQ(pressOnFocus(Qt::Key_Right), 1);
    EXPECT_EQ(pressOnFocus(Qt::Key_PageDown), 101);
    EXPECT_EQ(tabs->currentIndex(), 5) << "the keys step frames, not tabs";
}

TEST_F(PreviewWindow, ListBoxesShowProvidedLinesAndReportTheKeyboardsChoice) {
    controls().userSelect(PageId::Window, ids::window::tabs, 5);
    QApplication::processEvents();
    auto* list = qobject_cast<LineListView*>(window->widget(PageId::Chapters, ids::chapters::chapterList));
    ASSERT_TRUE(list);
    controls().setEnabled(PageId::Chapters, ids::chapters::chapterList, true);
    controls().setLines(PageId::Chapters, ids::chapters::chapterList, 640000,
                        [](int i) { return std::to_string(i * 10); });
    EXPECT_EQ(list->model()->rowCount(), 640000);
    EXPECT_EQ(list->model()->index(639999, 0).data().toString(), "6399990");
    controls().setSelected(PageId::Chapters, ids::chapters::chapterList, 5);
    EXPECT_EQ(list->currentIndex().row(), 5);
    list->setFocus();
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QCoreApplication::sendEvent(list, &down);
    EXPECT_EQ(controls().selected(PageId::Chapters, ids::chapters::chapterList), 6);
    QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
    QCoreApplication::sendEvent(list, &end);
    EXPECT_EQ(controls().selectedText(PageId::Chapters, ids::chapters::chapterList), "6399990");
    // The scroll width the program asks for reaches the scroll bar.
    controls().setHorizontalExtent(PageId::Chapters, ids::chapters::chapterList, 4000);
    QApplication::processEvents();
    EXPECT_GT(list->horizontalScrollBar()->maximum(), 4000 - list->viewport()->width() - 50);
}

TEST_F(PreviewWindow, APathTooWideForItsButtonIsShortenedInTheMiddle) {
    openNoise(720, 20);
    dialogs.files.push_back((prog / "movie.m2v").string());
    controls().userClick(PageId::Main, ids::main::outputFileButton);
    // "output: " and the display form of a long path, 40 characters; the model keeps it whole.
    const QString full = QString::fromStdString(controls().text(PageId::Main, ids::main::outputFileButton));
    ASSERT_EQ(full.size(), 48);
    auto* button = dynamic_cast<FittedButton*>(window->widget(PageId::Main, ids::main::outputFileButton));
    ASSERT_TRUE(button);
    const QFontMetrics metrics = button->fontMetrics();
    ASSERT_LT(button->labelRoom(), button->width());
    ASSERT_GT(metrics.horizontalAdvance(full), button->labelRoom())
        << "the test needs a label that does not fit";
    const QString shown = button->text();
    EXPECT_LE(metrics.horizontalAdvance(shown), button->labelRoom());
    EXPECT_TRUE(shown.startsWith("output: ") && shown.endsWith("movie.m2v") && shown.contains(QChar(0x2026)))
        << shown.toStdString();
    EXPECT_EQ(button->toolTip(), full);
    // A label that fits is shown whole, without a tool tip.
    controls().setText(PageId::Main, ids::main::outputFileButton, "output: movie.m2v");
    EXPECT_EQ(button->text(), "output: movie.m2v");
    EXPECT_TRUE(button->toolTip().isEmpty());
}

} // namespace
