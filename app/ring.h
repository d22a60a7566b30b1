// The pixels of a ring: an ellipse outline drawn with a pen wider than a pixel.
//
// Both desktops fill these same rows, so the clock's frame ring is the same on each.
// A pixel belongs to the ring when its centre lies within (pen + 1) / 2 pixels of the
// ellipse inscribed in the box, measured along the ellipse's axes: the closest match
// to the ring the Windows build drew with a 9-pixel GDI pen, without the jags that
// pen left where its many short segments met.
#pragma once

#include <algorithm>
#include <cmath>

namespace torven {

// Calls span(y, x0, x1) for each run of ring pixels [x0, x1) in row y, for the ellipse
// through the pixels of the box [left, right) x [top, bottom).
template <typename Span>
void ForEachRingSpan(int left, int top, int right, int bottom, int pen, Span span) {
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

}  // namespace torven
