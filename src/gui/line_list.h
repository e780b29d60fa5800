#pragma once
// A list box over the control model's lines. Every line has the same height, so the view places a line
// by arithmetic: filling, scrolling and painting cost the lines shown, never the lines held, and a list
// of 640000 lines fills as fast as one of ten. Keyboard and mouse work as in any list.

#include "core/control_model.h"

#include <QAbstractItemView>
#include <QAbstractListModel>

namespace mivo {

class LineListModel : public QAbstractListModel {
    Q_OBJECT
  public:
    // The control outlives the model: the control model keeps its controls for the program's life.
    explicit LineListModel(const Control& control, QObject* parent = nullptr)
        : QAbstractListModel(parent), control_(control) {}
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // The control's lines were replaced.
    void linesChanged();

  private:
    const Control& control_;
};

class LineListView : public QAbstractItemView {
    Q_OBJECT
  public:
    LineListView(const Control& control, QWidget* parent = nullptr);
    LineListModel* lines() const { return model_; }
    // Mirrors the control's lines, selection or scroll width; no signal reaches the program.
    void mirrorLines(const Control& control);
    void mirrorSelection(const Control& control);
    void mirrorExtent(const Control& control);

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;

  signals:
    // The user made another line current (mouse or keyboard); -1 for none.
    void rowChosen(int row);

  protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex&) const override { return false; }
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void paintEvent(QPaintEvent* event) override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent* event) override;

  private:
    int rowHeight() const;
    int firstRow() const;
    int wholeRowsShown() const;
    int rowAt(int y) const; // the line under a viewport position, which may lie past the last line

    LineListModel* model_;
    int extent_ = 0;
    mutable int rowHeight_ = 0; // measured once per font and style
    bool mirroring_ = false;
};

} // namespace mivo
