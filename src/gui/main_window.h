#pragma once
// The Qt face of the program: the main window with its tab control and eight pages, built from the
// dialog templates, kept in step with the control model. User actions on the widgets become the
// model's user actions (and so the handlers' notifications); program writes to the model are mirrored
// onto the widgets with their signals blocked, so they never notify.

#include "core/control_model.h"

#include <QWidget>
#include <map>
#include <utility>

class QKeyEvent;
class QTabWidget;

namespace mivo {

class Program;

class MainWindow : public QWidget {
    Q_OBJECT
  public:
    // trackFocus: follow Qt's keyboard focus into the model (off in the scenario runner, whose script
    // moves the focus itself).
    MainWindow(Program& program, bool trackFocus);
    ~MainWindow() override;

    QWidget* widget(PageId page, int id) const;
    QWidget* pageWidget(PageId page) const;
    // Average character width in pixels of the "current Mivo.ini" listings' font.
    static int listingCharWidth();

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void ensurePageBuilt(int pageIndex);
    void buildPage(PageId page, QWidget* parent);
    QWidget* makeWidget(const Control& c, QWidget* parent);
    void connectWidget(const Control& c, QWidget* w);
    void mirror(const Control& c, Change what);
    void mirrorTo(QWidget* w, const Control& c, Change what);
    void mirrorTabs(const Control& c, Change what);
    void applyAll(const Control& c, QWidget* w);
    QRect toPixels(int x, int y, int w, int h) const;
    bool previewKey(QObject* watched, QKeyEvent* event);

    Program& program_;
    QTabWidget* tabs_ = nullptr;
    std::map<std::pair<int, int>, QWidget*> widgets_;
    std::map<QWidget*, std::pair<PageId, int>> ids_;
    QWidget* pages_[kPageCount] = {};
    bool built_[kPageCount] = {};
    double unitX_ = 1.5, unitY_ = 1.625;
    bool closing_ = false;
};

} // namespace mivo
