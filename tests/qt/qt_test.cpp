// The Linux host on Qt's offscreen platform: the shared host checks, and what Qt adds.
#include <dlfcn.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <sys/timerfd.h>
#include <unistd.h>
#include <QtWidgets>
#include <csignal>
#include <thread>

#include "access.h"
#include "clock_window.h"
#include "command_line.h"
#include "form1.h"
#include "host_suite.h"
#include "signal_watcher.h"

// The system calls the clock checks, refused with `error` while a test names them in
// `refused` (chmod by its path), as a system out of descriptors or a file system without
// modes refuses them; otherwise the C library's own.
std::string refused;
template <typename Call, typename... Args>
int Refusable(std::string_view key, const char* name, int error, Args... args) {
    if (key == refused) return errno = error, -1;
    return reinterpret_cast<Call*>(dlsym(RTLD_NEXT, name))(args...);
}
extern "C" int chmod(const char* path, mode_t m) noexcept {
    return Refusable<decltype(chmod)>(path, "chmod", EPERM, path, m);
}
extern "C" int timerfd_create(int c, int f) noexcept {
    return Refusable<decltype(timerfd_create)>("timerfd_create", "timerfd_create", EMFILE, c, f);
}
extern "C" int timerfd_settime(int fd, int f, const itimerspec* v, itimerspec* o) noexcept {
    return Refusable<decltype(timerfd_settime)>("timerfd_settime", "timerfd_settime", EINVAL, fd, f,
                                                v, o);
}
extern "C" int signalfd(int fd, const sigset_t* mask, int f) noexcept {
    return Refusable<decltype(signalfd)>("signalfd", "signalfd", EMFILE, fd, mask, f);
}

namespace torven::testing {
namespace {

using namespace std::chrono_literals;

// The clock's lines on stderr, without Qt's own about its offscreen platform.
std::string ClocksLines(const std::string& said) {
    std::string lines;
    for (const QString& line : QString::fromStdString(said).split('\n'))
        if (line.startsWith("TORVEN")) lines += line.toStdString() + "\n";
    return lines;
}

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
        const QRegion shape = windowHandle()->mask();
        Shot shot{image.width(), image.height(), {}};
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                shot.pixels.push_back(shape.isEmpty() || shape.contains(QPoint(x, y))
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
    Form1Access::Click(c.form, 0);
    EXPECT_TRUE(!c.windowFlags().testFlag(Qt::WindowStaysOnTopHint) &&
                c.geometry() == QRect(8, 8, 107, 107));
    c.resize(150, 160);  // from outside, as a window manager might: the face follows
    Settle();
    EXPECT_EQ(std::tuple(c.Height(), c.form.Face().Width(), c.form.Face().Height()),
              std::tuple(2400.0f, 150, 160));

    // A new second reaches the window before the loop next waits, in a repaint of no more
    // than the hands and the time, as a paint of the whole window has them; the same second,
    // nothing.
    for (const bool fresh : {true, false}) {
        c.Stored().fill(0xFFFF00FF);
        c.now.second = 31;
        c.Tick(), QApplication::processEvents();
        const QImage stored = c.Stored(), painted = c.grab().toImage();
        int touched = 0, unlike = 0;
        for (int i = 0; i < 150 * 160; ++i)
            if (const QRgb p = stored.pixel(i % 150, i / 150); p != 0xFFFF00FF)
                ++touched, unlike += p != painted.pixel(i % 150, i / 150);
        EXPECT_TRUE(unlike == 0 &&
                    (fresh ? touched > 0 && touched < 150 * 160 * 3 / 10 : touched == 0))
            << touched;
    }
    // The next tick is on a wall-clock timer that the kernel cancels when the clock is set
    // (which ticks at once, as Tick() above does).
    QFile timer;  // the process's timerfd, the window's
    for (const QFileInfo& fd : QDir("/proc/self/fd").entryInfoList(QDir::System))
        if (fd.symLinkTarget().endsWith("[timerfd]"))
            timer.setFileName("/proc/self/fdinfo/" + fd.fileName());
    EXPECT_TRUE(timer.open(QIODevice::ReadOnly) &&
                timer.readAll().contains("clockid: 0\nticks: 0\nsettime flags: 03"));
    // Without a timer, or with one that cannot be set, it says so once and stands still.
    for (const auto& [call, said] :
         {std::pair("timerfd_create", "no timer, the clock stands still: Too many open files"),
          {"timerfd_settime",
           "the timer cannot be set, the clock stands still: Invalid argument"}}) {
        refused = call;
        ::testing::internal::CaptureStderr();
        QtClock still;
        refused.clear();
        EXPECT_EQ(ClocksLines(::testing::internal::GetCapturedStderr()),
                  "TORVEN: " + std::string(said) + "\n");
    }
}

// On a screen of ratio 2 the form is told of twice the pixels, and its image is shown as it
// is, not scaled up; the cap counts device pixels. The readout is as drawText draws it, in
// Qt's paint and in what a tick sends straight to X.
TEST(QtWindow, AtEitherPixelRatioTheImageShowsAsItIsAndTheReadoutAsDrawTextWouldDrawIt) {
    for (const int ratio : {1, 2}) {
        QtHost host;
        RecordingEvents events;
        events.rt = &host;
        events.onResize = [&] {
            events.image.Circle({900, 300}, 250, 0, 1, {});
            events.image.Line({150, 500}, {1750, 500}, 0x0000FF, 1), events.Show();
        };
        host.Attach(events), host.SetWidth(1800), host.SetHeight(600), host.Show();
        host.move(ratio == 1 ? 8 : 5100, 8), Settle();  // the screens of ratio 1 and 2
        const Shot shot = host.Take();
        int unlike = 0;
        for (int i = 0; i < shot.width * shot.height; ++i)
            unlike += shot.pixels[i] != At(events.image, i % shot.width, i / shot.width);
        EXPECT_EQ(std::tuple(shot.width, events.image.Width(), unlike,
                             shot.Count(0x0000FF, 60 * ratio, 0, 60 * ratio + 1)),
                  std::tuple(120 * ratio, 120 * ratio, 0, ratio));
        Label& label = events.labels[1];
        label.Left = 90, label.Top = 60, label.Width = 1500, label.ForeColor = 0x402080;
        for (const char* text : {"01:23/45:67/89", "26/12/06"}) {
            label.Caption = text, label.Visible = false;
            events.Show(&label), Settle();
            QImage expected = host.grab().toImage();
            QPainter painter(&expected);
            const QRect rect(6, 4, 100, 13);
            painter.setClipRect(rect), painter.setFont(host.font()),
                painter.setPen(QColor(128, 32, 64));
            painter.drawText(rect.topLeft() + QPointF(0, QFontMetricsF(host.font()).ascent()),
                             text);
            painter.end();
            label.Visible = true;
            events.Show(&label), Settle();
            EXPECT_EQ(host.grab().toImage(), expected) << text << " at ratio " << ratio;
            // A tick sent straight to X has the same pixels, its text from kept glyphs.
            qt::X11Push push;
            const std::vector<qt::X11Push::Text> texts{
                {events.image.ToPixels(label.Left, label.Top, label.Width, label.Height), text,
                 qRgb(128, 32, 64)}};
            const QRect band(3, 2, 117 * ratio, 30 * ratio);  // a changed band's rows
            std::vector<std::uint32_t> rows(band.width() * band.height());
            ASSERT_TRUE(X11PushAccess::PrepareGlyphs(push, texts, host.font(), ratio));
            X11PushAccess::Compose(push, events.image, texts,
                                   {3, 2, band.right() + 1, band.bottom() + 1}, rows.data());
            EXPECT_EQ(QImage(reinterpret_cast<const uchar*>(rows.data()), band.width(),
                             band.height(), QImage::Format_RGB32),
                      expected.convertToFormat(QImage::Format_RGB32).copy(band))
                << text << " at ratio " << ratio;
        }
        host.SetWidth(80000);
        EXPECT_EQ(host.Width(), kMaxSidePixels / ratio * 15.0f);
    }
}

TEST(QtMenu, TheFormsEntriesTheDialogsAndTheClockTickingOn) {
    QtClock c;
    const auto menu = qt::BuildPopupMenu(kMenuEntries, &c);
    std::vector<std::tuple<std::string, bool, bool, int>> actions;
    for (const QAction* action : menu->actions())
        actions.emplace_back(action->text().toStdString(), action->isSeparator(),
                             action->isChecked(), action->data().toInt());
    EXPECT_EQ(actions, (decltype(actions){{"常に手前に表示", false, true, 0},
                                          {"大きく(&B)", false, false, 1},
                                          {"", true, false, 2},
                                          {"終了(&X)", false, false, 3}}));
    c.now.second = 40;  // the clock ticks on while the menu is open (once a second)
    WhenOpened([](QWidget* open) { QTimer::singleShot(1100, [open] { open->close(); }); });
    EXPECT_EQ(c.PopupMenu(kMenuEntries), -1);
    EXPECT_EQ(c.form.Labels()[1].Caption, "13:20:40");

    // The dialogs open in the middle of the screen (give or take their final size), not over
    // the clock; About with its title, in plain text.
    const auto centred = [&](QWidget* open) {
        const QPoint off = open->geometry().center() - c.screen()->availableGeometry().center();
        EXPECT_LE(off.manhattanLength(), 8);
    };
    std::string about;
    WhenOpened([&](QWidget* open) {
        const auto* box = qobject_cast<QMessageBox*>(open);
        about = (box->windowTitle() + ": " + box->text()).toStdString();
        centred(open), open->close();
    });
    Form1Access::Click(c.form, 14);
    EXPECT_EQ(about, "TORVEN: Copyright (C) 2026 The TORVEN developers\nTORVEN Ver" TORVEN_VERSION);
    WhenOpened([&](QWidget* open) {
        qobject_cast<QColorDialog*>(open)->setCurrentColor(QColor(255, 128, 0));
        centred(open), qobject_cast<QDialog*>(open)->accept();
    });
    EXPECT_EQ(c.ShowColor(), std::optional<Color>(0x0080FF));
}

// The user's file as QSettings keeps it: the clock's group written in one sync, the other
// groups and the file's mode kept, a byte-order mark and junk read past and dropped. A file
// that cannot be written refuses the save at once with a line on stderr, and the clock ends
// with status 1; a lock no live clock holds (a killed one's) does not hold it up.
TEST(QtSettings, ASaveKeepsTheRestOfTheFileOrSaysWhyItCouldNot) {
    const auto write = [](const QString& path, const char* text) {
        QFile file(path);
        file.open(QIODevice::WriteOnly), file.write(text);
    };
    const auto junk = [&](const QString& f) { write(f, "[Other]\nx=1\n\x01junk\xff\n[Start\n"); };
    const bool root = geteuid() == 0;  // root writes a read-only file
    const std::tuple<const char*, std::function<void(const QString&)>, bool> cases[] = {
        {"others", [](const QString&) {}, true},
        {"read-only", [](const QString& f) { QFile(f).setPermissions(QFile::ReadOwner); }, root},
        {"directory", [](const QString& f) { QFile::remove(f), QDir().mkpath(f); }, false},
        {"dangling link",
         [](const QString& f) { QFile::remove(f), QFile::link("/nonexistent/x.conf", f); }, false},
        {"empty lock", [&](const QString& f) { write(f + ".lock", ""); }, true},
        {"garbage lock", [&](const QString& f) { write(f + ".lock", "garbage\n"); }, true},
        {"byte-order mark", [&](const QString& f) { write(f, "\xEF\xBB\xBF[Other]\nx=1\n"); },
         true},
        {"junk", junk, true},
        {"junk, read-only",
         [&](const QString& f) { junk(f), QFile(f).setPermissions(QFile::ReadOwner); }, root},
        {"no modes", [](const QString& f) { refused = f.toStdString(); }, true},
    };
    for (const auto& [name, prepare, saves] : cases) {
        QtHost host;
        const QString file = host.dir.path() + "/TORVEN/TORVEN.conf";
        QDir().mkpath(host.dir.path() + "/TORVEN");
        write(file, "[Other]\nx=1\n");
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        prepare(file);
        const QFile::Permissions mode = QFileInfo(file).permissions();
        const auto start = std::chrono::steady_clock::now();
        ::testing::internal::CaptureStderr();
        const bool saved = host.SaveSettings("TORVEN", "Startup", {{SettingText{"Top", "-5"}}});
        const std::string said = ::testing::internal::GetCapturedStderr();
        const std::string f = file.toStdString();
        // Within a second: a lock taken for a live clock's would hold it up for 30.
        EXPECT_EQ(std::tuple(saved, std::chrono::steady_clock::now() - start < 1s, said),
                  std::tuple(saves, true,
                             !saves ? "TORVEN: cannot write the settings file " + f + "\n"
                             : refused.empty()
                                 ? ""
                                 : "TORVEN: the settings file " + f +
                                       " could not keep its mode: Operation not permitted\n"))
            << name;
        refused.clear();
        const QSettings store(file, QSettings::IniFormat);
        if (saved && said.empty()) {
            EXPECT_EQ(std::tuple(store.value("Startup/Top").toString(),
                                 store.value("Other/x").toString(), QFileInfo(file).permissions()),
                      std::tuple("-5", "1", mode))
                << name;
        }
    }
    QtClock c;
    c.BlockStore();
    ::testing::internal::CaptureStderr();
    c.form.Unload();
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(c.ExitStatus(), 1);
}

// The local time, and a change of the system's time zone followed within a second.
TEST(QtClock, TheLocalTimeFollowsTheSystemsTimeZone) {
    qt::ClockWindow window;
    const DateTime t = window.Now();
    const QDateTime read(QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, t.second));
    EXPECT_TRUE(read.isValid() && std::abs(read.secsTo(QDateTime::currentDateTime())) <= 1);
    for (const auto& [zone, east] : {std::pair("UTC-9", 9), {"UTC+5", -5}}) {
        setenv("TZ", zone, 1);
        std::this_thread::sleep_for(1001ms);  // the next second
        const std::time_t now = std::time(nullptr) + east * 3600;
        std::tm utc{};
        gmtime_r(&now, &utc);
        EXPECT_EQ(window.Now().hour, utc.tm_hour) << zone;
    }
    unsetenv("TZ");
}

// Qt's events become the form's: each ending signal, a close request and the session's end
// unload it, and a logout asks first (it may be cancelled: the clock saves and stays); the
// mouse, in twips from the window's corner, with the codes of the buttons and keys (a button
// that is not one of the form's three, nothing); the window's moves once it is placed.
TEST(QtEvents, SignalsCloseSessionAndMouseBecomeTheFormsEvents) {
    RecordingEvents events;
    QtHost host;
    qt::BlockEndingSignals();
    qt::WatchEndingSignals(&host, [&](int) { events.Unload(); });
    for (int number : {SIGTERM, SIGINT, SIGHUP})
        std::raise(number);
    Settle();
    host.Attach(events);
    host.close();
    Q_EMIT qApp->commitDataRequest(*qApp->findChild<QSessionManager*>());
    EXPECT_EQ(std::pair(events.unloads, events.sessionSaves), std::pair(4, 1));
    QMetaObject::invokeMethod(qApp, "aboutToQuit");
    EXPECT_EQ(events.unloads, 5);
    // Without a descriptor to read them from, the signals end the clock as any program's.
    refused = "signalfd";
    ::testing::internal::CaptureStderr();
    qt::WatchEndingSignals(&host, [](int) {});
    refused.clear();
    sigset_t blocked;
    pthread_sigmask(SIG_BLOCK, nullptr, &blocked);
    EXPECT_EQ(std::tuple(::testing::internal::GetCapturedStderr(), sigismember(&blocked, SIGTERM),
                         sigismember(&blocked, SIGINT), sigismember(&blocked, SIGHUP)),
              std::tuple("TORVEN: signals will end the clock without saving: Too many open files\n",
                         0, 0, 0));
    qt::BlockEndingSignals();
    host.Show(), host.move(100, 100), Settle();  // the window manager placing it as it shows
    for (const auto& [type, x, y, button, held, keys] :
         {std::tuple(QEvent::MouseButtonPress, 20, 30, Qt::LeftButton,
                     Qt::MouseButtons(Qt::LeftButton), Qt::KeyboardModifiers(Qt::ShiftModifier)),
          {QEvent::MouseMove, -4, 31, Qt::NoButton, Qt::RightButton | Qt::MiddleButton,
           Qt::ControlModifier},
          {QEvent::MouseButtonRelease, 22, 32, Qt::LeftButton, {}, Qt::AltModifier},
          {QEvent::MouseButtonPress, 1, 2, Qt::MiddleButton, Qt::MiddleButton, {}},
          {QEvent::MouseButtonPress, 1, 2, Qt::BackButton, Qt::BackButton, {}}}) {
        QMouseEvent event(type, QPointF(x, y), QPointF(x + 100, y + 100), button, held, keys);
        QCoreApplication::sendEvent(&host, &event);
    }
    using M = RecordingEvents::Mouse;
    EXPECT_EQ(events.mouse, (std::vector<M>{{'D', 1, 1, 300, 450},
                                            {'M', 6, 2, -60, 465},
                                            {'U', 1, 4, 330, 480},
                                            {'D', 4, 0, 15, 30}}));
    // Once it is placed, or once the user has pressed it, a place it is given is reported.
    host.move(120, 90), Settle();
    EXPECT_EQ(events.moves, (std::vector<std::pair<float, float>>{{1800, 1350}}));
}

// How the clock shows itself: as TORVEN_PLATFORM asks, else on the layer shell where the
// Wayland compositor offers it, else on X where there is an X display, else on Wayland; the
// compositor is asked only where its answer decides.
TEST(QtCommandLine, ThePresenterFollowsTheAskTheLayerShellAndTheDisplays) {
    using enum qt::Presenter;
    const std::tuple<const char*, bool, bool, bool, std::optional<qt::Presenter>, int> rows[] = {
        // TORVEN_PLATFORM, Wayland display, X display, layer shell: presenter, compositor asked
        {"x11", true, true, true, kX11, 0},    {"wayland", false, true, false, kWayland, 0},
        {"", true, true, true, kWayland, 1},   {"", true, true, false, kX11, 1},
        {"", true, false, false, kWayland, 1}, {"", false, true, true, kX11, 0},
        {"", false, false, true, kX11, 0},     {"X11", true, true, true, std::nullopt, 0},
    };
    for (const auto& [asked, wayland, x11, layerShell, presenter, probes] : rows) {
        int asks = 0;
        EXPECT_EQ(
            std::pair(qt::ChoosePresenter(asked, wayland, x11, [&] { return ++asks, layerShell; }),
                      asks),
            std::pair(presenter, probes))
            << asked << wayland << x11 << layerShell;
    }
    // --help and --version answer and end the program; any other argument is an error.
    for (const auto& [arg, status] : {std::pair("--help", 0), {"--version", 0}, {"-x", 2}}) {
        std::array<char*, 3> argv{const_cast<char*>("torven"), const_cast<char*>(arg), nullptr};
        ::testing::internal::CaptureStdout(), ::testing::internal::CaptureStderr();
        EXPECT_EQ(qt::HandleCommandLine(2, argv.data()), std::optional(status)) << arg;
        ::testing::internal::GetCapturedStdout(), ::testing::internal::GetCapturedStderr();
    }
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
