// What the readout's font must fit, the same on every desktop.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace torven {

// The widest captions: the time and the date, every digit written as the font's widest.
inline std::u16string WidestCaption(bool date, char16_t widestDigit) {
    const std::u16string d(2, widestDigit);
    const char16_t separator = date ? u'/' : u':';
    return d + separator + d + separator + d;
}

// How wide a caption may be in a label `labelWidth` twips wide. On the smallest face
// that shows the time (1200 twips) the 4 o'clock hour mark starts 624 twips right of
// the time label's left edge; a pixel less keeps the digits off it at every size.
inline double ReadoutWidth(double labelWidth) {
    return std::min(labelWidth, 615.0);
}

}  // namespace torven
