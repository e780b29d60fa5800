#include "gui/program_style.h"

#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QStyleOption>

namespace mivo {

ProgramStyle::ProgramStyle(QStyle* base) : QProxyStyle(base) {}

namespace {

// The pieces drawn once per look: the indicators of radio buttons and check boxes, which come with a
// button option.
bool cachedLook(QStyle::PrimitiveElement element, const QStyleOption* option) {
    switch (element) {
    case QStyle::PE_IndicatorRadioButton:
    case QStyle::PE_IndicatorCheckBox:
        return qstyleoption_cast<const QStyleOptionButton*>(option) != nullptr;
    default:
        return false;
    }
}

} // namespace

void ProgramStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                 const QWidget* widget) const {
    if (!cachedLook(element, option) || option->rect.isEmpty() || painter->device() == nullptr ||
        !painter->transform().isIdentity()) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    // Everything the look depends on: the piece, its size, the states it shows, the colours, the scale.
    const qreal scale = painter->device()->devicePixelRatioF();
    const QStyle::State shown =
        option->state & (State_Enabled | State_On | State_Off | State_NoChange | State_Sunken | State_Raised |
                         State_MouseOver | State_HasFocus);
    const QString key = QStringLiteral("mivo-look-%1-%2x%3-%4-%5-%6")
                            .arg(static_cast<int>(element))
                            .arg(option->rect.width())
                            .arg(option->rect.height())
                            .arg(static_cast<uint>(shown))
                            .arg(option->palette.cacheKey())
                            .arg(scale);
    QPixmap pixmap;
    if (!QPixmapCache::find(key, &pixmap)) {
        pixmap = QPixmap(option->rect.size() * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        QStyleOptionButton atOrigin = *button;
        atOrigin.rect.moveTo(0, 0);
        QProxyStyle::drawPrimitive(element, &atOrigin, &p, widget);
        p.end();
        QPixmapCache::insert(key, pixmap);
    }
    painter->drawPixmap(option->rect.topLeft(), pixmap);
}

} // namespace mivo
