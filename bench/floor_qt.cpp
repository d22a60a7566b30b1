// The price of a shown Qt Widgets window that a timer wakes once a second: doing
// nothing (the least any Qt clock that ticks once a second can cost), or, with the
// argument "paint", repainting a 40-pixel square from a fill (the least such a clock
// that shows a new second can cost).
#include <QApplication>
#include <QPainter>
#include <QTimer>
#include <QWidget>

struct Window : QWidget {
    int seconds = 0;
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect(), seconds % 2 ? Qt::white : Qt::black);
    }
};

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const bool paint = argc > 1 && QString(argv[1]) == "paint";
    Window window;
    window.setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    window.setAttribute(Qt::WA_OpaquePaintEvent);
    window.resize(107, 107);
    window.show();
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (paint) ++window.seconds, window.repaint(33, 33, 40, 40);
    });
    timer.start(1000);
    return QApplication::exec();
}
