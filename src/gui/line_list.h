#pragma once
// A list box over the control model's lines: the view asks for the lines it shows and no others, so a
// list of hundreds of thousands of lines fills at once. Keyboard and mouse work as in any list.

#include "core/control_model.h"

#include <QAbstractListModel>
#include <QListView>
#include <QStyledItemDelegate>

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

// Rows at least as wide as the scroll width the program asks for.
class ExtentDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    int extent = 0;
};

class LineListView : public QListView {
    Q_OBJECT
  public:
    LineListView(const Control& control, QWidget* parent = nullptr);
    LineListModel* lines() const { return model_; }
    // Mirrors the control's lines, selection or scroll width; no signal reaches the program.
    void mirrorLines(const Control& control);
    void mirrorSelection(const Control& control);
    void mirrorExtent(const Control& control);

  signals:
    // The user made another line current (mouse or keyboard); -1 for none.
    void rowChosen(int row);

  private:
    LineListModel* model_;
    ExtentDelegate* delegate_;
    bool mirroring_ = false;
};

} // namespace mivo
