#include "gui/line_list.h"

#include <QScopedValueRollback>

#include <algorithm>

namespace mivo {

int LineListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : control_.itemCount();
}

QVariant LineListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    return QString::fromStdString(control_.item(index.row()));
}

void LineListModel::linesChanged() {
    beginResetModel();
    endResetModel();
}

QSize ExtentDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setWidth(std::max(size.width(), extent));
    return size;
}

LineListView::LineListView(const Control& control, QWidget* parent)
    : QListView(parent), model_(new LineListModel(control, this)), delegate_(new ExtentDelegate(this)) {
    // Every line has the height and, but for the scroll width, the width of the first: the view lays out
    // a long list without measuring each line.
    setUniformItemSizes(true);
    setItemDelegate(delegate_);
    setModel(model_);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current, const QModelIndex&) {
                if (!mirroring_) emit rowChosen(current.isValid() ? current.row() : -1);
            });
}

void LineListView::mirrorLines(const Control& control) {
    const QScopedValueRollback quiet(mirroring_, true);
    model_->linesChanged();
    mirrorSelection(control);
}

void LineListView::mirrorSelection(const Control& control) {
    // The view still hears the selection model, so it draws the new current line.
    const QScopedValueRollback quiet(mirroring_, true);
    if (control.selected < 0) {
        selectionModel()->clear();
        return;
    }
    const QModelIndex index = model_->index(control.selected);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
}

void LineListView::mirrorExtent(const Control& control) {
    if (delegate_->extent == control.horizontalExtent) return;
    delegate_->extent = control.horizontalExtent;
    emit delegate_->sizeHintChanged(model_->index(0));
}

} // namespace mivo
