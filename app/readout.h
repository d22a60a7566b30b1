// The readout's font: the same search on every desktop, in the desktop's own font.
#pragma once

#include <span>
#include <string_view>

#include "forms_runtime.h"

namespace torven {

// A text's advance and its line's height, in the font's pixels.
struct TextExtent {
    int width = 0;
    int height = 0;
};
// Measures a text in the desktop's font at a pixel size.
using MeasureText = FunctionRef<TextExtent(int pixelSize, std::u16string_view text)>;

// The largest pixel size, from the tallest label's height (at most 64) down to 2, at which
// the widest time and date ("00:00:00" and "00/00/00" in the font's widest digit) fit every
// label. They must stay off the 4 o'clock hour mark too: on the smallest face that shows
// the time (1200 twips) it starts 624 twips right of the time label's left edge, so the
// room is at most 615 twips wide. `fontPixels` converts twips to the font's pixels.
int ReadoutPixelSize(std::span<const Label> labels, const TwipsScale& fontPixels,
                     MeasureText measure);

}  // namespace torven
