#pragma once
// The program's icon, our own drawing: a film strip frame with a golden disc. One description gives
// the window's icon, the PNG files of the standard sizes and the SVG file the desktop uses.

#include <QIcon>
#include <QImage>
#include <QString>

namespace mivo {

// The drawing at `size` x `size` pixels, on a transparent ground.
QImage programIconImage(int size);
// The drawing as an SVG document.
QString programIconSvg();
// The window's icon, in the sizes a window manager asks for.
QIcon programIcon();

} // namespace mivo
