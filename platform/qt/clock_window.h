// The clock's window on a Qt 6 desktop: the FormsRuntime the form asks for effects, and
// the widget that raises the form's events.
//
// Implemented: a frameless tool window off the taskbar, shown without taking focus; its
// geometry in twips (15 a device-independent pixel), at most kMaxSidePixels device pixels a
// side; the form's image painted as it is at the screen's pixel ratio (a new ratio is a new
// size to the form), the labels' text over it in a fitted font, a tick's pixels sent
// straight to X (x11_push.h); the elliptic mask, the always-in-front band, mouse events,
// menu and dialogs; QSettings, one sync a save; the session's question and end; a tick at
// the start of each second of the system clock, at once when the clock is set.
#pragma once

#include <QSocketNotifier>
#include <QWidget>
#include <QWindow>
#include <chrono>
#include <memory>
#include <span>

#include "forms_runtime.h"
#include "linux_host.h"
#include "x11_push.h"

class QMenu;

namespace torven::qt {

// The readout's font: the desktop's sans-serif, fitted to the labels (readout.h), without
// anti-aliasing, so the digits are solid ForeColor.
QFont ReadoutFont(std::span<const Label> labels);

// Qt colours and the clock's 0x00BBGGRR values.
QColor ToQColor(Color color);
Color FromQColor(const QColor& color);

// The popup menu for the entries; each action's data() is its index in `items`.
std::unique_ptr<QMenu> BuildPopupMenu(std::span<const MenuItem> items, QWidget* parent);

class ClockWindow : public QWidget, public LinuxRuntime {
  public:
    ClockWindow();
    ~ClockWindow() override;

    // The form whose events this window raises, then its Load and the timer.
    void Attach(FormEvents& events);
    void Start();
    // Raises the form's tick and arms the timer for the start of the next second. The
    // timer calls it, and so does a clock set.
    void Tick();

    // The window services of Module1, in device-independent pixels.
    QRect OuterRect() const { return frameGeometry(); }
    // The window's shape, set on the native window: a widget's mask would also clip
    // every paint to the ellipse's hundred rectangles.
    void SetShape(const QRegion& region) { windowHandle()->setMask(region); }
    void SetAlwaysInFront(bool above);
    void ShowWithoutActivating();

    // FormsRuntime. The place is the window's own top-left corner, whatever frame a window
    // manager adds or reports.
    float Left() const override { return scale_.ToTwips(geometry().x()); }
    float Top() const override { return scale_.ToTwips(geometry().y()); }
    float Width() const override { return scale_.ToTwips(width()); }
    float Height() const override { return scale_.ToTwips(height()); }
    void SetLeft(float twips) override {
        setGeometry({{scale_.ToPixels(twips), geometry().y()}, size()});
    }
    void SetTop(float twips) override {
        setGeometry({{geometry().x(), scale_.ToPixels(twips)}, size()});
    }
    void SetWidth(float twips) override {
        ResizeTo({std::max(scale_.ToPixels(twips), 1), height()});
    }
    void SetHeight(float twips) override {
        ResizeTo({width(), std::max(scale_.ToPixels(twips), 1)});
    }
    std::vector<TwipsRect> Monitors() const override;
    std::intptr_t hWnd() const override { return reinterpret_cast<std::intptr_t>(this); }
    DeviceArea ClientArea() const override {
        return {qRound(size_.width() * ratio_), qRound(size_.height() * ratio_), 96 * ratio_};
    }
    void ShowImage(std::span<const PixelRect> changed) override;
    int PopupMenu(std::span<const MenuItem> items) override;
    std::optional<Color> ShowColor() override;
    void MsgBox(std::string_view prompt, std::string_view title) override;
    void DestroyForm(int exitStatus) override;
    // What the form ended the program with (0 until it has).
    int ExitStatus() const { return exitStatus_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    // The window takes `size` (at most kMaxSidePixels device pixels a side), and the form
    // is told when it or the pixel ratio changed.
    void ResizeTo(QSize size);
    void ArmTimer();
    void CentreOnScreen(QWidget& dialog) const;
    // Device pixels of the image in the widget's device-independent pixels.
    QRectF Logical(const PixelRect& r) const {
        return {r.left / ratio_, r.top / ratio_, (r.right - r.left) / ratio_,
                (r.bottom - r.top) / ratio_};
    }
    // Pointer position in twips relative to the window's current top-left corner.
    QPointF ClientTwips(const QMouseEvent& event) const;

    FormEvents* events_ = nullptr;
    TwipsScale scale_;  // twips per device-independent pixel
    qreal ratio_ = 1;   // the pixel ratio the form last drew at
    QSize size_;        // the size the form was last told about
    bool ticking_ = false;
    // Until when moves the window system reports are a window manager placing the window as
    // it first shows; nothing until it shows.
    std::optional<std::chrono::steady_clock::time_point> placedBy_;
    X11Push push_;  // where the tick's pixels go, if it can take them
    QSocketNotifier tickNotifier_{QSocketNotifier::Read};
    int exitStatus_ = 0;
};

}  // namespace torven::qt
