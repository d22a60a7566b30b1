// The Linux host on Qt's offscreen platform: the shared host checks, and what Qt adds
// (the window's kind and mask, the menu and dialogs, the settings file, signals).
#include <QAction>
#include <QApplication>
#include <QColorDialog>
#include <QDateTime>
#include <QFile>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>

#include "clock_window.h"
#include "form1.h"
#include "host_suite.h"
#include "module1.h"
#include "signal_watcher.h"

namespace torven::testing {

namespace {

void Settle() {
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

class TimedWindow : public qt::ClockWindow {
  public:
    explicit TimedWindow(const DateTime& now) : now_(now) {}
    DateTime Now() override { return now_; }
    QRegion painted;  // what paint events covered

  protected:
    void paintEvent(QPaintEvent* event) override {
        painted += event->region();
        ClockWindow::paintEvent(event);
    }

  private:
    const DateTime& now_;
};

// A window with its own settings folder and clock.
class QtHost : public Host {
  public:
    QtHost() { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path()); }
    FormsRuntime& Runtime() override { return window; }
    void Attach(FormEvents& events) override { window.Attach(events); }
    void Show() override {
        window.ShowWithoutActivating();
        Settle();
    }
    Shot Take() override {
        const QImage image = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
        Shot shot{image.width(), image.height(), {}};
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                shot.pixels.push_back(qRed(p) | qGreen(p) << 8 | qBlue(p) << 16);
            }
        return shot;
    }
    // A file where the application's folder should be: no permission bits involved.
    void BlockStore() override {
        QDir(File()).removeRecursively();
        QFile blocker(File());
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    QString File(const char* name = "") const { return dir_.path() + "/TORVEN" + name; }

    QTemporaryDir dir_;
    TimedWindow window{now};
};

// Runs `act` on the first popup or modal dialog that opens, from inside its loop.
void WhenOpened(std::function<void(QWidget*)> act) {
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

void PressKey(QWidget* widget, Qt::Key key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(widget, &press);
}

struct QtClock {
    QtClock() { host.window.Attach(form); }
    QtHost host;
    Form1 form{host.window};
};

TEST(QtWindow, AFramelessToolWindowCutToTheEllipseAtItsPlace) {
    QtClock c;
    c.host.window.Start();
    const QWidget& w = c.host.window;
    EXPECT_EQ(w.geometry(), QRect(8, 8, 107, 107));  // 120 twips; 1600 twips round to 107 px
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.windowTitle(), "TORVEN");
    EXPECT_TRUE(w.windowFlags().testFlags(Qt::Tool | Qt::FramelessWindowHint |
                                          Qt::WindowDoesNotAcceptFocus | Qt::WindowStaysOnTopHint));
    EXPECT_EQ(w.mask(), QRegion(QRect(1, 1, 107, 108), QRegion::Ellipse));
    c.form.Click(0);
    EXPECT_FALSE(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(w.geometry(), QRect(8, 8, 107, 107));

    // The clock of a plain window is the local time.
    qt::ClockWindow plain;
    const DateTime t = plain.Now();
    const QDateTime now = QDateTime::currentDateTime();
    EXPECT_LE(std::abs(QDateTime(QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, t.second))
                           .secsTo(now)),
              1);
}

TEST(QtWindow, ASecondRepaintsTheHandsAndTheTimeNotTheFace) {
    QtClock c;
    c.host.window.Start();
    Settle();
    c.host.window.painted = QRegion();
    c.host.now.second = 31;
    c.form.Timer();
    Settle();
    qint64 area = 0;
    for (const QRect& r : c.host.window.painted)
        area += qint64(r.width()) * r.height();
    EXPECT_GT(area, 0);
    EXPECT_LT(area, 107 * 107 * 3 / 10);
    c.host.window.painted = QRegion();
    c.form.Timer();  // the same second: nothing
    Settle();
    EXPECT_TRUE(c.host.window.painted.isEmpty());
}

TEST(QtWindow, MouseEventsArriveInTwipsWithTheFormsCodes) {
    QtHost host;
    RecordingEvents events;
    host.Attach(events);
    host.Show();
    const QPointF origin = host.window.geometry().topLeft();
    const auto send = [&](QEvent::Type type, QPointF at, Qt::MouseButton button,
                          Qt::MouseButtons held, Qt::KeyboardModifiers modifiers = {}) {
        QMouseEvent event(type, at, at, origin + at, button, held, modifiers);
        QCoreApplication::sendEvent(&host.window, &event);
    };
    send(QEvent::MouseButtonPress, {10, 20}, Qt::LeftButton, Qt::LeftButton, Qt::ControlModifier);
    send(QEvent::MouseMove, {12, 20}, Qt::NoButton, Qt::LeftButton | Qt::RightButton,
         Qt::ShiftModifier | Qt::AltModifier);
    send(QEvent::MouseButtonRelease, {12, 21}, Qt::LeftButton, Qt::RightButton);
    send(QEvent::MouseButtonPress, {1, 2}, Qt::MiddleButton, Qt::MiddleButton);
    using M = RecordingEvents::Mouse;
    EXPECT_EQ(events.mouse, (std::vector<M>{{'D', 1, 2, 150, 300},
                                            {'M', 3, 5, 180, 300},
                                            {'U', 1, 0, 180, 315},
                                            {'D', 4, 0, 15, 30}}));
}

TEST(QtWindow, WindowServicesActOnlyThroughAValidHandle) {
    QtHost host;
    const Module1::HWND handle = host.window.hWnd();
    Module1::RECT rect;
    ASSERT_EQ(Module1::GetClientRect(handle, rect), 1);
    EXPECT_EQ(rect, (Module1::RECT{0, 0, 105, 105}));
    ASSERT_EQ(Module1::GetWindowRect(handle, rect), 1);
    EXPECT_EQ(rect, (Module1::RECT{8, 9, 113, 114}));
    // Into the band and shown, at the window's own place whatever the rectangle says.
    EXPECT_EQ(Module1::SetWindowPos(handle, Module1::HWND_TOPMOST, 500, 500, 10, 10, 0x50), 1);
    EXPECT_TRUE(host.window.isVisible());
    EXPECT_EQ(host.window.geometry(), QRect(8, 9, 105, 105));
    const Module1::HRGN region = Module1::CreateEllipticRgnIndirect({1, 1, 106, 107});
    EXPECT_EQ(Module1::SetWindowRgn(handle + 1, region, true), 0);
    EXPECT_EQ(Module1::SetWindowRgn(handle, region, true), 0);  // spent on the bad handle
    EXPECT_EQ(Module1::GetClientRect(0, rect), 0);
    EXPECT_EQ(Module1::SetWindowPos(12345, Module1::HWND_TOPMOST, 0, 0, 0, 0, 0x50), 0);
}

TEST(QtMenu, ShowsTheFormsEntriesAndReturnsThePick) {
    QtClock c;
    c.host.window.Start();
    const auto menu = qt::BuildPopupMenu(c.form.Menu(), &c.host.window);
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), 16);
    for (int i = 0; i < 16; ++i) {
        const MenuItem& item = c.form.Menu()[i];
        EXPECT_EQ(actions[i]->isSeparator(), item.IsSeparator()) << i;
        EXPECT_EQ(actions[i]->text().toStdString(), item.IsSeparator() ? "" : item.Caption);
        EXPECT_EQ(actions[i]->isChecked(), item.Checked) << i;
        EXPECT_EQ(actions[i]->data().toInt(), i);
    }
    // Picked by its access key, or nothing; the clock ticks on meanwhile.
    WhenOpened([](QWidget* open) { PressKey(open, Qt::Key_B, "b"); });
    EXPECT_EQ(c.host.window.PopupMenu(c.form.Menu()), 4);
    c.host.now.second = 40;
    WhenOpened([](QWidget* open) { QTimer::singleShot(250, open, [open] { PressKey(open, Qt::Key_Escape, {}); }); });
    EXPECT_EQ(c.host.window.PopupMenu(c.form.Menu()), -1);
    EXPECT_EQ(c.form.Variables().prevSecondPos, 40);
}

TEST(QtDialogs, ColourPickerAndAboutBox) {
    QtClock c;
    c.host.window.Start();
    WhenOpened([](QWidget* open) { qobject_cast<QDialog*>(open)->reject(); });
    EXPECT_EQ(c.host.window.ShowColor(), std::nullopt);
    WhenOpened([](QWidget* open) {
        auto* picker = qobject_cast<QColorDialog*>(open);
        picker->setCurrentColor(QColor(255, 128, 0));
        picker->accept();
    });
    EXPECT_EQ(c.host.window.ShowColor(), std::optional<Color>(0x0080FF));

    QString title, text;
    int buttons = 0;
    WhenOpened([&](QWidget* open) {
        auto* box = qobject_cast<QMessageBox*>(open);
        title = box->windowTitle();
        text = box->text();
        buttons = int(box->buttons().size()) + (box->icon() != QMessageBox::NoIcon ? 10 : 0);
        box->accept();
    });
    c.host.window.MsgBox("one\r\ntwo", "TORVEN");
    EXPECT_EQ(title, "TORVEN");
    EXPECT_EQ(text, "one\ntwo");
    EXPECT_EQ(buttons, 1);
}

TEST(QtSettings, TheFileIsTheUsersStartupGroupAndReadsHandWrittenValues) {
    QtHost host;
    EXPECT_TRUE(host.window.SaveSetting("TORVEN", "Startup", "Color1", "16777215"));
    QFile file(host.File("/TORVEN.conf"));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    EXPECT_EQ(file.readAll(), "[Startup]\nColor1=16777215\n");
    file.write("Top=1, 5\nLeft=@ByteArray(240)\nSize=\n");
    file.close();
    EXPECT_EQ(host.window.GetSetting("TORVEN", "Startup", "Top", "120"), "1, 5");
    EXPECT_EQ(host.window.GetSetting("TORVEN", "Startup", "Left", "120"), "240");
    EXPECT_EQ(host.window.GetSetting("TORVEN", "Startup", "Size", "1600"), "");
}

TEST(QtSignals, EachEndingSignalAndACloseRequestUnloadOnce) {
    RecordingEvents events;
    int seen = 0;
    const qt::SignalWatcher watcher({SIGTERM, SIGINT, SIGHUP}, [&](int) { ++seen, events.Unload(); });
    for (int number : {SIGTERM, SIGINT, SIGHUP}) std::raise(number);
    Settle();
    EXPECT_EQ(seen, 3);
    QtHost host;
    host.Attach(events);
    host.window.close();
    EXPECT_EQ(events.unloads, 4);
}

}  // namespace

std::unique_ptr<Host> MakeHost() {
    return std::make_unique<QtHost>();
}

}  // namespace torven::testing

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication::setApplicationName(QStringLiteral("TORVEN"));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
