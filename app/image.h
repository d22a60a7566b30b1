// The face's image: the pixels the form draws and every desktop shows as they are.
//
// It covers the window's client area in device pixels. The form draws on it in twips
// with pens measured in pixels at 96 DPI; the image keeps what changed since the host
// was last told, as one rectangle per band of rows, so that a long slanted hand asks
// for a strip along itself to be shown again, not for its whole bounding box.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "raster.h"
#include "twips.h"

namespace torven {

using Color = std::int32_t;  // 0x00BBGGRR

// The part of a circle that `Circle` draws when it is given one: from `start` to
// `end`, radians counter-clockwise from 3 o'clock (end > start).
struct ArcSpan {
    float start = 0;
    float end = 0;
    bool operator==(const ArcSpan&) const = default;
};

// Device pixels [left, right) x [top, bottom).
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool Empty() const { return right <= left || bottom <= top; }
    bool operator==(const PixelRect&) const = default;
};

// The whole pixels of a desktop that counts `ratio` device pixels to one of its own which
// cover `device`: what it must show again when those device pixels changed.
PixelRect Covering(const PixelRect& device, double ratio);

class Image {
  public:
    static constexpr double kStandardDpi = 96;

    // Makes the image `width` x `height` device pixels at `dpi`, white. Without the
    // memory for it, the image keeps the size but no pixels (Blank()), draws nothing,
    // and returns false.
    bool Resize(int width, int height, double dpi);
    int Width() const { return width_; }
    int Height() const { return height_; }
    double Dpi() const { return dpi_; }
    bool Blank() const { return !pixels_; }
    // Rows top-down, a pixel each 0xFFRRGGBB: in memory the bytes blue, green, red and
    // an opaque 255, as Qt's RGB32 images and 32-bit Windows bitmaps hold them; outside
    // the shape 0, transparent (premultiplied: Qt's ARGB32_Premultiplied, Cairo's ARGB32).
    const std::uint32_t* Pixels() const { return pixels_.get(); }

    // Where twips fall in device pixels: a rectangle's edges, each to its nearest pixel.
    const TwipsScale& Scale() const { return scale_; }
    PixelRect ToPixels(float left, float top, float width, float height) const;

    // Drawing, in twips; pens are pixels at 96 DPI. Pixels under the pen are replaced and
    // nothing is filled, but by Fill.
    void Fill(Color color);
    void Line(Point from, Point to, Color color, int penWidth);
    // The outline of the axis-parallel rectangle with corners a and b.
    void Box(Point a, Point b, Color color, int penWidth);
    // A whole circle, or with `arc` the part of it that the span gives.
    void Circle(Point centre, std::int32_t radius, Color color, int penWidth,
                std::optional<ArcSpan> arc);

    // Cuts the image to the window's shape: GDI's elliptic region in `box`, in the pixels
    // of the desktop, `ratio` device pixels to each of its own. Outside it the image is
    // transparent, so that a desktop that shows a window's every pixel shows what lies
    // behind it there; the face is never drawn there.
    void Shape(const PixelRect& box, double ratio);

    // Marks pixels to be shown again; what changed since the last call of TakeChanges.
    void Changed(PixelRect rect);
    std::vector<PixelRect> TakeChanges();

  private:
    static constexpr int kBandRows = 16;

    Point ToDevice(Point twips) const;
    int DevicePen(int penWidth) const;
    // Sets the runs of pixels that `shape` hands out, noting those that changed.
    void Draw(Color color, FunctionRef<void(const SpanSink&)> shape);

    int width_ = 0;
    int height_ = 0;
    double dpi_ = kStandardDpi;
    TwipsScale scale_;
    std::unique_ptr<std::uint32_t[]> pixels_;
    std::vector<PixelRect> bands_;  // what changed, by band of kBandRows rows
};

}  // namespace torven
