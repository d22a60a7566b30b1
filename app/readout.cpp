#include "readout.h"

#include <algorithm>
#include <string>

namespace torven {

int ReadoutPixelSize(std::span<const Label> labels, const TwipsScale& fontPixels,
                     MeasureText measure) {
    // A font's height is at least its pixel size: start at the tallest label, not to
    // load dozens of sizes that cannot fit.
    int tallest = 1;
    for (const Label& label : labels)
        tallest = std::max(tallest, fontPixels.ToPixels(label.Height));
    for (int pixels = std::min(tallest, 64); pixels > 2; --pixels) {
        char16_t widest = u'0';
        for (char16_t digit = u'1'; digit <= u'9'; ++digit)
            if (measure(pixels, {&digit, 1}).width > measure(pixels, {&widest, 1}).width)
                widest = digit;
        TextExtent most;
        for (const char16_t separator : {u':', u'/'}) {
            const std::u16string d(2, widest);
            const TextExtent e = measure(pixels, d + separator + d + separator + d);
            most = {std::max(most.width, e.width), std::max(most.height, e.height)};
        }
        const bool fits = std::all_of(labels.begin(), labels.end(), [&](const Label& label) {
            return most.width <= fontPixels.ToPixels(std::min(label.Width, 615.0f)) &&
                   most.height <= fontPixels.ToPixels(label.Height);
        });
        if (fits) return pixels;
    }
    return 2;
}

}  // namespace torven
