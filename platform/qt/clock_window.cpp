#include "clock_window.h"

#include "gdi_pixels.h"
#include "readout.h"
#include "ring.h"
#include "settings_file.h"

#include <QtGui/qguiapplication_platform.h>
#include <sys/inotify.h>
#include <sys/timerfd.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QCursor>
#include <QFontMetricsF>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QSettings>
#include <QWindow>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>
#include <utility>
#include <vector>

namespace torven::qt {
namespace {

// The tick comes this long after the second begins (nanoseconds).
constexpr long kTickDelay = 2'000'000;

// What changed in the image is repainted as one rectangle per band of this many rows:
// a long slanted hand repaints a strip along itself, not its whole bounding box.
constexpr int kBandRows = 16;

xcb_connection_t* X11Connection() {
    // Another platform has none (offscreen has the interface, but no server).
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// Whether the X server takes those bytes as they are, for an opaque window (which has
// the server's default depth).
bool TakesRgb32AsItIs(xcb_connection_t* connection) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST || Q_BYTE_ORDER != Q_LITTLE_ENDIAN ||
        xcb_setup_roots_iterator(setup).data->root_depth != 24)
        return false;
    const xcb_format_t* formats = xcb_setup_pixmap_formats(setup);
    const int count = xcb_setup_pixmap_formats_length(setup);
    return std::any_of(formats, formats + count, [](const xcb_format_t& format) {
        return format.depth == 24 && format.bits_per_pixel == 32;
    });
}

// A rectangle of logical pixels in the pixels of a whole ratio.
QRect Scaled(const QRect& logical, int ratio) {
    return {logical.topLeft() * ratio, logical.size() * ratio};
}

// The readout's digits and separators, which are drawn from kept images of their characters.
bool Kept(const QString& text) {
    return std::all_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() < 128 && (c.isDigit() || c.isPunct()); });
}

// A desktop gadget: no taskbar button, not in the pager. Asked of the window manager
// once the window is mapped (Qt rewrites the state of an unmapped window).
void KeepOffTaskbar(WId window) {
    xcb_connection_t* connection = X11Connection();
    if (!connection) return;
    const auto atom = [connection](std::string_view name) -> xcb_atom_t {
        const auto cookie = xcb_intern_atom(connection, 0, name.size(), name.data());
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
        const xcb_atom_t value = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return value;
    };
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = static_cast<xcb_window_t>(window);
    message.type = atom("_NET_WM_STATE");
    message.data.data32[0] = 1;  // add
    message.data.data32[1] = atom("_NET_WM_STATE_SKIP_TASKBAR");
    message.data.data32[2] = atom("_NET_WM_STATE_SKIP_PAGER");
    message.data.data32[3] = 1;  // from a normal application
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    xcb_send_event(connection, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection);
}

int ButtonCode(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return kLeftButton;
        case Qt::RightButton:
            return kRightButton;
        case Qt::MiddleButton:
            return kMiddleButton;
        default:
            return 0;
    }
}

int ButtonsCode(Qt::MouseButtons buttons) {
    return (buttons.testFlag(Qt::LeftButton) ? kLeftButton : 0) |
           (buttons.testFlag(Qt::RightButton) ? kRightButton : 0) |
           (buttons.testFlag(Qt::MiddleButton) ? kMiddleButton : 0);
}

int ShiftCode(Qt::KeyboardModifiers modifiers) {
    return (modifiers.testFlag(Qt::ShiftModifier) ? 1 : 0) |
           (modifiers.testFlag(Qt::ControlModifier) ? 2 : 0) |
           (modifiers.testFlag(Qt::AltModifier) ? 4 : 0);
}

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString SettingKey(std::string_view section, std::string_view key) {
    return ToQString(section) + u'/' + ToQString(key);
}

// The store holds text, but QSettings reads some hand-written values as other types
// ("1, 2" as a list, "@Variant(...)" as a variant); give those back as text too.
QString StoredText(const QVariant& value) {
    if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(u", ");
    if (value.typeId() == QMetaType::QByteArray) return QString::fromUtf8(value.toByteArray());
    return value.toString();
}

}  // namespace

QFont ReadoutFont(std::span<const QSize> labels) {
    QFont font = QApplication::font();
    font.setStyleHint(QFont::SansSerif);
    font.setStyleStrategy(QFont::NoAntialias);  // solid ForeColor, no grey fringes
    // A font's height is at least its pixel size: start at the tallest room, not to
    // load dozens of sizes the font cache throws away later.
    int tallest = 1;
    for (QSize room : labels)
        tallest = std::max(tallest, room.height());
    for (int pixels = std::min(tallest, 64); pixels > 1; --pixels) {
        font.setPixelSize(pixels);
        const QFontMetrics metrics(font);
        char16_t widest = u'0';
        for (char16_t digit = u'1'; digit <= u'9'; ++digit)
            if (metrics.horizontalAdvance(digit) > metrics.horizontalAdvance(widest))
                widest = digit;
        const auto advance = [&](bool date) {
            return metrics.horizontalAdvance(
                QString::fromStdU16String(WidestCaption(date, widest)));
        };
        const int width = std::max(advance(false), advance(true));
        const bool fits = std::all_of(labels.begin(), labels.end(), [&](QSize label) {
            return width <= label.width() && metrics.height() <= label.height();
        });
        if (fits) break;
    }
    return font;
}

QColor ToQColor(Color color) {
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

Color FromQColor(const QColor& color) {
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}

std::unique_ptr<QMenu> BuildPopupMenu(std::span<const MenuItem> items, QWidget* parent) {
    auto menu = std::make_unique<QMenu>(parent);
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
        const MenuItem& item = items[i];
        QAction* action =
            item.IsSeparator() ? menu->addSeparator() : menu->addAction(ToQString(item.Caption));
        action->setData(i);
        if (item.Checked) {
            action->setCheckable(true);
            action->setChecked(true);
        }
    }
    return menu;
}

ClockWindow::ClockWindow()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      scale_(TwipsScale::ForDpi(96)),
      deviceScale_(scale_) {
    setWindowTitle(QStringLiteral("TORVEN"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    // Every paint covers its whole rectangle from the backing image.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);

    // The design-time client area: 1575 twips square at (120, 135).
    move(scale_.ToPixels(120), scale_.ToPixels(135));
    ResizeTo(QSize(scale_.ToPixels(1575), scale_.ToPixels(1575)));
    // The native window exists from here on (still unmapped), so the window services
    // can act on it before it is first shown.
    winId();
    windowHandle()->installEventFilter(this);  // for its exposes
    if (xcb_connection_t* connection = X11Connection(); connection && TakesRgb32AsItIs(connection))
        x11_ = connection;

    // The tick timer runs on the wall clock and is cancelled when the clock is set;
    // the machine's resume counts as a set.
    timerFd_ = timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (timerFd_ < 0) Warn("TORVEN: no timer, the clock stands still");
    tickNotifier_.setSocket(timerFd_);
    connect(&tickNotifier_, &QSocketNotifier::activated, this, [this] {
        std::uint64_t expirations = 0;
        // ECANCELED when the clock was set: the tick shows the new time at once, and
        // arming the timer again clears the cancellation.
        if (read(timerFd_, &expirations, sizeof expirations) < 0 && errno == EAGAIN) return;
        Tick();
    });

    // The system's time zone is read again after /etc/localtime changed, not at every
    // second: tzset() looks the file up each time, which cost more than the hands.
    zoneFd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (zoneFd_ < 0) return;
    WatchZone();
    zoneNotifier_.setSocket(zoneFd_);
    zoneNotifier_.setEnabled(true);
    connect(&zoneNotifier_, &QSocketNotifier::activated, this, [this] {
        alignas(inotify_event) char events[4096];
        while (read(zoneFd_, events, sizeof events) > 0) {
        }
        zoneStale_ = true;
        WatchZone();  // the file it names now
    });
}

ClockWindow::~ClockWindow() {
    if (x11_ && pushGc_) xcb_free_gc(x11_, pushGc_);
    tickNotifier_.setEnabled(false);
    if (timerFd_ >= 0) ::close(timerFd_);
    zoneNotifier_.setEnabled(false);
    if (zoneFd_ >= 0) ::close(zoneFd_);
}

void ClockWindow::Attach(FormEvents& events) {
    events_ = &events;
    std::vector<QSize> labels;
    for (const Label& label : events.Labels())
        labels.emplace_back(scale_.ToPixels(ReadoutWidth(label.Width)),
                            scale_.ToPixels(label.Height));
    setFont(ReadoutFont(labels));
    glyphs_.clear();
    // A logout asks first (the session manager's "save yourself") and may still be
    // cancelled: save, and stay. When the session ends, the application quits.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] {
        if (events_) events_->SessionMayEnd();
    });
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        if (events_) events_->Unload();
    });
}

void ClockWindow::Start() {
    if (!events_) return;
    events_->Load();
    if (!events_ || timerFd_ < 0) return;
    tickNotifier_.setEnabled(true);
    ArmTimer();
}

void ClockWindow::Tick() {
    if (!events_) return;
    ticking_ = true;
    events_->Timer();
    ticking_ = false;
    if (!Push()) {
        // One rectangle per band: a few rectangles to paint, and cheap to collect.
        QRegion dirty;
        for (QRect& band : dirty_)
            dirty += std::exchange(band, QRect());
        repaint(dirty);
    }
    if (events_) ArmTimer();
}

// The form draws only when the second it reads is new: one tick just after each second
// begins is every tick that can change the face.
void ClockWindow::ArmTimer() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    itimerspec next{};
    next.it_value = {now.tv_sec + 1, kTickDelay};
    timerfd_settime(timerFd_, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &next, nullptr);
}

// Where the zone is set (the link's name in /etc, which a change of zone replaces) and
// what it holds (the file it names, which an update may rewrite or replace).
void ClockWindow::WatchZone() {
    inotify_add_watch(zoneFd_, "/etc", IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO);
    inotify_add_watch(zoneFd_, "/etc/localtime",
                      IN_MODIFY | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF);
}

void ClockWindow::SetAlwaysInFront(bool above) {
    Qt::WindowFlags flags = windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, above);
    if (flags == windowFlags()) return;
    // QWidget::setWindowFlags would re-create a shown window (unmapped, flashing,
    // placed anew); the QWindow asks the window manager to change the state in place.
    overrideWindowFlags(flags);
    windowHandle()->setFlags(flags);
}

void ClockWindow::ShowWithoutActivating() {
    if (isVisible()) return;
    show();
    // The window's own handle: Qt may have made the native window anew on mapping.
    KeepOffTaskbar(windowHandle()->winId());
}

float ClockWindow::Left() const {
    return scale_.ToTwips(pos().x());
}
float ClockWindow::Top() const {
    return scale_.ToTwips(pos().y());
}
float ClockWindow::Width() const {
    return scale_.ToTwips(width());
}
float ClockWindow::Height() const {
    return scale_.ToTwips(height());
}

void ClockWindow::SetLeft(float twips) {
    move(scale_.ToPixels(twips), pos().y());
}
void ClockWindow::SetTop(float twips) {
    move(pos().x(), scale_.ToPixels(twips));
}

void ClockWindow::SetWidth(float twips) {
    ResizeTo(QSize(std::max(scale_.ToPixels(twips), 1), height()));
}

void ClockWindow::SetHeight(float twips) {
    ResizeTo(QSize(width(), std::max(scale_.ToPixels(twips), 1)));
}

void ClockWindow::ResizeTo(QSize size) {
    // The backing image stays within its cap at this screen's ratio, whoever asks.
    const int most = std::max(1, static_cast<int>(kMaxSidePixels / devicePixelRatioF()));
    size = size.boundedTo(QSize(most, most));
    if (size == size_ && devicePixelRatioF() == ratio_) return;
    size_ = size;
    if (this->size() != size) resize(size);

    ratio_ = devicePixelRatioF();
    glyphs_.clear();
    QImage next(size * ratio_, QImage::Format_RGB32);
    if (next.isNull()) {
        Warn("TORVEN: no memory for a window of this size");
    } else {
        next.fill(image_.isNull() ? QColor(Qt::white) : image_.pixelColor(0, 0));
        QPainter(&next).drawImage(0, 0, image_);
    }
    image_ = std::move(next);
    deviceScale_ = TwipsScale(scale_.TwipsPerPixel() / ratio_);
    update();
    if (events_) events_->Resize();
}

TwipsRect ClockWindow::Desktop() const {
    QRect all;
    for (const QScreen* screen : QGuiApplication::screens())
        all |= screen->geometry();
    return {scale_.ToTwips(all.left()), scale_.ToTwips(all.top()),
            scale_.ToTwips(all.left() + all.width()), scale_.ToTwips(all.top() + all.height())};
}

std::intptr_t ClockWindow::hWnd() const {
    return reinterpret_cast<std::intptr_t>(this);
}

Point ClockWindow::ToDevice(Point twips) const {
    return {deviceScale_.ToPixels(twips.x), deviceScale_.ToPixels(twips.y)};
}

int ClockWindow::DevicePen(int penWidth) const {
    return std::max(1, CInt(penWidth * ratio_));
}

void ClockWindow::Draw(Color color, FunctionRef<void(const SpanSink&)> shape) {
    if (image_.isNull()) return;
    const QRgb ink = ToQColor(color).rgb();
    uchar* const bits = image_.bits();
    const qsizetype stride = image_.bytesPerLine();
    const int width = image_.width(), height = image_.height();
    QRect band;  // the pixels changed in the current band of rows
    const auto changed = [&] {
        Changed(QRectF(band.topLeft().toPointF() / ratio_, band.size().toSizeF() / ratio_)
                    .toAlignedRect());
        band = QRect();
    };
    shape([&](int y, int x0, int x1) {
        if (y < 0 || y >= height) return;
        auto* row = reinterpret_cast<QRgb*>(bits + y * stride);
        int first = -1, last = -1;
        for (int x = std::max(x0, 0); x < std::min(x1, width); ++x) {
            if (row[x] == ink) continue;  // the hour marks, drawn again each second
            row[x] = ink;
            if (first < 0) first = x;
            last = x;
        }
        if (first < 0) return;
        if (!band.isEmpty() && band.top() / kBandRows != y / kBandRows) changed();
        band |= QRect(first, y, last - first + 1, 1);
    });
    if (!band.isEmpty()) changed();
}

void ClockWindow::Changed(QRect logical) {
    if (logical.isEmpty()) return;
    if (ticking_) {
        const auto band = static_cast<std::size_t>(std::max(logical.top(), 0) / kBandRows);
        if (band >= dirty_.size()) dirty_.resize(band + 1);
        dirty_[band] |= logical;
    } else {
        update(logical);
    }
}

void ClockWindow::Fill(Color color) {
    image_.fill(ToQColor(color));
    Changed(rect());
}

void ClockWindow::Line(Point from, Point to, Color color, int penWidth) {
    const Point a = ToDevice(from), b = ToDevice(to);
    const int pen = DevicePen(penWidth);
    Draw(color, [&](const SpanSink& span) {
        if (pen > 1) return GdiWideLine(a, b, pen, span);
        GdiThinLine(a, b, span);
        span(b.y, b.x, b.x + 1);  // the Windows build sets the end point too
    });
}

void ClockWindow::Box(Point a, Point b, Color color, int penWidth) {
    const Point p = ToDevice(a), q = ToDevice(b);
    const int pen = DevicePen(penWidth);
    // The pen straddles the outline of the pixels from p to q; its wider half outside.
    const int left = std::min(p.x, q.x) - pen / 2, right = std::max(p.x, q.x) + (pen - 1) / 2 + 1;
    const int top = std::min(p.y, q.y) - pen / 2, bottom = std::max(p.y, q.y) + (pen - 1) / 2 + 1;
    Draw(color, [&](const SpanSink& span) {
        for (int y = top; y < bottom; ++y) {
            if (y < top + pen || y >= bottom - pen || right - left <= 2 * pen) {
                span(y, left, right);
            } else {
                span(y, left, left + pen);
                span(y, right - pen, right);
            }
        }
    });
}

void ClockWindow::Circle(Point centre, std::int32_t radius, Color color, int penWidth,
                         std::optional<ArcSpan> arc) {
    const double r = radius / deviceScale_.TwipsPerPixel();
    if (!(r > 0)) return;
    // The box and end points exactly as the Windows build gives them to GDI's Arc.
    const Point c = ToDevice(centre);
    const int left = CInt(c.x - r), top = CInt(c.y - r);
    const int right = CInt(c.x + r) + 1, bottom = CInt(c.y + r) + 1;
    const auto at = [&](double angle) {
        return Point{CInt(c.x + r * std::cos(angle)), CInt(c.y - r * std::sin(angle))};
    };
    const int pen = DevicePen(penWidth);
    if (!arc && pen > 1) {
        Draw(color,
             [&](const SpanSink& span) { ForEachRingSpan(left, top, right, bottom, pen, span); });
        return;
    }
    std::vector<Point> points =
        GdiArcPoints(left, top, right, bottom, at(arc ? arc->start : 0), at(arc ? arc->end : 0));
    points.erase(std::unique(points.begin(), points.end()), points.end());
    Draw(color, [&](const SpanSink& span) {
        if (pen > 1) return GdiWidePolyline(points, pen, span);
        // GDI's polyline through the points: each sets its first pixel, not its last.
        for (size_t i = 0; i + 1 < points.size(); ++i)
            span(points[i].y, points[i].x, points[i].x + 1);
    });
}

QRect ClockWindow::LabelPixels(const Label& label) const {
    return {scale_.ToPixels(label.Left), scale_.ToPixels(label.Top), scale_.ToPixels(label.Width),
            scale_.ToPixels(label.Height)};
}

QRect ClockWindow::ChangedText(const ShownLabel& shown, const QString& after) {
    const QString& before = shown.text;
    const auto [was, is] = std::mismatch(before.begin(), before.end(), after.begin(), after.end());
    if (was == before.end() && is == after.end()) return {};
    // From the character before the first that changed (kerning may have moved it) to
    // the label's right edge; the characters' own advances, without shaping the text.
    const bool kept = Kept(after);  // their advances are at hand
    qreal left = 0;
    for (auto c = after.begin(); c + 1 < is; ++c)
        left +=
            kept ? GlyphOf(*c, shown.colour).advance : QFontMetricsF(font()).horizontalAdvance(*c);
    return shown.rect.adjusted(static_cast<int>(left), 0, 0, 0);
}

void ClockWindow::LabelChanged(int index) {
    if (!events_) return;
    const auto labels = events_->Labels();
    if (index < 0 || index >= static_cast<int>(std::min(labels.size(), shown_.size()))) return;
    const Label& label = labels[index];
    ShownLabel next{LabelPixels(label), QString::fromUtf8(label.Caption), ToQColor(label.ForeColor),
                    false};
    next.visible = label.Visible && !next.text.isEmpty();
    ShownLabel& shown = shown_[index];
    if (shown.visible && next.visible && next.rect == shown.rect && next.colour == shown.colour) {
        Changed(ChangedText(shown, next.text));
    } else {
        if (shown.visible) Changed(shown.rect);
        if (next.visible) Changed(next.rect);
    }
    shown = std::move(next);
}

int ClockWindow::PopupMenu(std::span<const MenuItem> items) {
    const auto menu = BuildPopupMenu(items, this);
    const QAction* chosen = menu->exec(QCursor::pos());
    return chosen ? chosen->data().toInt() : -1;
}

void ClockWindow::CentreOnScreen(QWidget& dialog) const {
    // Qt would centre it over the small clock, mostly off the screen's corner.
    const QScreen* shown = screen() ? screen() : QGuiApplication::primaryScreen();
    dialog.adjustSize();
    dialog.move(shown->availableGeometry().center() - dialog.rect().center());
}

std::optional<Color> ClockWindow::ShowColor() {
    QColorDialog dialog(Qt::white, this);
    CentreOnScreen(dialog);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return FromQColor(dialog.selectedColor());
}

void ClockWindow::MsgBox(std::string_view prompt, std::string_view title) {
    QString text = ToQString(prompt);
    text.remove(u'\r');
    QMessageBox box(QMessageBox::NoIcon, ToQString(title), text, QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    CentreOnScreen(box);
    box.exec();
}

std::string ClockWindow::GetSetting(std::string_view app, std::string_view section,
                                    std::string_view key, std::string_view defaultText) {
    const QSettings store(ToQString(app), ToQString(app));
    storeApp_ = app;
    storePath_ = store.fileName().toStdString();
    const QVariant value = store.value(SettingKey(section, key));
    if (!value.isValid()) return std::string(defaultText);
    return StoredText(value).toStdString();
}

std::string ClockWindow::StorePath(std::string_view app) {
    if (storePath_.empty() || storeApp_ != app) {
        storeApp_ = app;
        storePath_ = QSettings(ToQString(app), ToQString(app)).fileName().toStdString();
    }
    return storePath_;
}

bool ClockWindow::SaveSettings(std::string_view app, std::string_view section,
                               std::span<const SettingText> values) {
    return WriteIniGroup(StorePath(app), section, values);
}

DateTime ClockWindow::Now() {
    // The clock the tick timer runs on: time() lags it by up to a kernel tick, and
    // would still read the old second when the timer fires.
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    if (now.tv_sec != nowSeconds_) {
        // Only a new second is converted. localtime_r never looks at the system's time
        // zone again; tzset re-reads /etc/localtime (with TZ unset) once it may have changed.
        if (zoneFd_ < 0 || std::exchange(zoneStale_, false)) tzset();
        std::tm local{};
        localtime_r(&now.tv_sec, &local);
        nowSeconds_ = now.tv_sec;
        nowLocal_ = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                     local.tm_hour,        local.tm_min,     local.tm_sec};
    }
    return nowLocal_;
}

void ClockWindow::Warn(std::string_view line) {
    std::string text(line);
    std::replace(text.begin(), text.end(), '\n', ' ');
    std::cerr << text << std::endl;
}

void ClockWindow::DestroyForm(int exitStatus) {
    exitStatus_ = exitStatus;
    tickNotifier_.setEnabled(false);
    events_ = nullptr;
    hide();
    // Queued, so that it also ends a loop that has not started yet, and every nested
    // loop (an open menu or dialog) with it.
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void ClockWindow::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    for (const QRect& area : event->region())
        painter.drawImage(
            QRectF(area), image_,
            QRectF(area.topLeft().toPointF() * ratio_, area.size().toSizeF() * ratio_));
    for (const ShownLabel& label : shown_) {
        if (!label.visible || !event->region().intersects(label.rect)) continue;
        painter.setClipRect(label.rect);
        DrawLabel(painter, label);
    }
}

const ClockWindow::Glyph& ClockWindow::GlyphOf(QChar c, const QColor& colour) {
    if (glyphs_.size() > 256) glyphs_.clear();  // after many colours
    Glyph& glyph = glyphs_[{colour.rgb(), c.unicode()}];
    if (glyph.image.isNull()) {
        const QFontMetricsF metrics(font());
        glyph.advance = metrics.horizontalAdvance(c);
        const int side = 2 * kGlyphMargin;
        glyph.image = QImage(QSize(static_cast<int>(std::ceil(glyph.advance)) + side,
                                   static_cast<int>(std::ceil(metrics.height())) + side) *
                                 ratio_,
                             QImage::Format_ARGB32_Premultiplied);
        glyph.image.setDevicePixelRatio(ratio_);
        glyph.image.fill(Qt::transparent);
        QPainter painter(&glyph.image);
        painter.setFont(font());
        painter.setPen(colour);
        painter.drawText(QPointF(kGlyphMargin, kGlyphMargin + metrics.ascent()), QString(c));
        painter.end();
        const auto* pixel = reinterpret_cast<const QRgb*>(glyph.image.constBits());
        glyph.solid = std::all_of(pixel, pixel + glyph.image.sizeInBytes() / 4,
                                  [](QRgb p) { return qAlpha(p) == 0 || qAlpha(p) == 255; });
    }
    return glyph;
}

void ClockWindow::PlaceGlyphs(const ShownLabel& label,
                              FunctionRef<void(const Glyph&, QPoint)> place) {
    // Where drawText puts its glyphs: no kerning between these characters, each glyph
    // at the floor of its device position.
    qreal x = label.rect.left();
    for (QChar c : label.text) {
        const Glyph& glyph = GlyphOf(c, label.colour);
        const int left = static_cast<int>(std::floor(x * ratio_));
        place(glyph, QPoint(left, label.rect.top() * static_cast<int>(ratio_)) -
                         QPoint(kGlyphMargin, kGlyphMargin) * ratio_);
        x += glyph.advance;
    }
}

void ClockWindow::DrawLabel(QPainter& painter, const ShownLabel& label) {
    // The readout's characters, at a whole pixel ratio, are kept images: drawText lays out
    // the text again each second, which costs more than the rest of the tick.
    if (ratio_ != std::floor(ratio_) || !Kept(label.text)) {
        painter.setFont(font());
        painter.setPen(label.colour);
        painter.drawText(label.rect.topLeft() + QPointF(0, QFontMetricsF(font()).ascent()),
                         label.text);
        return;
    }
    PlaceGlyphs(label, [&](const Glyph& glyph, QPoint device) {
        painter.drawImage(device.toPointF() / ratio_, glyph.image);
    });
}

bool ClockWindow::Push() {
    // Qt's begin and end of a paint on its backing store, and its flush through a server
    // pixmap, cost the clock and the X server more than the tick's drawing; the store is
    // needed only when the window is exposed, and the expose paints what it missed.
    // Composing matches the painter only where every glyph pixel is ink or nothing.
    if (!x11_ || !windowHandle() || !windowHandle()->isExposed() || ratio_ != std::floor(ratio_))
        return false;
    for (const ShownLabel& label : shown_) {
        if (!label.visible) continue;
        if (!Kept(label.text)) return false;
        for (QChar c : label.text)
            if (!GlyphOf(c, label.colour).solid) return false;
    }
    const auto window = static_cast<xcb_window_t>(windowHandle()->winId());
    if (!pushGc_) {
        pushGc_ = xcb_generate_id(x11_);
        xcb_create_gc(x11_, pushGc_, window, 0, nullptr);
    }
    const std::uint32_t most = xcb_get_maximum_request_length(x11_) * 4 - 32;
    for (QRect& band : dirty_) {
        const QRect area = std::exchange(band, QRect());
        const QRect r = Scaled(area, static_cast<int>(ratio_)) & image_.rect();
        if (r.isEmpty()) continue;
        behind_ |= area;
        const int rowsEach = std::max<int>(1, most / (r.width() * 4u));
        for (int top = r.top(); top <= r.bottom(); top += rowsEach) {
            const QRect chunk(r.left(), top, r.width(), std::min(rowsEach, r.bottom() + 1 - top));
            rows_.resize(static_cast<std::size_t>(chunk.width()) * chunk.height());
            Compose(rows_.data(), chunk);
            xcb_put_image(x11_, XCB_IMAGE_FORMAT_Z_PIXMAP, window, pushGc_, chunk.width(),
                          chunk.height(), chunk.left(), chunk.top(), 0, 24, rows_.size() * 4,
                          reinterpret_cast<const std::uint8_t*>(rows_.data()));
        }
    }
    xcb_flush(x11_);
    return true;
}

void ClockWindow::Compose(QRgb* to, const QRect& pixels) {
    const int width = pixels.width();
    for (int y = 0; y < pixels.height(); ++y)
        std::memcpy(to + y * width, image_.constScanLine(pixels.top() + y) + pixels.left() * 4,
                    width * 4);
    for (const ShownLabel& label : shown_) {
        const QRect clip = Scaled(label.rect, static_cast<int>(ratio_)) & pixels;
        if (!label.visible || clip.isEmpty()) continue;
        PlaceGlyphs(label, [&](const Glyph& glyph, QPoint at) {
            const QRect inked = QRect(at, glyph.image.size()) & clip;
            for (int y = inked.top(); y <= inked.bottom(); ++y) {
                const auto* from =
                    reinterpret_cast<const QRgb*>(glyph.image.constScanLine(y - at.y()));
                QRgb* row = to + (y - pixels.top()) * width;
                for (int x = inked.left(); x <= inked.right(); ++x)
                    if (qAlpha(from[x - at.x()])) row[x - pixels.left()] = from[x - at.x()];
            }
        });
    }
}

bool ClockWindow::eventFilter(QObject* watched, QEvent* event) {
    // An expose shows the backing store: what went past it is painted into it first.
    if (event->type() == QEvent::Expose && watched == windowHandle() && !behind_.isEmpty())
        update(std::exchange(behind_, QRect()));
    return QWidget::eventFilter(watched, event);
}

void ClockWindow::resizeEvent(QResizeEvent*) {
    ResizeTo(size());
}

bool ClockWindow::event(QEvent* event) {
    // Another screen, or a new scale: once the event is done, a new image at the new
    // pixel ratio and the whole face drawn on it, as after a change of size. Paints are
    // checked too, since every such change brings one, whichever event announced it.
    const QEvent::Type type = event->type();
    if ((type == QEvent::ScreenChangeInternal || type == QEvent::Paint) &&
        devicePixelRatioF() != ratio_)
        QMetaObject::invokeMethod(
            this, [this] { ResizeTo(size()); }, Qt::QueuedConnection);
    return QWidget::event(event);
}

void ClockWindow::closeEvent(QCloseEvent* event) {
    // The form decides; its Unload destroys the window.
    event->ignore();
    if (events_) events_->Unload();
}

QPointF ClockWindow::ClientTwips(const QMouseEvent& event) const {
    // From the global position: a drag moves the window between events, and the form
    // adds this to Left/Top, which must be measured from the same corner.
    const QPointF local = event.globalPosition() - QPointF(geometry().topLeft());
    return {scale_.ToTwips(local.x()), scale_.ToTwips(local.y())};
}

void ClockWindow::mousePressEvent(QMouseEvent* event) {
    const int button = ButtonCode(event->button());
    if (!events_ || button == 0) return;
    const QPointF at = ClientTwips(*event);
    events_->MouseDown(button, ShiftCode(event->modifiers()), at.x(), at.y());
}

void ClockWindow::mouseMoveEvent(QMouseEvent* event) {
    if (!events_) return;
    const QPointF at = ClientTwips(*event);
    events_->MouseMove(ButtonsCode(event->buttons()), ShiftCode(event->modifiers()), at.x(),
                       at.y());
}

void ClockWindow::mouseReleaseEvent(QMouseEvent* event) {
    const int button = ButtonCode(event->button());
    if (!events_ || button == 0) return;
    const QPointF at = ClientTwips(*event);
    events_->MouseUp(button, ShiftCode(event->modifiers()), at.x(), at.y());
}

}  // namespace torven::qt
