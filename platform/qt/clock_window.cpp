#include "clock_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QCursor>
#include <QFontMetrics>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>

#include "readout.h"
#include "x11_window.h"

namespace torven::qt {
namespace {

// How long after the window first shows a window manager may still be placing it, unless
// the user presses the clock first.
constexpr std::chrono::milliseconds kPlacing{1000};

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

}  // namespace

QFont ReadoutFont(std::span<const Label> labels) {
    QFont font = QApplication::font();
    font.setStyleHint(QFont::SansSerif);
    font.setStyleStrategy(QFont::NoAntialias);
    font.setPixelSize(ReadoutPixelSize(labels, TwipsScale(), [&](int pixels, auto text) {
        font.setPixelSize(pixels);
        const QFontMetrics metrics(font);
        return TextExtent{metrics.horizontalAdvance(QString::fromUtf16(text.data(), text.size())),
                          metrics.height()};
    }));
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
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus) {
    setWindowTitle(QStringLiteral("TORVEN"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    // Under a compositor, with an alpha channel (an ARGB visual) where the image is
    // transparent outside the face: some show a window's every pixel and ignore its shape
    // (sway's and weston's XWayland). Without one the shape alone cuts the window, and the
    // X server draws a window of its own depth more cheaply. Every paint covers its whole
    // rectangle from the image.
    if (x11::Compositing()) setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);

    const QRect design(
        QPoint(scale_.ToPixels(kDesignClientArea.left), scale_.ToPixels(kDesignClientArea.top)),
        QPoint(scale_.ToPixels(kDesignClientArea.right) - 1,
               scale_.ToPixels(kDesignClientArea.bottom) - 1));
    move(design.topLeft());
    ResizeTo(design.size());
    // The native window exists from here on (still unmapped), so the window services
    // can act on it before it is first shown.
    winId();
    windowHandle()->installEventFilter(this);  // for its exposes

    if (clock_.Fd() < 0) return;
    tickNotifier_.setSocket(clock_.Fd());
    connect(&tickNotifier_, &QSocketNotifier::activated, this, [this] {
        if (clock_.Due()) Tick();
    });
}

ClockWindow::~ClockWindow() {
    tickNotifier_.setEnabled(false);
}

void ClockWindow::Attach(FormEvents& events) {
    events_ = &events;
    setFont(ReadoutFont(events.Labels()));
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
    if (!events_ || clock_.Fd() < 0) return;
    tickNotifier_.setEnabled(true);
    ArmTimer();
}

void ClockWindow::Tick() {
    if (!events_) return;
    ticking_ = true;
    events_->Timer();
    ticking_ = false;
    if (events_) ArmTimer();
}

void ClockWindow::ArmTimer() {
    if (!clock_.Arm()) tickNotifier_.setEnabled(false);
}

void ClockWindow::SetAlwaysInFront(bool above) {
    Qt::WindowFlags flags = windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, above);
    if (flags == windowFlags()) return;
    // QWidget::setWindowFlags would re-create a shown window (unmapped, flashing,
    // placed anew); the QWindow asks the window manager to change the state in place.
    // A hidden window is asked once it shows.
    overrideWindowFlags(flags);
    if (isVisible()) windowHandle()->setFlags(flags);
}

void ClockWindow::ShowWithoutActivating() {
    if (isVisible()) return;
    // Mapped without the band, which is asked for once the window is mapped (icewm keeps
    // a band the window was mapped with for good); off the taskbar from the start.
    const bool above = windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    windowHandle()->setFlags(windowFlags() & ~Qt::WindowStaysOnTopHint);
    x11::SetMapState(*windowHandle(), above);
    const QPoint corner = geometry().topLeft();
    show();
    x11::KeepCorner(*windowHandle(), corner);
    windowHandle()->setFlags(windowFlags());
}

void ClockWindow::ResizeTo(QSize size) {
    const int most = MostSide(devicePixelRatioF());
    size = size.boundedTo(QSize(most, most));
    if (size == size_ && devicePixelRatioF() == ratio_) return;
    size_ = size;
    ratio_ = devicePixelRatioF();
    if (this->size() != size) resize(size);
    update();
    if (events_) events_->Resize();
}

std::vector<TwipsRect> ClockWindow::Monitors() const {
    // The monitors of the X screen the clock is on (a second X screen has its own).
    const QScreen* primary = QGuiApplication::primaryScreen();
    std::vector<TwipsRect> monitors;
    for (const QScreen* screen : primary ? primary->virtualSiblings() : QList<QScreen*>{}) {
        const QRect g = screen->geometry();
        const TwipsRect monitor{scale_.ToTwips(g.left()), scale_.ToTwips(g.top()),
                                scale_.ToTwips(g.left() + g.width()),
                                scale_.ToTwips(g.top() + g.height())};
        monitors.insert(screen == primary ? monitors.begin() : monitors.end(), monitor);
    }
    return monitors;
}

void ClockWindow::ShowImage(std::span<const PixelRect> changed) {
    if (ticking_ && events_) {
        const Image& face = events_->Face();
        std::vector<X11Push::Text> texts;
        for (const Label& label : events_->Labels())
            if (label.Visible && !label.Caption.empty())
                texts.push_back({face.ToPixels(label.Left, label.Top, label.Width, label.Height),
                                 QString::fromStdString(label.Caption),
                                 ToQColor(label.ForeColor).rgb()});
        if (push_.Send(*windowHandle(), face, changed, texts, font())) return;
    }
    QRegion region;
    for (const PixelRect& r : changed)
        region += ToQRect(Covering(r, ratio_));
    update(region);
}

void ClockWindow::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (!events_) return;
    const Image& face = events_->Face();
    if (face.Blank() || face.Width() != qRound(width() * ratio_)) {
        painter.fillRect(event->rect(), ToQColor(kNoFace));
    } else {
        // The form's pixels as they are, no copy, their transparency too.
        const QImage image(reinterpret_cast<const uchar*>(face.Pixels()), face.Width(),
                           face.Height(), face.Width() * 4, QImage::Format_ARGB32_Premultiplied);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        for (const QRect& area : event->region())
            painter.drawImage(QRectF(area), image,
                              QRectF(area.topLeft().toPointF() * ratio_, area.size() * ratio_));
    }
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setFont(font());
    const qreal ascent = QFontMetricsF(font()).ascent();
    for (const Label& label : events_->Labels()) {
        const QRectF rect =
            Logical(face.ToPixels(label.Left, label.Top, label.Width, label.Height));
        if (!label.Visible || label.Caption.empty() || !rect.intersects(event->rect())) continue;
        painter.setClipRect(rect);
        painter.setPen(ToQColor(label.ForeColor));
        painter.drawText(rect.topLeft() + QPointF(0, ascent),
                         QString::fromStdString(label.Caption));
    }
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
    const QRect area = shown->availableGeometry();
    const PixelRect at = Centred({area.left(), area.top(), area.right() + 1, area.bottom() + 1},
                                 dialog.width(), dialog.height());
    dialog.move(at.left, at.top);
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

void ClockWindow::DestroyForm(int exitStatus) {
    exitStatus_ = exitStatus;
    tickNotifier_.setEnabled(false);
    events_ = nullptr;
    hide();
    // Queued, so that it also ends a loop that has not started yet, and every nested
    // loop (an open menu or dialog) with it.
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

bool ClockWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched != windowHandle()) return QWidget::eventFilter(watched, event);
    const auto now = std::chrono::steady_clock::now();
    if (event->type() == QEvent::Expose) {
        // An expose shows Qt's backing store: what ticks sent past it is painted into it first.
        update(push_.TakeBehind());
        if (!placedBy_ && windowHandle()->isExposed()) placedBy_ = now + kPlacing;
    }
    // The window's place as the window system reports it, once the window manager has placed
    // it as it maps (some, as sway, do so after it first shows).
    if (event->type() == QEvent::Move && event->spontaneous() && placedBy_ && now >= *placedBy_ &&
        events_) {
        const QPoint at = static_cast<QMoveEvent*>(event)->pos();
        events_->Moved(scale_.ToTwips(at.x()), scale_.ToTwips(at.y()));
    }
    return QWidget::eventFilter(watched, event);
}

void ClockWindow::resizeEvent(QResizeEvent*) {
    ResizeTo(size());
}

bool ClockWindow::event(QEvent* event) {
    // Another screen, or a new scale: once the event is done, the form draws the face anew
    // at the new pixel ratio, as after a change of size. Paints are checked too, since
    // every such change brings one, whichever event announced it.
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
    if (placedBy_) placedBy_ = std::min(*placedBy_, std::chrono::steady_clock::now());
    const int button = ButtonsCode(event->button());
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
    const int button = ButtonsCode(event->button());
    if (!events_ || button == 0) return;
    const QPointF at = ClientTwips(*event);
    events_->MouseUp(button, ShiftCode(event->modifiers()), at.x(), at.y());
}

}  // namespace torven::qt
