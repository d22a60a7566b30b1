// A tick's pixels sent to the X server straight from the form's image, past Qt's backing
// store: Qt's repaint of them (its repaint manager, a painter, the readout laid out and drawn
// anew, a flush through a server pixmap) costs the clock and the X server half as much again
// once a second (bench/RESULTS.md). Used where the window's own visual takes the image's
// pixels as they are, at a whole pixel ratio; everywhere else Qt paints.
#pragma once

#include <QFont>
#include <QImage>
#include <QRect>
#include <cstdint>
#include <map>
#include <span>
#include <vector>

#include "forms_runtime.h"

class QWindow;
struct xcb_connection_t;

namespace torven::testing {
struct X11PushAccess;  // the tests' way in (tests/access.h)
}

namespace torven::qt {

inline QRect ToQRect(const PixelRect& r) {
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

class X11Push {
  public:
    // A readout label: its rectangle (device pixels), which clips its text.
    struct Text {
        PixelRect rect;
        QString caption;
        QRgb colour = 0;
    };

    X11Push();
    ~X11Push();
    X11Push(const X11Push&) = delete;
    X11Push& operator=(const X11Push&) = delete;

    // Sends the rectangles `changed` of `image` to `window` with the texts over them, as the
    // window's paint draws them in `font`. False, having sent nothing, where it cannot.
    bool Send(QWindow& window, const Image& image, std::span<const PixelRect> changed,
              std::span<const Text> texts, const QFont& font);
    // What went past Qt's backing store since the last call (the window's coordinates),
    // to be painted into it before Qt shows it again: a rectangle, cheaper than a region.
    QRect TakeBehind();

  private:
    friend struct testing::X11PushAccess;

    // Renders and keeps the images of the texts' characters in `font` at a whole pixel
    // `ratio` (a new font or ratio drops those kept before); whether the texts can be drawn
    // from them: digits and separators whose every pixel is ink or nothing.
    bool PrepareGlyphs(std::span<const Text> texts, const QFont& font, int ratio);
    // The pixels of `area` as the window's paint shows them, into rows of its width: the
    // image, and the texts that PrepareGlyphs() took.
    void Compose(const Image& image, std::span<const Text> texts, const PixelRect& area,
                 std::uint32_t* rows);

    // A character as drawText draws it in a colour, with a margin, and its advance.
    struct Glyph {
        QImage image;
        qreal advance = 0;
        bool solid = false;  // every pixel ink or nothing
    };
    static constexpr int kGlyphMargin = 4;
    const Glyph& GlyphOf(QChar c, QRgb colour);
    // Whether the window's visual takes 32-bit 0xAARRGGBB pixels as they are (the alpha
    // byte, where it has none, ignored); asked once for each native window, which Qt may
    // make anew.
    bool Suits(std::uint32_t window);

    xcb_connection_t* x11_ = nullptr;
    std::uint32_t window_ = 0;  // the native window last asked about
    bool suits_ = false;
    std::uint8_t depth_ = 0;  // of its visual
    std::uint32_t gc_ = 0;
    std::vector<std::uint32_t> rows_;
    QRect behind_;
    QFont font_;  // of the kept glyphs, at ratio_
    int ratio_ = 0;
    std::map<std::pair<QRgb, char16_t>, Glyph> glyphs_;
};

}  // namespace torven::qt
