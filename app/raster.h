// The pixels of the face's lines, boxes, arcs and rings, and of the window's elliptic
// shape: the ones the Windows build's GDI set when it drew the clock, worked out by
// drawing with GDI and reading the pixels back. Every desktop shows these same pixels.
// Coordinates are device pixels, y downwards; every function hands out runs [x0, x1)
// of one row y.
#pragma once

#include <cstdint>
#include <type_traits>
#include <vector>

namespace torven {

struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool operator==(const Point&) const = default;
};

// A callable passed down, not kept: unlike std::function, making one allocates nothing
// (the clock draws a few dozen shapes a second, each in runs of a few pixels).
template <typename Signature>
class FunctionRef;
template <typename R, typename... Args>
class FunctionRef<R(Args...)> {
  public:
    template <typename F>
    requires(!std::is_same_v<std::remove_cvref_t<F>, FunctionRef> &&
             std::is_invocable_r_v<R, const F&, Args...>)
        FunctionRef(const F& f)  // NOLINT: converts like std::function
        : object_(&f), call_([](const void* o, Args... args) -> R {
              return (*static_cast<const F*>(o))(args...);
          }) {}
    R operator()(Args... args) const { return call_(object_, args...); }

  private:
    const void* object_;
    R (*call_)(const void*, Args...);
};

using SpanSink = FunctionRef<void(int y, int x0, int x1)>;

// A one-pixel line from a towards b, b itself excluded, as GDI's LineTo draws it: a
// Bresenham line whose ties go the way GDI's do in each octant.
void ThinLine(Point a, Point b, const SpanSink& span);

// A line of a wide pen with flat ends: the four-cornered polygon GDI makes of it
// (corners rounded to whole pixels), filled with GDI's region rule (pixels whose
// top-left corner is inside, or on a left or top edge).
void WideLine(Point a, Point b, int pen, const SpanSink& span);

// A polyline of a wide pen through points, no two in a row the same: its segments as
// above, and where two meet, the polygon of the first's end and the second's start
// corners (a mitred join covers those pixels at the small turns of an arc).
void WidePolyline(const std::vector<Point>& points, int pen, const SpanSink& span);

// The points GDI's Arc walks for the ellipse in the box [left, right) x [top, bottom),
// counter-clockwise from the ray through `start` to the ray through `end` (the whole
// ellipse when they are the same). A one-pixel pen sets every point followed by a
// different one.
std::vector<Point> ArcPoints(int left, int top, int right, int bottom, Point start, Point end);

// A ring: the ellipse inscribed in the box drawn with a pen wider than a pixel. A pixel
// belongs to it when its centre lies within (pen + 1) / 2 pixels of the ellipse,
// measured along the ellipse's axes: the closest match to the ring GDI drew with a
// 9-pixel pen, without the jags its many short segments left where they met.
void Ring(int left, int top, int right, int bottom, int pen, const SpanSink& span);

// The rows of GDI's elliptic region bounded by the box: Zingl's ellipse again, less
// the box's last column and row.
void EllipticRegion(int left, int top, int right, int bottom, const SpanSink& span);

}  // namespace torven
