// Twips to pixels and back: the one place where the two units meet.
#pragma once

#include <algorithm>
#include <cmath>

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
        double px = std::nearbyint(twips / perPixel_);
        if (std::isnan(px)) return 0;
        return static_cast<int>(std::clamp(px, -kLimit, kLimit));
    }
    float ToTwips(double pixels) const { return static_cast<float>(pixels * perPixel_); }

  private:
    double perPixel_;
};

}  // namespace torven
