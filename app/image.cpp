#include "image.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

#include "conversions.h"

namespace torven {
namespace {

std::uint32_t ToPixel(Color color) {
    const auto c = static_cast<std::uint32_t>(color);
    return 0xFF000000u | (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
}

PixelRect United(const PixelRect& a, const PixelRect& b) {
    if (a.Empty()) return b;
    if (b.Empty()) return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

}  // namespace

PixelRect Covering(const PixelRect& device, double ratio) {
    return {static_cast<int>(std::floor(device.left / ratio)),
            static_cast<int>(std::floor(device.top / ratio)),
            static_cast<int>(std::ceil(device.right / ratio)),
            static_cast<int>(std::ceil(device.bottom / ratio))};
}

bool Image::Resize(int width, int height, double dpi) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    dpi_ = dpi;
    scale_ = TwipsScale::ForDpi(dpi);
    bands_.clear();
    const std::size_t count = static_cast<std::size_t>(width_) * height_;
    pixels_.reset();
    pixels_.reset(new (std::nothrow) std::uint32_t[count]);
    if (!pixels_) return false;
    std::fill_n(pixels_.get(), count, ToPixel(0xFFFFFF));
    Changed({0, 0, width_, height_});
    return true;
}

PixelRect Image::ToPixels(float left, float top, float width, float height) const {
    return {scale_.ToPixels(left), scale_.ToPixels(top), scale_.ToPixels(left + width),
            scale_.ToPixels(top + height)};
}

Point Image::ToDevice(Point twips) const {
    return {scale_.ToPixels(twips.x), scale_.ToPixels(twips.y)};
}

int Image::DevicePen(int penWidth) const {
    return std::max(1, CInt(penWidth * dpi_ / kStandardDpi));
}

void Image::Draw(Color color, FunctionRef<void(const SpanSink&)> shape) {
    if (Blank()) return;
    const std::uint32_t ink = ToPixel(color);
    PixelRect band;  // what changed in the current band of rows
    shape([&](int y, int x0, int x1) {
        if (y < 0 || y >= height_) return;
        std::uint32_t* row = &pixels_[static_cast<std::size_t>(y) * width_];
        int first = -1, last = -1;
        for (int x = std::max(x0, 0); x < std::min(x1, width_); ++x) {
            if (row[x] == ink) continue;  // the hour marks, drawn again each second
            row[x] = ink;
            if (first < 0) first = x;
            last = x;
        }
        if (first < 0) return;
        if (!band.Empty() && band.top / kBandRows != y / kBandRows) {
            Changed(band);
            band = {};
        }
        band = United(band, {first, y, last + 1, y + 1});
    });
    Changed(band);
}

void Image::Changed(PixelRect rect) {
    rect = {std::max(rect.left, 0), std::max(rect.top, 0), std::min(rect.right, width_),
            std::min(rect.bottom, height_)};
    if (rect.Empty()) return;
    const auto band = static_cast<std::size_t>(rect.top / kBandRows);
    if (band >= bands_.size()) bands_.resize(band + 1);
    bands_[band] = United(bands_[band], rect);
}

std::vector<PixelRect> Image::TakeChanges() {
    std::vector<PixelRect> changes;
    for (PixelRect& band : bands_)
        if (!band.Empty()) changes.push_back(std::exchange(band, {}));
    return changes;
}

void Image::Fill(Color color) {
    if (Blank()) return;
    std::fill_n(pixels_.get(), static_cast<std::size_t>(width_) * height_, ToPixel(color));
    Changed({0, 0, width_, height_});
}

void Image::Shape(const PixelRect& box, double ratio) {
    if (Blank()) return;
    std::vector<std::pair<int, int>> inside(height_);  // each row's pixels within the shape
    const auto device = [&](int pixels, int most) {
        return std::clamp(static_cast<int>(std::lround(pixels * ratio)), 0, most);
    };
    EllipticRegion(box.left, box.top, box.right, box.bottom, [&](int y, int x0, int x1) {
        for (int row = device(y, height_); row < device(y + 1, height_); ++row)
            inside[row] = {device(x0, width_), std::max(device(x0, width_), device(x1, width_))};
    });
    for (int y = 0; y < height_; ++y) {
        std::uint32_t* row = &pixels_[static_cast<std::size_t>(y) * width_];
        std::fill(row, row + inside[y].first, 0u);
        std::fill(row + inside[y].second, row + width_, 0u);
    }
    Changed({0, 0, width_, height_});
}

void Image::Line(Point from, Point to, Color color, int penWidth) {
    const Point a = ToDevice(from), b = ToDevice(to);
    const int pen = DevicePen(penWidth);
    Draw(color, [&](const SpanSink& span) {
        if (pen > 1) return WideLine(a, b, pen, span);
        ThinLine(a, b, span);
        span(b.y, b.x, b.x + 1);  // the end point too, as a wide line has it
    });
}

void Image::Box(Point a, Point b, Color color, int penWidth) {
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

void Image::Circle(Point centre, std::int32_t radius, Color color, int penWidth,
                   std::optional<ArcSpan> arc) {
    const double r = radius / scale_.TwipsPerPixel();
    if (!(r > 0) || Blank()) return;
    // The box and the end points as GDI's Arc was given them.
    const Point c = ToDevice(centre);
    const int left = CInt(c.x - r), top = CInt(c.y - r);
    const int right = CInt(c.x + r) + 1, bottom = CInt(c.y + r) + 1;
    const auto at = [&](double angle) {
        return Point{CInt(c.x + r * std::cos(angle)), CInt(c.y - r * std::sin(angle))};
    };
    const int pen = DevicePen(penWidth);
    if (!arc && pen > 1) {
        Draw(color, [&](const SpanSink& span) { Ring(left, top, right, bottom, pen, span); });
        return;
    }
    std::vector<Point> points =
        ArcPoints(left, top, right, bottom, at(arc ? arc->start : 0), at(arc ? arc->end : 0));
    points.erase(std::unique(points.begin(), points.end()), points.end());
    Draw(color, [&](const SpanSink& span) {
        if (pen > 1) return WidePolyline(points, pen, span);
        // A polyline through the points: each sets its first pixel, not its last.
        for (std::size_t i = 0; i + 1 < points.size(); ++i)
            span(points[i].y, points[i].x, points[i].x + 1);
    });
}

}  // namespace torven
