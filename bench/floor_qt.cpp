// The price of a shown Qt Widgets window whose timer wakes it once a second and does
// nothing: the least any Qt clock that ticks once a second can cost.
#include <QApplication>
#include <QTimer>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(107, 107);
    window.show();
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [] {});
    timer.start(1000);
    return QApplication::exec();
}
