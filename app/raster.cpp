#include "raster.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace torven {
namespace {

// Hands out single pixels as runs along their rows.
class Runs {
  public:
    explicit Runs(const SpanSink& span) : span_(span) {}
    ~Runs() { Flush(); }
    void Add(int x, int y) {
        if (y == y_ && x == x1_) {
            ++x1_;
        } else if (y == y_ && x == x0_ - 1) {
            --x0_;
        } else {
            Flush();
            y_ = y, x0_ = x, x1_ = x + 1;
        }
    }

  private:
    void Flush() {
        if (x0_ < x1_) span_(y_, x0_, x1_);
        x0_ = x1_ = 0;
    }
    const SpanSink& span_;
    int y_ = 0, x0_ = 0, x1_ = 0;
};

// GDI's octants: 1 is mostly right and down, counting clockwise.
int Octant(int dx, int dy) {
    if (dy > 0) return dx > 0 ? (dx > dy ? 1 : 2) : (-dx > dy ? 4 : 3);
    return dx < 0 ? (-dx > -dy ? 5 : 6) : (dx > -dy ? 8 : 7);
}

int CeilDiv(std::int64_t n, std::int64_t d) {
    if (d < 0) n = -n, d = -d;
    return static_cast<int>(n >= 0 ? (n + d - 1) / d : -(-n / d));
}

using Corners = std::array<Point, 4>;

// GDI's region rule for a polygon with whole-pixel corners.
void FillPolygon(const Corners& corners, const SpanSink& span) {
    const auto [low, high] = std::minmax_element(std::begin(corners), std::end(corners),
                                                 [](Point a, Point b) { return a.y < b.y; });
    for (int y = low->y; y < high->y; ++y) {
        int xs[4], n = 0;
        for (int i = 0; i < 4; ++i) {
            const Point p = corners[i], q = corners[(i + 1) % 4];
            if (p.y == q.y || y < std::min(p.y, q.y) || y >= std::max(p.y, q.y)) continue;
            xs[n++] = CeilDiv(std::int64_t{p.x} * (q.y - p.y) + std::int64_t{y - p.y} * (q.x - p.x),
                              q.y - p.y);
        }
        for (int i = 1; i < n; ++i)  // at most four crossings
            for (int j = i; j > 0 && xs[j - 1] > xs[j]; --j)
                std::swap(xs[j - 1], xs[j]);
        for (int i = 0; i + 1 < n; i += 2)
            if (xs[i] < xs[i + 1]) span(y, xs[i], xs[i + 1]);
    }
}

// The corners GDI gives a segment of a wide pen: a's on the narrow and the wide side,
// then b's on the wide and the narrow; the wide side is on the left of the way.
Corners WideCorners(Point a, Point b, int pen) {
    const int dx = b.x - a.x, dy = b.y - a.y;
    if (dx == 0 || dy == 0) {  // whole rows or columns, the pen's narrower half above or left
        const int low = (dy == 0 ? a.y : a.x) - pen / 2, high = low + pen;
        const int wide = dx > 0 || dy < 0 ? low : high, narrow = low + high - wide;
        if (dy == 0) return {{{a.x, narrow}, {a.x, wide}, {b.x, wide}, {b.x, narrow}}};
        return {{{narrow, a.y}, {wide, a.y}, {wide, b.y}, {narrow, b.y}}};
    }
    // The pen's width across the line, split into a narrow and a wide half.
    const double length = std::hypot(dx, dy);
    const double wx = pen * std::abs(dy) / length, wy = pen * std::abs(dx) / length;
    const auto round = [](double v) { return static_cast<int>(std::floor(v + 0.5)); };
    Point narrow{round(wx / 2), round(wy / 2)}, wide{round((wx + 1) / 2), round((wy + 1) / 2)};
    if (dx < 0) narrow.y = -narrow.y, wide.y = -wide.y;
    if (dy < 0) {
        std::swap(narrow, wide);
        narrow.x = -narrow.x, wide.x = -wide.x;
    }
    return {{{a.x - narrow.x, a.y + narrow.y},
             {a.x + wide.x, a.y - wide.y},
             {b.x + wide.x, b.y - wide.y},
             {b.x - narrow.x, b.y + narrow.y}}};
}

// The first quarter of the ellipse through the pixels of a width x height box, from
// its right end down to its bottom, relative to the box (Zingl's ellipse algorithm).
std::vector<Point> Quadrant(int width, int height) {
    const std::int64_t a = width - 1, b = height - 1;
    const std::int64_t aStep = 8 * a * a, bStep = 8 * b * b;
    std::int64_t dx = 4 * b * b * (1 - a), dy = 4 * a * a * (1 + b % 2);
    std::int64_t err = dx + dy + a * a * (b % 2);
    std::vector<Point> points;
    for (int x = width - 1, y = height / 2; x >= width / 2;) {
        const std::int64_t e2 = 2 * err;
        points.push_back({x, y});
        if (e2 >= dx) --x, dx += bStep, err += dx;
        if (e2 <= dy) ++y, dy += aStep, err += dy;
    }
    return points;
}

// Where the ray from the centre through (x, y), y up, meets the ellipse: an index into
// the four quarters of `count` points each, counter-clockwise from 3 o'clock.
int Intersection(const std::vector<Point>& q, std::int64_t x, std::int64_t y) {
    const int count = static_cast<int>(q.size());
    int i = 0;
    if (y >= 0 && x >= 0) {
        while (i < count && q[i].x * y > q[i].y * x)
            ++i;
        return i;
    }
    if (y >= 0) {
        while (i < count && q[i].x * y >= q[i].y * -x)
            ++i;
        return 2 * count - i;
    }
    if (x >= 0) {
        while (i < count && q[i].x * -y > q[i].y * x)
            ++i;
        return 4 * count - i;
    }
    while (i < count && q[i].x * -y >= q[i].y * -x)
        ++i;
    return 2 * count + i;
}

}  // namespace

void ThinLine(Point a, Point b, const SpanSink& span) {
    const int dx = b.x - a.x, dy = b.y - a.y;
    if (dx == 0 && dy == 0) return;
    const int octant = Octant(dx, dy);
    const int bias = (octant == 1 || octant == 2 || octant == 4 || octant == 7) ? 1 : 0;
    const bool xMajor = std::abs(dx) >= std::abs(dy);
    const int major = xMajor ? std::abs(dx) : std::abs(dy);
    const int minor = xMajor ? std::abs(dy) : std::abs(dx);
    const int sx = dx > 0 ? 1 : -1, sy = dy > 0 ? 1 : -1;
    Runs runs(span);
    int err = 2 * minor - major - bias;
    for (int i = 0, x = a.x, y = a.y; i < major; ++i) {
        runs.Add(x, y);
        const bool step = err >= 0;
        err += step ? 2 * (minor - major) : 2 * minor;
        if (xMajor) {
            x += sx;
            if (step) y += sy;
        } else {
            y += sy;
            if (step) x += sx;
        }
    }
}

void WideLine(Point a, Point b, int pen, const SpanSink& span) {
    FillPolygon(WideCorners(a, b, pen), span);
}

void WidePolyline(const std::vector<Point>& points, int pen, const SpanSink& span) {
    Corners last{};
    for (size_t i = 0; i + 1 < points.size(); ++i) {
        const Corners next = WideCorners(points[i], points[i + 1], pen);
        FillPolygon(next, span);
        if (i > 0) FillPolygon({last[2], last[3], next[0], next[1]}, span);
        last = next;
    }
}

std::vector<Point> ArcPoints(int left, int top, int right, int bottom, Point start, Point end) {
    const int width = right - left, height = bottom - top;
    if (width < 2 || height < 2) return {};
    const std::vector<Point> quarter = Quadrant(width, height);
    const int count = static_cast<int>(quarter.size());
    // The rays' angles are taken about the centre pixel, y up.
    std::vector<Point> centred(quarter);
    for (Point& p : centred)
        p.x -= width / 2, p.y -= height / 2;
    const int cx = left + width / 2, cy = top + height / 2;
    const int first = Intersection(centred, start.x - cx, cy - start.y);
    int last = Intersection(centred, end.x - cx, cy - end.y);
    if (last <= first) last += 4 * count;
    std::vector<Point> points;
    for (int i = first; i < last; ++i) {
        const int j = i % count;
        Point p;
        switch ((i / count) % 4) {
            case 0:
                p = quarter[j];
                break;
            case 1:
                p = {width - 1 - quarter[count - 1 - j].x, quarter[count - 1 - j].y};
                break;
            case 2:
                p = {width - 1 - quarter[j].x, height - 1 - quarter[j].y};
                break;
            default:
                p = {quarter[count - 1 - j].x, height - 1 - quarter[count - 1 - j].y};
                break;
        }
        points.push_back({left + p.x, top + height - 1 - p.y});
    }
    return points;
}

void Ring(int left, int top, int right, int bottom, int pen, const SpanSink& span) {
    const double a = (right - left - 1) / 2.0, b = (bottom - top - 1) / 2.0;
    const double cx = left + a, cy = top + b, half = (pen + 1) / 2.0;
    const double outerA = a + half, outerB = b + half, innerA = a - half, innerB = b - half;
    // Half the width of an ellipse with these semi-axes at height dy from its centre.
    const auto across = [](double semiA, double semiB, double dy) {
        const double t = dy / semiB;
        return semiA * std::sqrt(std::max(0.0, 1 - t * t));
    };
    for (int y = static_cast<int>(std::ceil(cy - outerB)); y <= cy + outerB; ++y) {
        const double dy = y - cy, outer = across(outerA, outerB, dy);
        const int x0 = static_cast<int>(std::ceil(cx - outer));
        const int x1 = static_cast<int>(std::floor(cx + outer)) + 1;
        if (innerA <= 0 || innerB <= 0 || std::abs(dy) > innerB) {
            if (x0 < x1) span(y, x0, x1);
            continue;
        }
        const double inner = across(innerA, innerB, dy);
        const int hole0 = static_cast<int>(std::ceil(cx - inner));
        const int hole1 = static_cast<int>(std::floor(cx + inner)) + 1;
        if (x0 < hole0) span(y, x0, hole0);
        if (hole1 < x1) span(y, hole1, x1);
    }
}

void EllipticRegion(int left, int top, int right, int bottom, const SpanSink& span) {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    --right, --bottom;
    const int width = right - left, height = bottom - top;
    if (width < 2 || height < 2) {
        for (int y = top; y < bottom; ++y)
            if (left < right) span(y, left, right);
        return;
    }
    // The lower half's rows, inset as the ellipse walks from its middle row down.
    std::vector<std::pair<int, int>> rows(height, {0, 0});
    const std::int64_t a = width - 1, b = height - 1;
    const std::int64_t aStep = 8 * a * a, bStep = 8 * b * b;
    std::int64_t dx = 4 * b * b * (1 - a), dy = 4 * a * a * (1 + b % 2);
    std::int64_t err = dx + dy + a * a * (b % 2);
    int x = 0, y = height / 2;
    rows[y] = {left, right};
    while (x <= width / 2) {
        const std::int64_t e2 = 2 * err;
        if (e2 >= dx) ++x, dx += bStep, err += dx;
        if (e2 <= dy) {
            ++y, dy += aStep, err += dy;
            if (y < height) rows[y] = {left + x, right - x};
        }
    }
    for (int i = 0; i < height; ++i) {
        const auto [x0, x1] = rows[i < height / 2 ? b - i : i];
        if (x0 < x1) span(top + i, x0, x1);
    }
}

}  // namespace torven
