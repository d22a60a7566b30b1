// Scenes that both desktops draw and compare with the pixels in tests/pixels/, which
// the Windows build's tests write (GDI under Wine is the reference): a scene's file
// is a PBM whose set bits are the pixels that are not the white background.
#pragma once

#include <bit>
#include <cmath>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "forms_runtime.h"

namespace torven::testing {

struct Scene {
    const char* name;
    int twips;  // the window's width and height
    void (*draw)(FormsRuntime&);
};

// A star of lines from the centre of a 100-pixel square, every 15 degrees.
template <int kPen>
void Star(FormsRuntime& rt) {
    for (int i = 0; i < 24; ++i) {
        const double a = i * 3.14159265358979 / 12;
        rt.Line({750, 752}, {int(751 + 680 * std::cos(a)), int(748 - 680 * std::sin(a))}, 0, kPen);
    }
}

inline void Shapes(FormsRuntime& rt) {
    rt.Circle({750, 760}, 705, 0, 9, std::nullopt);  // a ring, odd and even pixel radii
    rt.Circle({745, 750}, 300, 0, 9, std::nullopt);
    rt.Circle({750, 750}, 600, 0, 1, std::nullopt);
    rt.Circle({760, 740}, 457, 0, 1, std::nullopt);
    for (float start : {0.2f, 1.8f, 3.5f, 5.0f})
        rt.Circle({750, 750}, 540, 0, 1, ArcSpan{start, start + 1.1f, 1.0f});
    rt.Circle({750, 750}, 380, 0, 1, ArcSpan{5.5f, 0.4f, 1.0f});  // across 3 o'clock
    rt.Box({300, 310}, {600, 598}, 0, 1);
    rt.Box({910, 905}, {1000, 1190}, 0, 1);
}

// The face scenes run the real clock at 10:08:30 with these window sizes.
inline constexpr DateTime kFaceTime{2026, 12, 6, 10, 8, 30};
inline constexpr Scene kScenes[] = {{"face1600", 1600, nullptr}, {"face3210", 3210, nullptr},
                                    {"face405", 405, nullptr},   {"lines1", 1500, Star<1>},
                                    {"lines2", 1500, Star<2>},   {"lines5", 1500, Star<5>},
                                    {"shapes", 1500, Shapes}};

inline std::string Pbm(int width, int height, const std::function<bool(int, int)>& ink) {
    std::string out = "P4\n" + std::to_string(width) + " " + std::to_string(height) + "\n";
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; x += 8) {
            unsigned char bits = 0;
            for (int i = 0; i < 8 && x + i < width; ++i)
                bits |= ink(x + i, y) ? 0x80 >> i : 0;
            out += static_cast<char>(bits);
        }
    }
    return out;
}

// How many pixels two PBMs of the same size differ in; -1 when their sizes differ.
inline int DifferingPixels(const std::string& a, const std::string& b) {
    if (a.size() != b.size() || a.substr(0, a.find('\n', 3)) != b.substr(0, b.find('\n', 3)))
        return -1;
    int n = 0;
    for (size_t i = 0; i < a.size(); ++i)
        n += std::popcount(static_cast<unsigned char>(a[i] ^ b[i]));
    return n;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void WriteFile(const std::string& path, const std::string& data) {
    std::ofstream(path, std::ios::binary) << data;
}

}  // namespace torven::testing
