// The clock's window on a Qt 6 desktop: the FormsRuntime the form asks for effects,
// and the widget that raises the form's events.
//
// Implemented: frameless tool window kept off the taskbar and out of the switcher,
// created hidden and shown without taking focus; outer geometry in twips (15 a
// device-independent pixel), at most kMaxSidePixels device pixels a side; the form's
// image painted as it is (at the screen's pixel ratio, the form told of a new ratio as of
// a new size) with the readout labels' text over it, in a font fitted to them; the
// elliptic mask; the always-in-front band; mouse events in twips; popup menu, colour
// dialog, message box; the settings in QSettings' file, one sync a save; a session that
// may end saves, one that ends unloads; one tick at the start of each second of the
// system clock (a realtime timerfd), and one at once when the clock is set or the machine
// resumes; the local time in the system's time zone as it is at that second.
#pragma once

#include <QSocketNotifier>
#include <QWidget>
#include <ctime>
#include <memory>
#include <span>

#include "forms_runtime.h"

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

class ClockWindow : public QWidget, public FormsRuntime {
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
    void SetShape(const QRegion& region) { setMask(region); }
    void SetAlwaysInFront(bool above);
    void ShowWithoutActivating();

    // FormsRuntime
    float Left() const override;
    float Top() const override;
    float Width() const override;
    float Height() const override;
    void SetLeft(float twips) override;
    void SetTop(float twips) override;
    void SetWidth(float twips) override;
    void SetHeight(float twips) override;
    std::vector<TwipsRect> Monitors() const override;
    std::intptr_t hWnd() const override;
    DeviceArea ClientArea() const override;
    void ShowImage(std::span<const PixelRect> changed) override;
    int PopupMenu(std::span<const MenuItem> items) override;
    std::optional<Color> ShowColor() override;
    void MsgBox(std::string_view prompt, std::string_view title) override;
    std::string GetSetting(std::string_view app, std::string_view section, std::string_view key,
                           std::string_view defaultText) override;
    bool SaveSettings(std::string_view app, std::string_view section,
                      std::span<const SettingText> values) override;
    DateTime Now() override;
    void Warn(std::string_view line) override;
    void DestroyForm(int exitStatus) override;
    // What the form ended the program with (0 until it has).
    int ExitStatus() const { return exitStatus_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;
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
    QRectF Logical(const PixelRect& pixels) const;
    // Pointer position in twips relative to the window's current top-left corner.
    QPointF ClientTwips(const QMouseEvent& event) const;

    FormEvents* events_ = nullptr;
    TwipsScale scale_;  // twips per device-independent pixel
    qreal ratio_ = 1;   // the pixel ratio the form last drew at
    QSize size_;        // the size the form was last told about
    std::time_t nowSeconds_ = -1;
    DateTime nowLocal_;
    int timerFd_ = -1;
    QSocketNotifier tickNotifier_{QSocketNotifier::Read};
    int exitStatus_ = 0;
};

}  // namespace torven::qt
