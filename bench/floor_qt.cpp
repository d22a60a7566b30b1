// The price of a shown Qt Widgets window whose 100 ms timer does nothing: the least
// any Qt clock with the 100 ms tick can cost.
#include <QApplication>
#include <QTimer>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(107, 107);
    window.show();
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [] {});
    timer.start(100);
    return QApplication::exec();
}
