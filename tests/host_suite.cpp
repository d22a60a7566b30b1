#include "host_suite.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "form1.h"

namespace torven::testing {

int Shot::Count(Color colour, int x0, int y0, int x1, int y1) const {
    int n = 0;
    for (int y = y0; y < (y1 < 0 ? height : y1); ++y) {
        const auto row = pixels.begin() + y * width;
        n += int(std::count(row + x0, row + (x1 < 0 ? width : x1), colour));
    }
    return n;
}

namespace {

constexpr Color kWhite = 0xFFFFFF;

// A window of 100 x 100 pixels (1500 twips), shown, filled white.
struct Canvas {
    Canvas() { Prepare(*host, events); }
    static void Prepare(Host& host, RecordingEvents& events) {
        host.Attach(events);
        host.Runtime().SetWidth(1500);
        host.Runtime().SetHeight(1500);
        host.Show();
        host.Runtime().Fill(kWhite);
    }
    std::unique_ptr<Host> host = MakeHost();
    FormsRuntime& rt = host->Runtime();
    RecordingEvents events;
};

TEST(Host, ASizeChangeRaisesResizeOnceBeforeTheSetterReturns) {
    Canvas c;
    float seen = 0;
    c.events.onResize = [&] { seen = c.rt.Width(); };
    c.rt.SetWidth(3000);
    c.rt.SetWidth(3000);
    c.rt.SetHeight(1500);  // the height it has
    c.rt.SetLeft(300);
    c.rt.SetTop(450);
    EXPECT_EQ(std::tuple(c.events.resizes, seen, c.rt.Left(), c.rt.Top()),
              std::tuple(3, 3000.0f, 300.0f, 450.0f));
    c.rt.SetHeight(1000);  // 66.67 pixels: the window takes whole ones
    EXPECT_EQ(std::pair(c.events.resizes, c.rt.Height()), std::pair(4, 1005.0f));
    c.rt.SetWidth(80000);  // the largest size the menu reaches: at most kMaxSidePixels a side
    EXPECT_EQ(c.rt.Width(), kMaxSidePixels * 15.0f);
}

TEST(Host, LabelsPaintInsideTheirRectanglesAndLeaveNothingWhenMovedOrHidden) {
    Canvas c;
    Label& label = c.events.labels[1];
    label = {300, 600, 675, 195, "00", 0, true};  // 20,40 pixels; 45 x 13
    c.rt.LabelChanged(1);
    Shot shot = c.host->Take();
    const int ink = 100 * 100 - shot.Count(kWhite);
    EXPECT_GT(ink, 10);
    EXPECT_EQ(45 * 13 - shot.Count(kWhite, 20, 40, 65, 53), ink);
    label.Left = 750;
    c.rt.LabelChanged(1);
    shot = c.host->Take();
    EXPECT_EQ(50 * 13 - shot.Count(kWhite, 50, 40, 100, 53), ink);
    EXPECT_EQ(shot.Count(kWhite, 0, 0, 50, 100), 50 * 100);
    label.Visible = false;
    c.rt.LabelChanged(1);
    EXPECT_EQ(c.host->Take().Count(kWhite), 100 * 100);
}

TEST(Host, TheSettingsStoreKeepsTextsAndReportsARefusedWrite) {
    std::unique_ptr<Host> host = MakeHost();
    FormsRuntime& rt = host->Runtime();
    const std::vector<SettingText> values = {
        {"Top", "-500"},  {"Size", "1333.3334"}, {"Anadigi", "True"}, {"Odd", "1, 5"},
        {"Kana", "時計"}, {"Spaces", " x "},     {"Empty", ""},       {"Marks", "@a\"\\\t1=;"}};
    for (const auto& [key, text] : values)
        EXPECT_EQ(rt.GetSetting("TORVEN", "Startup", key, "none"), "none") << key;
    EXPECT_TRUE(rt.SaveSettings("TORVEN", "Startup", values));
    for (const auto& [key, text] : values)
        EXPECT_EQ(rt.GetSetting("TORVEN", "Startup", key, "none"), text) << key;
    EXPECT_EQ(rt.GetSetting("Other", "Startup", "Top", "none"), "none");
    host->BlockStore();
    EXPECT_FALSE(rt.SaveSettings("TORVEN", "Startup", values));
}

// After a run of seconds, or a jump of the wall clock (forward, back, or into the hour
// daylight saving repeats), the face is a fresh start's: no hand's ink survives its erasing.
TEST(Host, AfterSecondsOrAJumpTheFaceIsThatOfAFreshStart) {
    const auto face = [](const std::vector<int>& times) {  // hour * 3600 + seconds
        std::unique_ptr<Host> host = MakeHost();
        Form1 form(host->Runtime());
        host->Attach(form);
        for (std::size_t i = 0; i < times.size(); ++i) {
            const int t = times[i];
            host->now = {2026, 12, 6, t / 3600, t / 60 % 60, t % 60};
            i ? form.Timer() : form.Load();
        }
        return host->Take().pixels;
    };
    std::vector<int> run;  // 10:20:31 to 10:21:40: the minute hand clear of 12 and 6,
    for (int t = 37231; t <= 37300; ++t)  // where the clock skips an erase on purpose
        run.push_back(t);
    EXPECT_EQ(face(run), face({run.back()}));
    for (const int to : {15 * 3600 + 45 * 60 + 10, 20 * 60 + 31, 3600}) {
        run = {7190, 7191, 7192, 7193, 7194, 7195, 7196, 7197, 7198, 7199, to, to + 1};
        EXPECT_EQ(face(run), face({to, to + 1})) << to;
    }
}

// Scenes every host draws on the same pixels: the clock at three sizes, readout off, and
// stars of lines, circles, arcs and boxes. tests/pixels/ holds the Windows build's, as PBMs
// of the pixels not white; TORVEN_PIXELS_OUT names a folder for a host's own (Wine: Z:/...).
template <int kPen>
void Star(FormsRuntime& rt) {  // from the centre of a 100-pixel square, every 15 degrees
    for (int i = 0; i < 24; ++i) {
        const double a = i * 3.14159265358979 / 12;
        rt.Line({750, 752}, {int(751 + 680 * std::cos(a)), int(748 - 680 * std::sin(a))}, 0, kPen);
    }
}
void WideArcs(FormsRuntime& rt) {  // the highlight arc's pen on a screen of ratio 2
    for (float start : {0.2f, 1.8f, 3.5f, 5.0f})
        rt.Circle({750, 750}, 540, 0, 2, ArcSpan{start, start + 1.1f});
    for (float start : {0.7f, 2.9f, 4.4f})
        rt.Circle({750, 750}, 300, 0, 2, ArcSpan{start, start + 1.4f});
    rt.Circle({750, 750}, 660, 0, 2, ArcSpan{1.0f, 5.2f});
}
void Shapes(FormsRuntime& rt) {
    rt.Circle({750, 760}, 705, 0, 9, std::nullopt);  // rings of odd and even pixel radii
    rt.Circle({745, 750}, 300, 0, 9, std::nullopt);
    rt.Circle({750, 750}, 600, 0, 1, std::nullopt);
    rt.Circle({760, 740}, 457, 0, 1, std::nullopt);
    for (float start : {0.2f, 1.8f, 3.5f, 5.0f})
        rt.Circle({750, 750}, 540, 0, 1, ArcSpan{start, start + 1.1f});
    rt.Box({300, 310}, {600, 598}, 0, 1);
    rt.Box({910, 905}, {1000, 1190}, 0, 1);
}

std::string Pbm(const Shot& shot) {
    std::string out =
        "P4\n" + std::to_string(shot.width) + " " + std::to_string(shot.height) + "\n";
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; x += 8) {
            unsigned char bits = 0;
            for (int i = 0; i < 8 && x + i < shot.width; ++i)
                bits |= shot.pixels[y * shot.width + x + i] != kWhite ? 0x80 >> i : 0;
            out += static_cast<char>(bits);
        }
    return out;
}

TEST(Host, DrawsTheScenesOnTheReferencePixels) {
    const std::pair<std::string, void (*)(FormsRuntime&)> scenes[] = {
        {"face1600", nullptr}, {"face3210", nullptr}, {"face405", nullptr}, {"lines1", Star<1>},
        {"lines2", Star<2>},   {"lines5", Star<5>},   {"shapes", Shapes},   {"arcs2", WideArcs}};
    for (const auto& [name, draw] : scenes) {
        std::unique_ptr<Host> host = MakeHost();
        Form1 form(host->Runtime());
        RecordingEvents events;
        if (draw) {
            Canvas::Prepare(*host, events), draw(host->Runtime());
        } else {  // the clock of that side in twips, its readout off
            const std::vector<SettingText> stored{{"Size", name.substr(4)}, {"Anadigi", "False"}};
            host->Runtime().SaveSettings("TORVEN", "Startup", stored);
            host->Attach(form);
            host->now = {2026, 12, 6, 10, 8, 30};
            form.Load();
        }
        const std::string drawn = Pbm(host->Take());
        if (const char* out = std::getenv("TORVEN_PIXELS_OUT"))
            std::ofstream(out + ("/" + name) + ".pbm", std::ios::binary) << drawn;
        std::ifstream file(TORVEN_PIXELS "/" + name + ".pbm", std::ios::binary);
        EXPECT_TRUE(drawn == std::string(std::istreambuf_iterator<char>(file), {})) << name;
    }
}

}  // namespace
}  // namespace torven::testing
