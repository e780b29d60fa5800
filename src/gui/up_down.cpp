#include "gui/up_down.h"

#include <QBoxLayout>
#include <QKeyEvent>
#include <QToolButton>
#include <QWheelEvent>
#include <algorithm>

namespace mivo {

UpDown::UpDown(bool vertical, QWidget* parent) : QWidget(parent) {
    up_ = new QToolButton(this);
    down_ = new QToolButton(this);
    up_->setArrowType(vertical ? Qt::UpArrow : Qt::RightArrow);
    down_->setArrowType(vertical ? Qt::DownArrow : Qt::LeftArrow);
    for (QToolButton* b : {up_, down_}) {
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }
    QBoxLayout* layout = new QBoxLayout(vertical ? QBoxLayout::TopToBottom : QBoxLayout::RightToLeft, this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(up_);
    layout->addWidget(down_);
    setFocusPolicy(Qt::NoFocus);
    connect(up_, &QToolButton::clicked, this, [this] { step(+1); });
    connect(down_, &QToolButton::clicked, this, [this] { step(-1); });
}

void UpDown::setPosition(int pos) {
    pos_ = std::clamp(pos, std::min(lo_, hi_), std::max(lo_, hi_));
}

void UpDown::setRange(int lo, int hi) {
    lo_ = lo;
    hi_ = hi;
    setPosition(pos_);
}

void UpDown::step(int delta) {
    // A range given high-to-low turns the arrows round, as the classic control does.
    const int dir = hi_ >= lo_ ? delta : -delta;
    const int next = std::clamp(pos_ + dir, std::min(lo_, hi_), std::max(lo_, hi_));
    if (next == pos_) return;
    emit stepped(next);
}

void UpDown::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up)
        step(+1);
    else if (event->key() == Qt::Key_Down)
        step(-1);
    else
        QWidget::keyPressEvent(event);
}

void UpDown::wheelEvent(QWheelEvent* event) {
    if (event->angleDelta().y() > 0)
        step(+1);
    else if (event->angleDelta().y() < 0)
        step(-1);
    event->accept();
}

} // namespace mivo
