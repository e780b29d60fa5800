#include "gui/program_icon.h"

#include <QPainter>

#include <vector>

namespace mivo {

namespace {

// The drawing on a 32-unit square; every shape is filled, without outline.
struct Shape {
    enum class Kind { RoundedRect, Rect, Circle } kind;
    double x, y, w, h; // a circle: centre x, y and radius w
    QColor colour;
};

constexpr QColor kFilm(40, 60, 120), kHole(255, 255, 255), kDisc(250, 200, 60);
constexpr double kUnits = 32, kCorner = 4;

std::vector<Shape> shapes() {
    std::vector<Shape> s{{Shape::Kind::RoundedRect, 1, 4, 30, 24, kFilm}};
    for (int i = 0; i < 4; ++i) { // the film's sprocket holes along both edges
        s.push_back({Shape::Kind::Rect, 4.0 + i * 7, 6, 4, 3, kHole});
        s.push_back({Shape::Kind::Rect, 4.0 + i * 7, 23, 4, 3, kHole});
    }
    s.push_back({Shape::Kind::Circle, 16, 16, 6, 0, kDisc});
    s.push_back({Shape::Kind::Circle, 16, 16, 1.5, 0, kFilm});
    return s;
}

} // namespace

QImage programIconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / kUnits, size / kUnits);
    p.setPen(Qt::NoPen);
    for (const Shape& s : shapes()) {
        p.setBrush(s.colour);
        if (s.kind == Shape::Kind::RoundedRect)
            p.drawRoundedRect(QRectF(s.x, s.y, s.w, s.h), kCorner, kCorner);
        else if (s.kind == Shape::Kind::Rect)
            p.drawRect(QRectF(s.x, s.y, s.w, s.h));
        else
            p.drawEllipse(QPointF(s.x, s.y), s.w, s.w);
    }
    return image;
}

QString programIconSvg() {
    QString svg = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                 "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" "
                                 "viewBox=\"0 0 32 32\">\n");
    for (const Shape& s : shapes()) {
        const QString fill = s.colour.name();
        if (s.kind == Shape::Kind::Circle)
            svg += QStringLiteral("  <circle cx=\"%1\" cy=\"%2\" r=\"%3\" fill=\"%4\"/>\n")
                       .arg(s.x)
                       .arg(s.y)
                       .arg(s.w)
                       .arg(fill);
        else
            svg += QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\"%5 fill=\"%6\"/>\n")
                       .arg(s.x)
                       .arg(s.y)
                       .arg(s.w)
                       .arg(s.h)
                       .arg(s.kind == Shape::Kind::RoundedRect
                                ? QStringLiteral(" rx=\"%1\" ry=\"%1\"").arg(kCorner)
                                : QString())
                       .arg(fill);
    }
    return svg + QStringLiteral("</svg>\n");
}

QIcon programIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48, 64})
        icon.addPixmap(QPixmap::fromImage(programIconImage(size)));
    return icon;
}

} // namespace mivo
