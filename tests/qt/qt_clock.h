// The Qt window hosting a real Form1, with a settable clock and a private settings
// folder; and small helpers to drive Qt's event loop from a test.
#pragma once

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

#include "clock_window.h"
#include "form1.h"

namespace torven::qt::testing {

// Points QSettings at a fresh folder for the life of the object.
class PrivateSettings {
  public:
    PrivateSettings() { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Path()); }
    QString Path() const { return dir_.path(); }
    QString File() const { return dir_.path() + "/TORVEN/TORVEN.conf"; }

  private:
    QTemporaryDir dir_;
};

class TimedWindow : public ClockWindow {
  public:
    DateTime now{2026, 12, 6, 10, 20, 30};
    DateTime Now() override { return now; }
};

struct QtClock {
    QtClock() : form(window) { window.Attach(form); }
    void Load() { window.Start(); }
    void TickAt(int hour, int minute, int second) {
        window.now = {2026, 12, 6, hour, minute, second};
        form.Timer();
    }

    TimedWindow window;
    Form1 form;
};

// Lets queued events, repaints and timers run.
inline void Settle() {
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

// An unloaded form queues the application's quit. Let it end a loop of its own, so
// that the menus and dialogs of later tests get loops that run.
inline void RunQueuedQuit() {
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, qApp, &QCoreApplication::quit);
    safety.start(2000);
    QCoreApplication::exec();
}

// Runs `act` on the first modal widget or popup that opens (a dialog's or menu's
// own loop runs it), so that a test can answer it.
inline void WhenOpened(std::function<void(QWidget*)> act) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        QWidget* open = QApplication::activePopupWidget();
        if (!open) open = QApplication::activeModalWidget();
        if (!open) return;
        poll->stop();
        poll->deleteLater();
        act(open);
    });
    poll->start(10);
}

}  // namespace torven::qt::testing
