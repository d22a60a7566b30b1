// The pixels the Windows build's GDI sets for lines and arcs, so that the Linux clock
// draws its face on exactly the same pixels. Worked out by drawing with GDI under Wine
// and reading the pixels back; QPainter's own rasterizers differ at almost every edge.
// Coordinates are device pixels; every function hands out runs [x0, x1) of one row y.
#pragma once

#include <type_traits>
#include <vector>

#include "forms_runtime.h"

namespace torven::qt {

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
void GdiThinLine(Point a, Point b, const SpanSink& span);

// A line of a wide pen with flat ends: the four-cornered polygon GDI makes of it
// (corners rounded to whole pixels), filled with GDI's region rule (pixels whose
// top-left corner is inside, or on a left or top edge).
void GdiWideLine(Point a, Point b, int pen, const SpanSink& span);

// A polyline of a wide pen through points, no two in a row the same: its segments as
// above, and where two meet, the polygon of the first's end and the second's start
// corners. The Windows build's pen joins with a miter, which at the small turns of an
// arc covers the pixels of this bevel.
void GdiWidePolyline(const std::vector<Point>& points, int pen, const SpanSink& span);

// The points GDI's Arc walks for the ellipse in the box [left, right) x [top, bottom),
// counter-clockwise from the ray through `start` to the ray through `end` (the whole
// ellipse when they are the same). A one-pixel pen sets every point followed by a
// different one.
std::vector<Point> GdiArcPoints(int left, int top, int right, int bottom, Point start, Point end);

// The rows of GDI's elliptic region bounded by the box: Zingl's ellipse again, less
// the box's last column and row.
void GdiEllipticRegion(int left, int top, int right, int bottom, const SpanSink& span);

}  // namespace torven::qt
