// Twips to pixels and back: the one place where the two units meet.
#pragma once

#include <algorithm>

#include "conversions.h"

namespace torven {

inline constexpr double kTwipsPerInch = 1440.0;

class TwipsScale {
  public:
    // 15 twips a pixel at 96 DPI.
    explicit constexpr TwipsScale(double twipsPerPixel = 15.0) : perPixel_(twipsPerPixel) {}
    static TwipsScale ForDpi(double dpi) { return TwipsScale(kTwipsPerInch / dpi); }

    constexpr double TwipsPerPixel() const { return perPixel_; }

    // Nearest whole pixel, halves to even. Saturates far beyond any screen, so a wild
    // stored position cannot overflow the window system's integers.
    int ToPixels(double twips) const {
        constexpr double kLimit = 1 << 24;
        return CInt(std::clamp(twips / perPixel_, -kLimit, kLimit));
    }
    float ToTwips(double pixels) const { return static_cast<float>(pixels * perPixel_); }

  private:
    double perPixel_;
};

}  // namespace torven
