#include "x11_push.h"

#include <xcb/xcb.h>
#include <QFontMetricsF>
#include <QPainter>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "x11_window.h"

namespace torven::qt {
namespace {

PixelRect Meet(const PixelRect& a, const PixelRect& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

}  // namespace

X11Push::X11Push() : x11_(x11::Connection()) {}

X11Push::~X11Push() {
    if (gc_) xcb_free_gc(x11_, gc_);
}

bool X11Push::Suits(std::uint32_t window) {
    if (window == window_) return suits_;
    if (gc_) xcb_free_gc(x11_, gc_);
    gc_ = 0, window_ = window, suits_ = false;
    const x11::Owned<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(x11_, xcb_get_window_attributes(x11_, window), nullptr),
        &std::free);
    const xcb_setup_t* setup = xcb_get_setup(x11_);
    if (!attributes || setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST ||
        QSysInfo::ByteOrder != QSysInfo::LittleEndian)
        return false;
    // The window's visual: true colour, 8 bits each of red, green and blue where the image
    // has them, in 24 bits, or 32 with alpha in the top byte, that a pixmap holds as 32.
    const xcb_visualtype_t* visual = nullptr;
    for (auto screen = xcb_setup_roots_iterator(setup); screen.rem; xcb_screen_next(&screen))
        for (auto d = xcb_screen_allowed_depths_iterator(screen.data); d.rem; xcb_depth_next(&d))
            for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v))
                if (v.data->visual_id == attributes->visual)
                    visual = v.data, depth_ = d.data->depth;
    const xcb_format_t* formats = xcb_setup_pixmap_formats(setup);
    if (!visual || (depth_ != 24 && depth_ != 32) ||
        visual->_class != XCB_VISUAL_CLASS_TRUE_COLOR || visual->red_mask != 0xFF0000 ||
        visual->green_mask != 0xFF00 || visual->blue_mask != 0xFF ||
        std::none_of(
            formats, formats + xcb_setup_pixmap_formats_length(setup),
            [&](const xcb_format_t& f) { return f.depth == depth_ && f.bits_per_pixel == 32; }))
        return false;
    gc_ = xcb_generate_id(x11_);
    xcb_create_gc(x11_, gc_, window, 0, nullptr);
    return suits_ = true;
}

const X11Push::Glyph& X11Push::GlyphOf(QChar c, QRgb colour) {
    if (glyphs_.size() > 256) glyphs_.clear();  // after many colours
    Glyph& glyph = glyphs_[{colour, c.unicode()}];
    if (!glyph.image.isNull()) return glyph;
    const QFontMetricsF metrics(font_);
    glyph.advance = metrics.horizontalAdvance(c);
    const int side = 2 * kGlyphMargin;
    glyph.image = QImage(QSize(static_cast<int>(std::ceil(glyph.advance)) + side,
                               static_cast<int>(std::ceil(metrics.height())) + side) *
                             ratio_,
                         QImage::Format_ARGB32_Premultiplied);
    glyph.image.setDevicePixelRatio(ratio_);
    glyph.image.fill(Qt::transparent);
    QPainter painter(&glyph.image);
    painter.setFont(font_);
    painter.setPen(QColor(colour));
    painter.drawText(QPointF(kGlyphMargin, kGlyphMargin + metrics.ascent()), QString(c));
    painter.end();
    const auto* pixel = reinterpret_cast<const QRgb*>(glyph.image.constBits());
    glyph.solid = std::all_of(pixel, pixel + glyph.image.sizeInBytes() / 4,
                              [](QRgb p) { return qAlpha(p) == 0 || qAlpha(p) == 255; });
    return glyph;
}

bool X11Push::PrepareGlyphs(std::span<const Text> texts, const QFont& font, int ratio) {
    if (font != font_ || ratio != ratio_) font_ = font, ratio_ = ratio, glyphs_.clear();
    for (const Text& text : texts)
        for (const QChar c : text.caption)
            if (c.unicode() >= 128 || !(c.isDigit() || c.isPunct()) ||
                !GlyphOf(c, text.colour).solid)
                return false;
    return true;
}

void X11Push::Compose(const Image& image, std::span<const Text> texts, const PixelRect& area,
                      std::uint32_t* rows) {
    const int width = area.right - area.left;
    for (int y = area.top; y < area.bottom; ++y)
        std::memcpy(rows + static_cast<std::size_t>(y - area.top) * width,
                    image.Pixels() + static_cast<std::size_t>(y) * image.Width() + area.left,
                    width * 4);
    for (const Text& text : texts) {
        const PixelRect clip = Meet(text.rect, area);
        // Where drawText puts the glyphs: no kerning between these characters, each at the
        // floor of its device position, the text's top on the rectangle's.
        qreal x = text.rect.left / static_cast<qreal>(ratio_);
        for (const QChar c : text.caption) {
            const Glyph& glyph = GlyphOf(c, text.colour);
            const int left = static_cast<int>(std::floor(x * ratio_)) - kGlyphMargin * ratio_;
            const int top = text.rect.top - kGlyphMargin * ratio_;
            x += glyph.advance;
            const PixelRect inked =
                Meet(clip, {left, top, left + glyph.image.width(), top + glyph.image.height()});
            for (int y = inked.top; y < inked.bottom; ++y) {
                const auto* from =
                    reinterpret_cast<const QRgb*>(glyph.image.constScanLine(y - top));
                std::uint32_t* row = rows + static_cast<std::size_t>(y - area.top) * width;
                for (int px = inked.left; px < inked.right; ++px)
                    if (qAlpha(from[px - left])) row[px - area.left] = from[px - left];
            }
        }
    }
}

bool X11Push::Send(QWindow& window, const Image& image, std::span<const PixelRect> changed,
                   std::span<const Text> texts, const QFont& font) {
    const qreal ratio = window.devicePixelRatio();
    const int whole = static_cast<int>(ratio);
    if (!x11_ || !window.isExposed() || image.Blank() || ratio != whole ||
        !PrepareGlyphs(texts, font, whole) || !Suits(static_cast<std::uint32_t>(window.winId())))
        return false;
    const std::uint32_t most = xcb_get_maximum_request_length(x11_) * 4 - 32;  // bytes
    for (const PixelRect& r : changed) {
        const int width = r.right - r.left;
        const int rowsEach = std::max<int>(1, most / (width * 4u));
        for (int top = r.top; top < r.bottom; top += rowsEach) {
            const PixelRect chunk{r.left, top, r.right, std::min(top + rowsEach, r.bottom)};
            rows_.resize(static_cast<std::size_t>(width) * (chunk.bottom - top));
            Compose(image, texts, chunk, rows_.data());
            xcb_put_image(x11_, XCB_IMAGE_FORMAT_Z_PIXMAP, window_, gc_, width, chunk.bottom - top,
                          chunk.left, top, 0, depth_, rows_.size() * 4,
                          reinterpret_cast<const std::uint8_t*>(rows_.data()));
        }
        behind_ |= ToQRect(Covering(r, whole));
    }
    xcb_flush(x11_);
    return true;
}

QRect X11Push::TakeBehind() {
    return std::exchange(behind_, QRect());
}

}  // namespace torven::qt
