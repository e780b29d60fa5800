#pragma once
// The program's widget style: the classic flat style, with the round and square indicators of radio
// buttons and check boxes drawn once per look and reused. The flat style draws each radio indicator as
// several antialiased circles clipped to shadow halves, which is a large share of painting the Main page.
#include <QProxyStyle>

namespace mivo {

class ProgramStyle : public QProxyStyle {
  public:
    // Takes ownership of `base`.
    explicit ProgramStyle(QStyle* base);

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
};

} // namespace mivo
