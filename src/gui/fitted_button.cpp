#include "gui/fitted_button.h"

#include <QEvent>
#include <QStyle>
#include <QStyleOptionButton>

namespace mivo {

void FittedButton::setFullText(const QString& text) {
    full_ = text;
    fit();
}

int FittedButton::labelRoom() const {
    QStyleOptionButton option;
    option.initFrom(this);
    // What the style adds around an empty label is what it keeps off the label at any width.
    const int margins = style()->sizeFromContents(QStyle::CT_PushButton, &option, QSize(0, 0), this).width();
    return width() - margins;
}

void FittedButton::fit() {
    const QString shown = fontMetrics().elidedText(full_, Qt::ElideMiddle, labelRoom());
    setText(shown);
    setToolTip(shown == full_ ? QString() : full_);
}

void FittedButton::resizeEvent(QResizeEvent* event) {
    QPushButton::resizeEvent(event);
    fit();
}

// A new font or style changes what fits.
void FittedButton::changeEvent(QEvent* event) {
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) fit();
}

} // namespace mivo
