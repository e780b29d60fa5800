#include "gui/line_list.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScrollBar>

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

LineListView::LineListView(const Control& control, QWidget* parent)
    : QAbstractItemView(parent), model_(new LineListModel(control, this)) {
    setModel(model_);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // A list box clips a long line at its edge rather than shortening it.
    setTextElideMode(Qt::ElideNone);
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
    if (extent_ == control.horizontalExtent) return;
    extent_ = control.horizontalExtent;
    updateGeometries();
    viewport()->update();
}

// The height of a line of text as the style lays out an item: the same for every line.
int LineListView::rowHeight() const {
    if (rowHeight_ == 0) {
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        option.features |= QStyleOptionViewItem::HasDisplay;
        option.text = QStringLiteral("0");
        rowHeight_ =
            std::max(1, style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).height());
    }
    return rowHeight_;
}

int LineListView::firstRow() const {
    return verticalScrollBar()->value();
}

int LineListView::wholeRowsShown() const {
    return std::max(1, viewport()->height() / rowHeight());
}

int LineListView::rowAt(int y) const {
    const int h = rowHeight();
    return firstRow() + (y >= 0 ? y / h : (y - h + 1) / h);
}

QRect LineListView::visualRect(const QModelIndex& index) const {
    if (!index.isValid()) return {};
    const int h = rowHeight();
    const int width = std::max(viewport()->width() + horizontalOffset(), extent_);
    return {-horizontalOffset(), (index.row() - firstRow()) * h, width, h};
}

void LineListView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!index.isValid()) return;
    const int row = index.row(), shown = wholeRowsShown();
    QScrollBar* bar = verticalScrollBar();
    switch (hint) {
    case EnsureVisible:
        if (row < firstRow())
            bar->setValue(row);
        else if (row >= firstRow() + shown)
            bar->setValue(row - shown + 1);
        break;
    case PositionAtTop:
        bar->setValue(row);
        break;
    case PositionAtBottom:
        bar->setValue(row - shown + 1);
        break;
    case PositionAtCenter:
        bar->setValue(row - shown / 2);
        break;
    }
}

QModelIndex LineListView::indexAt(const QPoint& point) const {
    const int row = rowAt(point.y());
    return point.y() >= 0 && row < model_->rowCount() ? model_->index(row) : QModelIndex();
}

QModelIndex LineListView::moveCursor(CursorAction action, Qt::KeyboardModifiers) {
    const int count = model_->rowCount();
    if (count == 0) return {};
    const QModelIndex current = currentIndex();
    int row = current.isValid() ? current.row() : -1;
    const int page = std::max(1, wholeRowsShown() - 1);
    switch (action) {
    case MoveUp:
    case MovePrevious:
        row = row < 0 ? 0 : row - 1;
        break;
    case MoveDown:
    case MoveNext:
        ++row;
        break;
    case MovePageUp:
        row -= page;
        break;
    case MovePageDown:
        row += page;
        break;
    case MoveHome:
        row = 0;
        break;
    case MoveEnd:
        row = count - 1;
        break;
    case MoveLeft:
    case MoveRight:
        return current;
    }
    return model_->index(std::clamp(row, 0, count - 1));
}

int LineListView::horizontalOffset() const {
    return horizontalScrollBar()->value();
}

int LineListView::verticalOffset() const {
    return firstRow() * rowHeight();
}

void LineListView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) {
    const int count = model_->rowCount();
    if (count == 0) return;
    const QRect r = rect.normalized();
    const int first = std::clamp(rowAt(r.top()), 0, count - 1);
    const int last = std::clamp(rowAt(r.bottom()), 0, count - 1);
    selectionModel()->select(QItemSelection(model_->index(first), model_->index(last)), command);
}

QRegion LineListView::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    const int lastShown = firstRow() + wholeRowsShown();
    for (const QItemSelectionRange& range : selection) {
        const int top = std::max(range.top(), firstRow()), bottom = std::min(range.bottom(), lastShown);
        if (top <= bottom) region += visualRect(model_->index(top)).united(visualRect(model_->index(bottom)));
    }
    return region;
}

void LineListView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QStyle::State base = option.state & ~QStyle::State_HasFocus;
    const QModelIndex current = currentIndex();
    const int first = std::max(rowAt(event->rect().top()), 0);
    const int last = std::min(rowAt(event->rect().bottom()), model_->rowCount() - 1);
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = model_->index(row);
        option.rect = visualRect(index);
        option.state = base;
        if (selectionModel()->isSelected(index)) option.state |= QStyle::State_Selected;
        if (index == current && hasFocus()) option.state |= QStyle::State_HasFocus;
        itemDelegate()->paint(&painter, option, index);
    }
}

void LineListView::updateGeometries() {
    const int shown = wholeRowsShown();
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(0, std::max(0, model_->rowCount() - shown));
    vertical->setPageStep(shown);
    vertical->setSingleStep(1);
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setRange(0, std::max(0, extent_ - viewport()->width()));
    horizontal->setPageStep(viewport()->width());
    horizontal->setSingleStep(std::max(1, fontMetrics().averageCharWidth()));
    QAbstractItemView::updateGeometries();
}

void LineListView::scrollContentsBy(int, int) {
    viewport()->update();
}

void LineListView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        rowHeight_ = 0;
        updateGeometries();
    }
    QAbstractItemView::changeEvent(event);
}

} // namespace mivo
