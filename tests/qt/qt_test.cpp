// The Linux host on Qt's offscreen platform: the shared host checks, and what Qt adds.
#include <QtWidgets>
#include <csignal>

#include "clock_window.h"
#include "form1.h"
#include "host_suite.h"
#include "signal_watcher.h"

namespace torven::testing {
namespace {

void Settle() {
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

// The window, its clock set by the test, with a settings folder of its own.
class QtHost : public Host, public qt::ClockWindow {
  public:
    QtHost() { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path()); }
    DateTime Now() override { return now; }
    FormsRuntime& Runtime() override { return *this; }
    void Attach(FormEvents& events) override { ClockWindow::Attach(events); }
    void Show() override { ShowWithoutActivating(), Settle(); }
    Shot Take() override {
        const QImage image = grab().toImage();
        Shot shot{image.width(), image.height(), {}};
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                shot.pixels.push_back(mask().isEmpty() || mask().contains(QPoint(x, y))
                                          ? qt::FromQColor(image.pixelColor(x, y))
                                          : -1);
        return shot;
    }
    // A file where the application's folder should be: no permission bits involved.
    void BlockStore() override {
        QDir(dir.path() + "/TORVEN").removeRecursively();
        QFile(dir.path() + "/TORVEN").open(QIODevice::WriteOnly);
    }
    QTemporaryDir dir;
    // The pixels in the backing store, which the window shows.
    QImage& Stored() {
        backingStore()->beginPaint({});
        QImage& image = *static_cast<QImage*>(backingStore()->paintDevice());
        backingStore()->endPaint();
        return image;
    }
};

struct QtClock : QtHost {
    QtClock() { ClockWindow::Attach(form), Start(), Settle(); }
    Form1 form{*this};
};

// Runs `act` on the first popup or modal dialog that opens, from inside its loop.
void WhenOpened(std::function<void(QWidget*)> act) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        QWidget* popup = QApplication::activePopupWidget();
        if (QWidget* open = popup ? popup : QApplication::activeModalWidget())
            poll->deleteLater(), poll->stop(), act(open);
    });
    poll->start(10);
}

TEST(QtWindow, AFramelessToolWindowCutToTheEllipseThatRepaintsOnlyWhatChanged) {
    QtClock c;
    EXPECT_EQ(c.geometry(), QRect(8, 8, 107, 107));  // 120 twips; 1600 twips round to 107 px
    // The readout's font fits the widest time in the label (up to the 4 o'clock mark).
    const QFontMetrics readout(c.font());
    EXPECT_TRUE(readout.horizontalAdvance("00:00:00") <= 41 && readout.height() <= 13);
    EXPECT_TRUE(c.isVisible() && c.windowTitle() == "TORVEN" &&
                c.windowFlags().testFlags(Qt::Tool | Qt::FramelessWindowHint |
                                          Qt::WindowDoesNotAcceptFocus | Qt::WindowStaysOnTopHint));
    c.form.Click(0);
    EXPECT_TRUE(!c.windowFlags().testFlag(Qt::WindowStaysOnTopHint) &&
                c.geometry() == QRect(8, 8, 107, 107));
    c.resize(150, 160);  // from outside, as a window manager might: the face follows
    Settle();
    EXPECT_EQ(std::pair(c.Height(), c.form.Variables().centerX), std::pair(2400.0f, 1095));

    // A new second reaches the window before Tick returns, as a repaint paints it and
    // no more than the hands and time; the same second, nothing.
    constexpr QRgb kUntouched = 0xFFFF00FF;
    c.Stored().fill(kUntouched);
    c.now.second = 31;
    c.Tick();
    const QImage stored = c.Stored(), painted = c.grab().toImage();
    int touched = 0, unlike = 0;
    for (int y = 0; y < stored.height(); ++y)
        for (int x = 0; x < stored.width(); ++x)
            if (stored.pixel(x, y) != kUntouched)
                ++touched, unlike += stored.pixel(x, y) != painted.pixel(x, y);
    EXPECT_TRUE(touched > 0 && touched < 150 * 160 * 3 / 10 && unlike == 0) << touched << unlike;
    c.Stored().fill(kUntouched);
    const QImage untouched = c.Stored().copy();
    c.Tick();
    EXPECT_EQ(c.Stored(), untouched);
    c.Fill(0x00FF00), Settle();  // outside a tick: repainted without waiting for one
    EXPECT_NE(c.Stored(), untouched);

    // The next tick is on a wall-clock timer that the kernel cancels when the clock is set
    // (which ticks at once, as Tick() above does).
    QString timer;  // the process's timerfd, the window's
    for (const QFileInfo& fd : QDir("/proc/self/fd").entryInfoList(QDir::System))
        if (fd.symLinkTarget().endsWith("[timerfd]")) timer = fd.fileName();
    QFile info("/proc/self/fdinfo/" + timer);
    info.open(QIODevice::ReadOnly);
    EXPECT_TRUE(info.readAll().contains("clockid: 0\nticks: 0\nsettime flags: 03"));

    // The clock of a plain window is the local time.
    const DateTime t = qt::ClockWindow().Now();
    const QDateTime read(QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, t.second));
    EXPECT_TRUE(read.isValid() && std::abs(read.secsTo(QDateTime::currentDateTime())) <= 1);
}

// On a screen of ratio 2 the face is drawn anew (scaled up, rows would repeat in pairs) with
// pens of twice the pixels, and the cap counts device pixels. The readout's characters come
// from kept images, on drawText's pixels.
TEST(QtWindow, AtEitherPixelRatioTheFaceIsSharpAndTheReadoutAsDrawTextWouldBe) {
    for (const int ratio : {1, 2}) {
        QtHost host;
        RecordingEvents events;
        events.onResize = [&] {
            host.Fill(0xFFFF00), host.Circle({900, 300}, 250, 0, 1, {});
            host.Line({150, 500}, {1750, 500}, 0, 1);
        };
        host.Attach(events), host.SetWidth(1800), host.SetHeight(600), host.Show();
        host.move(ratio == 1 ? 8 : 5100, 8);  // the screens of ratio 1 and 2
        Settle();
        const Shot shot = host.Take();
        bool sharp = false;
        for (auto row = shot.pixels.begin(); row < shot.pixels.end(); row += 2 * shot.width)
            sharp |= !std::equal(row, row + shot.width, row + shot.width);
        EXPECT_EQ(std::tuple(shot.width, events.resizes, sharp,
                             shot.Count(0, 110 * ratio, 0, 110 * ratio + 1)),
                  std::tuple(120 * ratio, 1 + ratio, true, ratio));
        Label& label = events.labels[1];
        label.Left = 90, label.Top = 60, label.Width = 1500, label.ForeColor = 0x000080;
        for (const char* text : {"01:23/45:67/89", "26/12/06"}) {
            label.Caption = text, label.Visible = false;
            host.LabelChanged(1);
            QImage expected = host.grab().toImage();
            QPainter painter(&expected);
            const QRect rect(6, 4, 100, 13);
            painter.setClipRect(rect), painter.setFont(host.font()), painter.setPen(Qt::darkRed);
            painter.drawText(rect.topLeft() + QPointF(0, QFontMetricsF(host.font()).ascent()),
                             text);
            painter.end();
            label.Visible = true;
            host.LabelChanged(1);
            EXPECT_EQ(host.grab().toImage(), expected) << text << " at ratio " << ratio;
        }
        host.SetWidth(80000);
        EXPECT_EQ(host.Width(), kMaxSidePixels / ratio * 15.0f);
    }
}

TEST(QtMenu, TheFormsEntriesThePickAndTheColourPicker) {
    QtClock c;
    const auto menu = qt::BuildPopupMenu(c.form.Menu(), &c);
    ASSERT_EQ(menu->actions().size(), 16);
    for (int i = 0; i < 16; ++i) {
        const QAction* action = menu->actions()[i];
        const MenuItem& item = c.form.Menu()[i];
        EXPECT_EQ(std::tuple(action->text().toStdString(), action->isSeparator(),
                             action->isChecked(), action->data().toInt()),
                  std::tuple(item.IsSeparator() ? "" : item.Caption, item.IsSeparator(),
                             item.Checked, i));
    }
    WhenOpened([](QWidget* open) {  // the access key of the fifth entry
        QKeyEvent press(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, "b");
        QCoreApplication::sendEvent(open, &press);
    });
    EXPECT_EQ(c.PopupMenu(c.form.Menu()), 4);
    c.now.second = 40;  // the clock ticks on while the menu is open (once a second)
    WhenOpened([](QWidget* open) { QTimer::singleShot(1100, [open] { open->close(); }); });
    EXPECT_EQ(c.PopupMenu(c.form.Menu()), -1);
    EXPECT_EQ(c.form.Variables().prevSecondPos, 40);

    WhenOpened([](QWidget* open) {
        qobject_cast<QColorDialog*>(open)->setCurrentColor(QColor(255, 128, 0));
        qobject_cast<QDialog*>(open)->accept();
    });
    EXPECT_EQ(c.ShowColor(), std::optional<Color>(0x0080FF));
}

TEST(QtSettings, ASaveRewritesOnlyTheClocksGroupOfTheUsersFile) {
    QtHost host;
    const QString folder = host.dir.path() + "/TORVEN/";
    QDir().mkpath(folder);
    QFile file(folder + "TORVEN.conf");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("; by hand\n") == 10);
    file.close();
    EXPECT_TRUE(host.SaveSettings("TORVEN", "Startup", {{SettingText{"Color1", "16777215"}}}));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    EXPECT_EQ(file.readAll(), "; by hand\n\n[Startup]\nColor1=16777215\n");
    file.write("Top=1, 5\nLeft=@ByteArray(240)\n\n[Other]\nx=1\n");
    file.close();
    EXPECT_EQ(host.GetSetting("TORVEN", "Startup", "Top", "120"), "1, 5");
    EXPECT_EQ(host.GetSetting("TORVEN", "Startup", "Left", "120"), "240");
    EXPECT_TRUE(host.SaveSettings("TORVEN", "Startup", {{SettingText{"Top", "120"}}}));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(
        file.readAll(),
        "; by hand\n\n[Startup]\nColor1=16777215\nLeft=@ByteArray(240)\nTop=120\n\n[Other]\nx=1\n");
}

// A logout asks first (it may be cancelled: the clock saves and stays); its end unloads.
TEST(QtSignals, EachEndingSignalACloseRequestAndTheSessionsEndUnload) {
    RecordingEvents events;
    const qt::SignalWatcher watcher({SIGTERM, SIGINT, SIGHUP}, [&](int) { events.Unload(); });
    for (int number : {SIGTERM, SIGINT, SIGHUP})
        std::raise(number);
    Settle();
    QtHost host;
    host.Attach(events);
    host.close();
    Q_EMIT qApp->commitDataRequest(*qApp->findChild<QSessionManager*>());
    EXPECT_EQ(std::pair(events.unloads, events.sessionSaves), std::pair(4, 1));
    QMetaObject::invokeMethod(qApp, "aboutToQuit");
    EXPECT_EQ(events.unloads, 5);
}

}  // namespace

std::unique_ptr<Host> MakeHost() {
    return std::make_unique<QtHost>();
}

}  // namespace torven::testing

int main(int argc, char* argv[]) {
    // Two screens side by side: one that holds the largest window, and one of pixel ratio 2.
    QTemporaryFile screens;
    screens.open();
    screens.write(R"({"screens": [{"name": "1", "x": 0, "y": 0, "width": 5000, "height": 5000},
                     {"name": "2", "x": 5000, "y": 0, "width": 1920, "height": 1080, "dpr": 2}]})");
    screens.flush();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + screens.fileName().toUtf8());
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
