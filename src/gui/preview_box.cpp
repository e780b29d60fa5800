#include "gui/preview_box.h"

#include "core/picture/preview_rect.h"

#include <QImage>
#include <QPainter>

namespace mivo {

PreviewBox::PreviewBox(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
    setAutoFillBackground(true);
    // A click on the picture takes the keyboard focus from the tab bar or a field, so the arrow keys
    // step frames (the window's key filter) instead of switching tabs or moving a cursor.
    setFocusPolicy(Qt::ClickFocus);
}

void PreviewBox::setImage(const PictureImage& image) {
    image_ = image;
    update();
}

QRect PreviewBox::pictureRect() const {
    if (!image_.rows || image_.width <= 0 || image_.height <= 0) return {};
    const QRect box = contentsRect();
    const auto r = picture::previewRectInBox(image_.aspectCode, box.width(), box.height());
    if (!r) return {};
    return QRect(box.left() + r->left, box.top() + r->top, r->width, r->height);
}

void PreviewBox::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    const QRect target = pictureRect();
    if (target.isEmpty()) return;
    // Wrapped, not copied: the rows are read where the program built them.
    const QImage frame(image_.rows, image_.width, image_.height, static_cast<qsizetype>(image_.rowBytes),
                       QImage::Format_BGR888);
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setClipRect(target);
    // The rows are stored bottom line first: drawn upside down, they stand upright.
    painter.translate(target.left(), target.top() + target.height());
    painter.scale(1.0, -1.0);
    painter.drawImage(QRect(0, 0, target.width(), target.height()), frame);
    emit picturePainted();
}

} // namespace mivo
