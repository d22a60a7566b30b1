// The face's image: the pixels every desktop shows, and what the host is told to show.
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "test_runtime.h"

// A failed allocation throws, as it does without the sanitizer: for the face too large
// for the memory.
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1";
}

namespace torven::testing {
namespace {

constexpr Color kInk = 0;

// The pixels that are not white, or lie outside `shape` when one is given, as a PBM.
std::string Pbm(const Image& image, const Module1::RECT* shape = nullptr) {
    const int w = image.Width(), h = image.Height();
    std::vector<bool> inside(static_cast<std::size_t>(w) * h, shape == nullptr);
    if (shape)
        EllipticRegion(
            shape->Left, shape->Top, shape->Right, shape->Bottom, [&](int y, int x0, int x1) {
                for (int x = std::max(x0, 0); x < std::min(x1, w) && y >= 0 && y < h; ++x)
                    inside[y * w + x] = true;
            });
    std::string out = "P4\n" + std::to_string(w) + " " + std::to_string(h) + "\n";
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; x += 8) {
            unsigned char bits = 0;
            for (int i = 0; i < 8 && x + i < w; ++i)
                bits |= !inside[y * w + x + i] || At(image, x + i, y) != kWhite ? 0x80 >> i : 0;
            out += static_cast<char>(bits);
        }
    return out;
}

// From the centre of a 100-pixel square, every 15 degrees.
template <int kPen>
void Star(Image& image) {
    for (int i = 0; i < 24; ++i) {
        const double a = i * 3.14159265358979 / 12;
        image.Line({750, 752}, {int(751 + 680 * std::cos(a)), int(748 - 680 * std::sin(a))}, kInk,
                   kPen);
    }
}
void WideArcs(Image& image) {  // the highlight arc's pen on a screen of ratio 2
    for (float start : {0.2f, 1.8f, 3.5f, 5.0f})
        image.Circle({750, 750}, 540, kInk, 2, ArcSpan{start, start + 1.1f});
    for (float start : {0.7f, 2.9f, 4.4f})
        image.Circle({750, 750}, 300, kInk, 2, ArcSpan{start, start + 1.4f});
    image.Circle({750, 750}, 660, kInk, 2, ArcSpan{1.0f, 5.2f});
}
void Shapes(Image& image) {
    image.Circle({750, 760}, 705, kInk, 9, std::nullopt);  // rings of odd and even radii
    image.Circle({745, 750}, 300, kInk, 9, std::nullopt);
    image.Circle({750, 750}, 600, kInk, 1, std::nullopt);
    image.Circle({760, 740}, 457, kInk, 1, std::nullopt);
    for (float start : {0.2f, 1.8f, 3.5f, 5.0f})
        image.Circle({750, 750}, 540, kInk, 1, ArcSpan{start, start + 1.1f});
    image.Box({300, 310}, {600, 598}, kInk, 1);
    image.Box({910, 905}, {1000, 1190}, kInk, 1);
}

// A time of day in seconds, and the face's pixels.
DateTime T(int t) {
    return {2026, 12, 6, t / 3600, t / 60 % 60, t % 60};
}
std::vector<std::uint32_t> Pixels(const Clock& c) {
    const Image& face = c.form.Face();
    return {face.Pixels(), face.Pixels() + face.Width() * face.Height()};
}

// The Windows build's pixels, kept in tests/pixels/ as PBMs: the clock at three sizes with
// its readout off, and stars of lines, circles, arcs and boxes on a 100-pixel square.
TEST(Pixels, TheFaceAndItsShapesAreTheReferencePixels) {
    const std::pair<std::string, void (*)(Image&)> scenes[] = {
        {"face1600", nullptr}, {"face3210", nullptr}, {"face405", nullptr}, {"lines1", Star<1>},
        {"lines2", Star<2>},   {"lines5", Star<5>},   {"shapes", Shapes},   {"arcs2", WideArcs}};
    for (const auto& [name, draw] : scenes) {
        std::string drawn;
        if (draw) {
            Image image;
            image.Resize(100, 100, 96);
            draw(image);
            drawn = Pbm(image);
        } else {  // with the window's shape
            const Clock c({{"Size", name.substr(4)}, {"Anadigi", "False"}}, T(36510), 15);
            drawn = Pbm(c.form.Face(), &c.rt.shape);
        }
        if (const char* out = std::getenv("TORVEN_PIXELS_OUT"))
            std::ofstream(out + ("/" + name) + ".pbm", std::ios::binary) << drawn;
        std::ifstream file(TORVEN_PIXELS "/" + name + ".pbm", std::ios::binary);
        EXPECT_TRUE(drawn == std::string(std::istreambuf_iterator<char>(file), {})) << name;
    }
}

// Outside the window's shape the face is transparent, at either pixel ratio: there a desktop
// that shows a window's every pixel shows what lies behind the clock.
TEST(Pixels, OutsideTheWindowsShapeTheFaceIsTransparent) {
    for (const int ratio : {1, 2}) {
        const Clock c({}, T(36510), 15, 96.0 * ratio);
        const Image& face = c.form.Face();
        std::vector<std::pair<int, int>> rows(108);  // the shape's, in the window's pixels
        const Module1::RECT& shape = c.rt.shape;
        EllipticRegion(shape.Left, shape.Top, shape.Right, shape.Bottom,
                       [&](int y, int x0, int x1) {
                           rows.at(y) = {x0, x1};
                       });
        int wrong = 0;
        for (int y = 0; y < face.Height(); ++y)
            for (int x = 0; x < face.Width(); ++x) {
                const auto [x0, x1] = rows[y / ratio];
                const std::uint32_t p = face.Pixels()[y * face.Width() + x];
                wrong += x / ratio >= x0 && x / ratio < x1 ? p >> 24 != 0xFF : p != 0;
            }
        EXPECT_EQ(std::tuple(face.Width(), shape.Bottom, wrong), std::tuple(107 * ratio, 109, 0));
    }
}

// After a run of seconds, or a jump of the wall clock (forward, back, or into the hour
// daylight saving repeats), the face is a fresh start's: no hand's ink survives its erasing,
// but for a second near twelve and six, where the clock skips an erase on purpose.
TEST(Pixels, AfterSecondsOrAJumpTheFaceIsThatOfAFreshStart) {
    const auto face = [](const std::vector<int>& times, const char* size = "1600") {
        Clock c({{"Size", size}}, T(times.front()), 15);
        for (const int t : times)
            c.rt.now = T(t), c.form.Timer();
        return Pixels(c);
    };
    std::vector<int> run;  // 10:20:31 to 10:21:40: the minute hand clear of 12 and 6,
    for (int t = 37231; t <= 37300; ++t)  // where the clock skips an erase on purpose
        run.push_back(t);
    EXPECT_EQ(face(run), face({run.back()}));
    for (const int to : {15 * 3600 + 45 * 60 + 10, 20 * 60 + 31, 3600}) {
        run = {7190, 7191, 7192, 7193, 7194, 7195, 7196, 7197, 7198, 7199, to, to + 1};
        EXPECT_EQ(face(run), face({to, to + 1})) << to;
    }
    // Past twelve, where the minute hand's erase is skipped a second and caught up after.
    run.clear();
    for (int t = 4 * 3600 + 59 * 60 + 55; t <= 5 * 3600 + 20; ++t)
        run.push_back(t);
    EXPECT_EQ(face(run, "2360"), face({run.back()}, "2360"));
}

// Each event tells the host every pixel and label that changed, and little else.
TEST(Pixels, TheHostIsShownWhatChanged) {
    Clock c({{"Size", "1800"}}, {2026, 12, 6, 13, 59, 58}, 15);  // 120 pixels, both lines
    const auto inShown = [&](int x, int y) {
        return std::any_of(c.rt.shown.begin(), c.rt.shown.end(), [&](const PixelRect& r) {
            return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
        });
    };
    for (const auto& [second, shows] : {std::pair(59, true), {60, true}, {60, false}, {61, true}}) {
        const std::vector<std::uint32_t> before = Pixels(c);
        const std::array<Label, 2> labels{c.form.Labels()[0], c.form.Labels()[1]};
        c.rt.shown.clear();
        c.rt.now = T(13 * 3600 + 59 * 60 + second), c.form.Timer();
        const std::vector<std::uint32_t> after = Pixels(c);
        int area = 0, unshown = 0;
        for (const PixelRect& r : c.rt.shown)
            area += (r.right - r.left) * (r.bottom - r.top);
        for (int i = 0; i < 120 * 120; ++i)
            unshown += before[i] != after[i] && !inShown(i % 120, i / 120);
        for (int i = 0; i < 2; ++i) {
            const Label& now = c.form.Labels()[i];
            const PixelRect r = c.form.Face().ToPixels(now.Left, now.Top, now.Width, now.Height);
            if (now.Caption != labels[i].Caption)
                unshown += !inShown(r.left, r.top) || !inShown(r.right - 1, r.bottom - 1);
        }
        EXPECT_EQ(unshown, 0) << second;
        EXPECT_TRUE(shows ? area > 0 && area < 120 * 120 * 3 / 10 : area == 0) << area;
    }
}

// A desktop that counts several device pixels to one of its own shows again each of its
// pixels that a changed device pixel falls in.
TEST(Pixels, ADesktopShowsAgainEachOfItsPixelsThatAChangeTouches) {
    EXPECT_EQ(Covering({5, 3, 9, 8}, 2), (PixelRect{2, 1, 5, 4}));
    EXPECT_EQ(Covering({4, 2, 8, 6}, 2), (PixelRect{2, 1, 4, 3}));
    EXPECT_EQ(Covering({3, 0, 4, 1}, 1.5), (PixelRect{2, 0, 3, 1}));
    EXPECT_EQ(Covering({7, 7, 8, 9}, 1), (PixelRect{7, 7, 8, 9}));
}

TEST(Pixels, AFaceTooLargeForTheMemoryStaysBlankWithOneLine) {
    Clock c({}, T(36510), 15, 96 * 16384.0);
    c.rt.now = T(36511), c.form.Timer();
    c.form.Resize();
    EXPECT_TRUE(c.form.Face().Blank());
    EXPECT_EQ(c.rt.Find("warn"), Texts{"warn TORVEN: no memory for an image of 1720320 x 1720320 "
                                       "pixels; the face stays blank"});
}

}  // namespace
}  // namespace torven::testing
