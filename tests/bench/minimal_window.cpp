// The yardstick for start-up: a Qt program that shows one empty window and quits.
#include <QApplication>
#include <QTimer>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.show();
    QTimer::singleShot(0, &app, [] { QApplication::exit(0); });
    return app.exec();
}
