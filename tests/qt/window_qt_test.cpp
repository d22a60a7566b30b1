// The Qt window under the real clock: geometry in twips, the shape, the persistent
// image, the labels, what a second repaints, the mouse, the window services.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <cmath>
#include <numbers>

#include "module1.h"
#include "qt_clock.h"

namespace torven::qt::testing {
namespace {

constexpr QRgb kWhitePixel = 0xFFFFFFFF;
constexpr QRgb kBlackPixel = 0xFF000000;

// Raises nothing on a form; records what the window raised.
struct RecordedEvents final : FormEvents {
    void Load() override {}
    void Resize() override { ++resizes; }
    void Unload() override { ++unloads; }
    bool Loaded() const override { return true; }
    void MouseDown(int b, int s, float x, float y) override { presses.push_back({b, s, x, y}); }
    void MouseMove(int b, int s, float x, float y) override { moves.push_back({b, s, x, y}); }
    void MouseUp(int b, int s, float x, float y) override { releases.push_back({b, s, x, y}); }
    void Timer() override {}
    int TimerInterval() const override { return 100; }
    std::span<const Label> Labels() const override { return labels; }

    struct Mouse {
        int buttons, shift;
        float x, y;
        bool operator==(const Mouse&) const = default;
    };
    int resizes = 0;
    int unloads = 0;
    std::vector<Mouse> presses, moves, releases;
    std::array<Label, 2> labels;
};

int CountPixels(const QImage& image, QRgb colour, const std::function<bool(int, int)>& where) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (where(x, y) && image.pixel(x, y) == colour) ++count;
    return count;
}

TEST(QtWindow, StartsAtTheDefaultPlaceAndSizeInPixels) {
    PrivateSettings settings;
    QtClock clock;
    clock.Load();
    // 120 twips is 8 pixels; 1600 twips rounds to 107 pixels, which reads back as 1605.
    EXPECT_EQ(clock.window.geometry(), QRect(8, 8, 107, 107));
    EXPECT_EQ(clock.window.Left(), 120);
    EXPECT_EQ(clock.window.Width(), 1605);
    EXPECT_TRUE(clock.window.isVisible());
    EXPECT_TRUE(clock.window.AlwaysInFront());
    EXPECT_EQ(clock.window.windowTitle(), "TORVEN");
    EXPECT_TRUE(clock.window.windowFlags().testFlags(Qt::Tool | Qt::FramelessWindowHint |
                                                     Qt::WindowDoesNotAcceptFocus));
}

TEST(QtWindow, TheMaskIsTheEllipseFromOneOneToWPlusOneHPlusTwo) {
    PrivateSettings settings;
    QtClock clock;
    clock.Load();
    const QRegion mask = clock.window.mask();
    // GDI's ellipse for that box, which leaves out the box's last column and row.
    EXPECT_EQ(mask.boundingRect(), QRect(1, 1, 106, 107));
    int area = 0;
    for (const QRect& row : mask)
        area += row.width() * row.height();
    EXPECT_EQ(area, 8898);
    EXPECT_FALSE(mask.contains(QPoint(0, 0)));
    EXPECT_FALSE(mask.contains(QPoint(106, 0)));
    EXPECT_FALSE(mask.contains(QPoint(3, 104)));
    EXPECT_TRUE(mask.contains(QPoint(54, 55)));
}

TEST(QtWindow, ASizeChangeRaisesResizeBeforeTheSetterReturnsAndOnlyThen) {
    RecordedEvents events;
    ClockWindow window;
    window.Attach(events);
    window.SetWidth(3000);
    EXPECT_EQ(events.resizes, 1);
    EXPECT_EQ(window.width(), 200);
    EXPECT_EQ(window.Surface().size(), QSize(200, 105));
    window.SetWidth(3000);
    window.SetHeight(1575);  // the design height: no change
    window.SetLeft(300);
    EXPECT_EQ(events.resizes, 1);

    window.ShowWithoutActivating();
    window.resize(150, 160);  // from outside, as a window manager would
    Settle();
    EXPECT_EQ(events.resizes, 2);
    EXPECT_EQ(window.Height(), 2400);
}

TEST(QtWindow, DrawsInPixelsWithoutAntiAliasing) {
    RecordedEvents events;
    ClockWindow window;
    window.Attach(events);
    window.Fill(0xFFFFFF);
    window.Line({0, 15}, {150, 15}, 0x000000, 1);  // pixel row 1, columns 0 to 10
    QImage image = window.Surface();
    EXPECT_EQ(image.pixel(0, 1), kBlackPixel);
    EXPECT_EQ(image.pixel(10, 1), kBlackPixel);
    EXPECT_EQ(image.pixel(5, 0), kWhitePixel);
    EXPECT_EQ(image.pixel(5, 2), kWhitePixel);
    EXPECT_EQ(image.pixel(13, 1), kWhitePixel);
    // Only black and white: no blended edges.
    const int all = image.width() * image.height();
    const auto anywhere = [](int, int) { return true; };
    window.Circle({750, 750}, 600, 0x000000, 9, std::nullopt);
    image = window.Surface();
    EXPECT_EQ(CountPixels(image, kWhitePixel, anywhere) + CountPixels(image, kBlackPixel, anywhere),
              all);

    // Colours are 0x00BBGGRR.
    window.Box({300, 300}, {600, 600}, 0x0000FF, 1);
    image = window.Surface();
    EXPECT_EQ(image.pixel(20, 20), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(40, 40), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(30, 30), kWhitePixel);  // an outline only
}

TEST(QtWindow, ArcsRunCounterClockwiseFromThreeOClockAndEmptyCirclesDrawNothing) {
    RecordedEvents events;
    ClockWindow window;
    window.Attach(events);
    window.Fill(0xFFFFFF);
    const QImage before = window.Surface();
    window.Circle({750, 750}, 0, 0x000000, 1, std::nullopt);
    window.Circle({750, 750}, -30, 0x000000, 1, std::nullopt);
    EXPECT_EQ(window.Surface(), before);

    // A quarter from 3 o'clock to 12 o'clock: the upper right of the centre (50, 50).
    window.Circle({750, 750}, 600, 0x000000, 1, ArcSpan{0, float(std::numbers::pi / 2), 1});
    const QImage image = window.Surface();
    EXPECT_GT(CountPixels(image, kBlackPixel, [](int x, int y) { return x >= 49 && y <= 51; }), 40);
    EXPECT_EQ(CountPixels(image, kBlackPixel, [](int x, int y) { return x < 48 || y > 52; }), 0);
}

TEST(QtWindow, OverdrawingInTheBackgroundRemovesExactlyWhatWasDrawn) {
    RecordedEvents events;
    ClockWindow window;
    window.Attach(events);
    window.Fill(0xFFFFFF);
    const QImage blank = window.Surface();
    for (int width : {1, 2, 5, 9}) {
        window.Line({770, 780}, {1093, 311}, 0x000000, width);
        window.Circle({770, 780}, 700, 0x000000, width, std::nullopt);
        window.Box({730, 1360}, {810, 1440}, 0x000000, width);
        window.Line({770, 780}, {1093, 311}, 0xFFFFFF, width);
        window.Circle({770, 780}, 700, 0xFFFFFF, width, std::nullopt);
        window.Box({730, 1360}, {810, 1440}, 0xFFFFFF, width);
        EXPECT_EQ(window.Surface(), blank) << "pen width " << width;
    }
}

// The image after a run of per-second updates is the image of one full drawing at
// the final time: nothing a hand left behind survives (the minute hand stays clear
// of 12 and 6, where the clock skips an erase on purpose).
TEST(QtWindow, SecondsOfUpdatesLeaveNoResidue) {
    PrivateSettings settings;
    QtClock running;
    running.Load();
    for (int s = 31; s < 60 + 40; ++s)
        running.TickAt(10, 20 + s / 60, s % 60);

    QtClock fresh;
    fresh.window.now = running.window.now;
    fresh.Load();
    ASSERT_EQ(fresh.window.now.minute, 21);
    EXPECT_EQ(running.window.Surface(), fresh.window.Surface());
}

TEST(QtWindow, LabelsArePaintedOverTheImageInsideTheirRectangles) {
    PrivateSettings settings;
    QtClock clock;
    clock.Load();
    clock.form.Click(4);  // bigger: wide enough for the date too
    clock.TickAt(13, 20, 31);
    Settle();
    // Label1 at (centerX - 300, centerY * 1.25) twips, 675 x 195 (45 x 13 pixels); the
    // readout's font is chosen to fit it.
    const Label& time = clock.form.Label1();
    const QRect timeRect = clock.window.LabelRect(1);
    const QRect own(int(std::lrint(time.Left / 15)), int(std::lrint(time.Top / 15)), 45, 13);
    EXPECT_TRUE(timeRect.contains(own)) << own.x() << ", " << own.y();
    EXPECT_LT(timeRect.left(), own.left() + 1);
    EXPECT_GE(timeRect.right() + 1 - own.left(),
              QFontMetrics(clock.window.font()).horizontalAdvance("13:20:31"));
    EXPECT_GE(clock.window.LabelRect(0).width(), 53);

    const QImage shown = clock.window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage& image = clock.window.Surface();
    ASSERT_EQ(shown.size(), image.size());
    const QRect a = clock.window.LabelRect(0), b = clock.window.LabelRect(1);
    int textPixels = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (shown.pixel(x, y) == image.pixel(x, y)) continue;
            EXPECT_TRUE(a.contains(x, y) || b.contains(x, y)) << x << ", " << y;
            ++textPixels;
        }
    }
    EXPECT_GT(textPixels, 50);
}

// Records what each paint covered.
class PaintCounter final : public TimedWindow {
  public:
    QRegion painted;

  protected:
    void paintEvent(QPaintEvent* event) override {
        painted += event->region();
        TimedWindow::paintEvent(event);
    }
};

TEST(QtWindow, ASecondRepaintsTheHandsAndTheTimeNotTheFace) {
    PrivateSettings settings;
    PaintCounter window;
    Form1 form(window);
    window.Attach(form);
    window.Start();
    Settle();
    window.painted = QRegion();
    window.now.second = 31;
    form.Timer();
    Settle();
    qint64 area = 0;
    for (const QRect& r : window.painted)
        area += qint64(r.width()) * r.height();
    EXPECT_GT(area, 0);
    EXPECT_LT(area, 107 * 107 * 3 / 10);  // the hands and the time, not the marks and ring
    // A tick within the same second repaints nothing.
    window.painted = QRegion();
    form.Timer();
    Settle();
    EXPECT_TRUE(window.painted.isEmpty());
}

TEST(QtWindow, MouseEventsArriveInTwipsWithTheFormsButtonAndShiftCodes) {
    RecordedEvents events;
    ClockWindow window;
    window.Attach(events);
    window.ShowWithoutActivating();
    const QPointF origin = window.geometry().topLeft();
    const auto send = [&](QEvent::Type type, QPointF local, Qt::MouseButton button,
                          Qt::MouseButtons held, Qt::KeyboardModifiers modifiers) {
        QMouseEvent event(type, local, local, origin + local, button, held, modifiers);
        QCoreApplication::sendEvent(&window, &event);
    };
    send(QEvent::MouseButtonPress, {10, 20}, Qt::LeftButton, Qt::LeftButton, Qt::ControlModifier);
    send(QEvent::MouseMove, {12, 20}, Qt::NoButton, Qt::LeftButton | Qt::RightButton,
         Qt::ShiftModifier | Qt::AltModifier);
    send(QEvent::MouseButtonRelease, {12, 21}, Qt::LeftButton, Qt::RightButton, {});
    send(QEvent::MouseButtonPress, {1, 2}, Qt::MiddleButton, Qt::MiddleButton, {});
    send(QEvent::MouseButtonPress, {1, 2}, Qt::RightButton, Qt::RightButton, {});
    using Mouse = RecordedEvents::Mouse;
    EXPECT_EQ(events.presses,
              (std::vector<Mouse>{{1, 2, 150, 300}, {4, 0, 15, 30}, {2, 0, 15, 30}}));
    EXPECT_EQ(events.moves, (std::vector<Mouse>{{3, 5, 180, 300}}));
    EXPECT_EQ(events.releases, (std::vector<Mouse>{{1, 0, 180, 315}}));
}

TEST(QtWindow, ACloseRequestUnloadsTheFormWhichSavesAndEndsIt) {
    PrivateSettings settings;
    QtClock clock;
    clock.Load();
    clock.window.close();
    EXPECT_FALSE(clock.form.Loaded());
    EXPECT_FALSE(clock.window.isVisible());
    EXPECT_EQ(QSettings("TORVEN", "TORVEN").value("Startup/Size").toString(), "1605");
    RunQueuedQuit();
}

TEST(WindowServices, ActOnTheWindowOnlyThroughAValidHandle) {
    RecordedEvents events;
    ClockWindow window;
    window.Attach(events);
    const Module1::HWND handle = window.hWnd();
    Module1::RECT rect;
    ASSERT_EQ(Module1::GetClientRect(handle, rect), 1);
    EXPECT_EQ(rect, (Module1::RECT{0, 0, 105, 105}));
    ASSERT_EQ(Module1::GetWindowRect(handle, rect), 1);
    EXPECT_EQ(rect, (Module1::RECT{8, 9, 113, 114}));

    // Into the band and shown, at the window's own place whatever the rectangle says.
    EXPECT_EQ(Module1::SetWindowPos(handle, Module1::HWND_TOPMOST, 500, 500, 10, 10, 0x50), 1);
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.AlwaysInFront());
    EXPECT_EQ(window.geometry(), QRect(8, 9, 105, 105));
    EXPECT_EQ(Module1::SetWindowPos(handle, Module1::HWND_NOTOPMOST, 8, 9, 105, 105, 0x50), 1);
    EXPECT_FALSE(window.AlwaysInFront());
    EXPECT_EQ(window.geometry(), QRect(8, 9, 105, 105));

    const Module1::HRGN region = Module1::CreateEllipticRgnIndirect({1, 1, 106, 107});
    EXPECT_EQ(Module1::SetWindowRgn(handle, region, true), 1);
    EXPECT_EQ(window.mask().boundingRect(), QRect(1, 1, 104, 105));
    EXPECT_EQ(Module1::SetWindowRgn(handle, region, true), 0);  // the window owns it now
    EXPECT_EQ(Module1::SetWindowRgn(handle + 1, Module1::CreateEllipticRgnIndirect(rect), 1), 0);
    EXPECT_EQ(Module1::GetClientRect(0, rect), 0);
    EXPECT_EQ(Module1::SetWindowPos(12345, Module1::HWND_TOPMOST, 0, 0, 0, 0, 0x50), 0);
}

}  // namespace
}  // namespace torven::qt::testing
