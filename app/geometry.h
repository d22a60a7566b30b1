// The face's numbers: where the centre, the readout, the marks and the hands stand.
// Pure functions of the window's size, the dial and a position; the drawing code calls
// them and draws what they give. Twips, y downwards; dial positions are minute marks
// (a sixtieth of the dial, 0 at twelve, growing clockwise).
#pragma once

#include <array>
#include <cstdint>

#include "forms_runtime.h"

namespace torven {

using Stroke = std::array<Point, 2>;  // a line's ends, or a box's corners

struct Dial {
    std::int32_t centerX = 0;
    std::int32_t centerY = 0;
    std::int32_t radius = 0;
    double PI = 0;  // the clock's own value of pi

    // The end of a hand `length` radii long at `position`.
    Point HandEnd(float position, double length) const;
    // The minute test's measure: the x offset of a `factor`-radius hand at `position`.
    std::int32_t HandReach(float position, double factor) const;
    // Mark `markIndex` counts counter-clockwise from six o'clock: the hour-mark box
    // centred on the radius, and the minute-mark stroke from 0.98 to 1.01 radii.
    Stroke HourMark(float markIndex, std::int32_t halfSize) const;
    Stroke MinuteMark(float markIndex) const;
};

// The dial of a window of the given outer size: centre up and left of the middle,
// the radius 150 twips inside the nearer edge.
Dial FaceDial(float width, float height, double PI);

// Where the readout's lines stand on a dial (their top-left corners): the time, and the
// date 160 twips above it and 50 further left.
struct LabelPlace {
    float left = 0;
    float top = 0;
    bool operator==(const LabelPlace&) const = default;
};
LabelPlace TimeLabelPlace(const Dial& dial);
LabelPlace DateLabelPlace(const Dial& dial);

}  // namespace torven
