// The clock's window on a Qt 6 desktop: the FormsRuntime the form asks for effects,
// and the widget that raises the form's events.
//
// Implemented: frameless tool window kept off the taskbar and out of the switcher,
// created hidden and shown without taking focus; outer geometry in twips (15 a
// device-independent pixel); a persistent backing image at the screen's pixel ratio,
// made anew (and the face redrawn) when the ratio changes, at most kMaxSidePixels a side,
// on the pixels the Windows build's GDI sets (see gdi_pixels.h), repainting only
// the pixels and readout characters that changed (a tick's go straight to the X
// server, and Qt's backing store catches up at the next expose); the readout labels
// painted over it inside their own rectangles, in a font chosen to fit them, from kept
// images of their characters; GDI's elliptic mask; the always-in-front band; mouse
// events in twips; popup menu, colour dialog, message box;
// the settings in QSettings' file, written in one atomic replacement (settings_file.h);
// a session that may end saves, one that ends unloads; one tick at the start of each
// second of the system clock (a realtime timerfd), and one at once when the clock is
// set or the machine resumes.
#pragma once

#include <QImage>
#include <QRect>
#include <QRegion>
#include <QSocketNotifier>
#include <QWidget>
#include <array>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <vector>

#include "forms_runtime.h"
#include "gdi_pixels.h"
#include "twips.h"

class QMenu;
class QPainter;
struct xcb_connection_t;

namespace torven::qt {

// The readout's font: the desktop's sans-serif at the largest pixel size at which the
// widest time ("00:00:00" in its widest digit) and date fit every label's room (see
// readout.h), without anti-aliasing.
QFont ReadoutFont(std::span<const QSize> rooms);

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
    // Raises the form's tick, shows what it drew before returning (so a new second
    // reaches the screen in the same wake-up), and arms the timer for the start of the
    // next second. The timer calls it, and so does a clock set.
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
    TwipsRect Desktop() const override;
    std::intptr_t hWnd() const override;
    void Fill(Color color) override;
    void Line(Point from, Point to, Color color, int penWidth) override;
    void Box(Point a, Point b, Color color, int penWidth) override;
    void Circle(Point centre, std::int32_t radius, Color color, int penWidth,
                std::optional<ArcSpan> arc) override;
    void LabelChanged(int index) override;
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
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    struct ShownLabel {
        QRect rect;  // logical pixels: the label's own rectangle, which clips its text
        QString text;
        QColor colour;
        bool visible = false;
    };

    // A readout character as drawText draws it in `colour`, with a margin of kGlyphMargin
    // pixels, and its advance.
    struct Glyph {
        QImage image;
        qreal advance = 0;
        bool solid = false;  // every pixel ink or nothing
    };
    static constexpr int kGlyphMargin = 4;
    const Glyph& GlyphOf(QChar c, const QColor& colour);
    void DrawLabel(QPainter& painter, const ShownLabel& label);
    // Hands out each glyph of a kept label with the device pixel of its image's corner.
    void PlaceGlyphs(const ShownLabel& label, FunctionRef<void(const Glyph&, QPoint)> place);
    // The end of a tick without Qt's repaint: what changed, composed and sent to the
    // window past the backing store; false when only a repaint can show it.
    bool Push();
    // What paintEvent paints in `pixels` (of the image), into rows of their width.
    void Compose(QRgb* to, const QRect& pixels);

    void ResizeTo(QSize size);
    void CentreOnScreen(QWidget& dialog) const;
    Point ToDevice(Point twips) const;
    int DevicePen(int penWidth) const;
    // Sets the runs of image pixels that `shape` hands out; those that changed are
    // repainted (at the end of a tick, or soon after any other event).
    void Draw(Color color, FunctionRef<void(const SpanSink&)> shape);
    void Changed(QRect logical);
    void ArmTimer();
    void WatchZone();
    QRect LabelPixels(const Label& label) const;
    QRect ChangedText(const ShownLabel& shown, const QString& after);
    // Pointer position in twips relative to the window's current top-left corner.
    QPointF ClientTwips(const QMouseEvent& event) const;
    // The settings file of `app`: asking QSettings reads the whole file, so the path
    // that the start-up's reads found is kept.
    std::string StorePath(std::string_view app);

    FormEvents* events_ = nullptr;
    TwipsScale scale_;        // twips per device-independent pixel
    TwipsScale deviceScale_;  // twips per pixel of the backing image
    qreal ratio_ = 1;         // image pixels per device-independent pixel
    QImage image_;
    bool ticking_ = false;
    // What the tick changed, in logical pixels, painted when it ends: the bounding box
    // of the changes whose top lies in each band of kBandRows rows.
    std::vector<QRect> dirty_;
    std::time_t nowSeconds_ = -1;
    DateTime nowLocal_;
    int zoneFd_ = -1;        // inotify on the system's time zone
    bool zoneStale_ = true;  // it may have changed since the last read
    QSocketNotifier zoneNotifier_{QSocketNotifier::Read};
    QSize size_;  // the size the form was last told about
    std::array<ShownLabel, 2> shown_;
    std::map<std::pair<QRgb, char16_t>, Glyph> glyphs_;  // for the font at ratio_
    QRect behind_;                     // pushed past the backing store since the last expose
    std::vector<QRgb> rows_;           // a rectangle's rows, packed for the X server
    xcb_connection_t* x11_ = nullptr;  // the X server that takes them, if any
    std::uint32_t pushGc_ = 0;         // the graphics context they are sent with
    int timerFd_ = -1;
    QSocketNotifier tickNotifier_{QSocketNotifier::Read};
    std::string storeApp_, storePath_;
    int exitStatus_ = 0;
};

}  // namespace torven::qt
