#include "geometry.h"

#include <cmath>

#include "conversions.h"

namespace torven {

namespace {

// Angle of dial position p: 0 points up, since y grows downwards.
double HandAngle(float position, double PI) {
    return (position + 45.0f) * (PI / 30.0);
}

// Mark m stands at the angle (15 - m) of the same dial: position 0 is straight down.
double MarkAngle(float markIndex, double PI) {
    return (15.0f - markIndex) * (PI / 30.0);
}

}  // namespace

Point Dial::HandEnd(float position, double length) const {
    const double theta = HandAngle(position, PI);
    return {CInt(centerX + (radius * length) * std::cos(theta)),
            CInt(centerY + (radius * length) * std::sin(theta))};
}

std::int32_t Dial::HandReach(float position, double factor) const {
    return CInt((radius * factor) * std::cos(HandAngle(position, PI)));
}

Stroke Dial::HourMark(float markIndex, std::int32_t halfSize) const {
    const double a = MarkAngle(markIndex, PI);
    const double x = centerX + radius * std::cos(a);
    const double y = centerY + radius * std::sin(a);
    return {{{CInt(x - halfSize), CInt(y - halfSize)}, {CInt(x + halfSize), CInt(y + halfSize)}}};
}

Stroke Dial::MinuteMark(float markIndex) const {
    const double a = MarkAngle(markIndex, PI);
    const auto at = [&](double factor) {
        return Point{CInt(centerX + (radius * factor) * std::cos(a)),
                     CInt(centerY + (radius * factor) * std::sin(a))};
    };
    return {at(0.98), at(1.01)};
}

Dial FaceDial(float width, float height, double PI) {
    const std::int32_t x = CInt(width / 2.0f - 30.0f);
    const std::int32_t y = CInt(height / 2.0f - 20.0f);
    return {x, y, (x < y ? x : y) - 150, PI};
}

LabelPlace TimeLabelPlace(const Dial& dial) {
    return {static_cast<float>(dial.centerX - 300), static_cast<float>(dial.centerY * 1.25)};
}

LabelPlace DateLabelPlace(const Dial& dial) {
    return {static_cast<float>(dial.centerX - 350), static_cast<float>(dial.centerY * 1.25 - 160)};
}

}  // namespace torven
