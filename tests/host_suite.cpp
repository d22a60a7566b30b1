#include "host_suite.h"

#include <algorithm>

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

// A window of 100 x 100 pixels (1500 twips), shown, its image white.
struct Canvas {
    Canvas() {
        host->Attach(events), events.rt = &rt, rt.SetWidth(1500), rt.SetHeight(1500), host->Show();
    }
    std::unique_ptr<Host> host = MakeHost();
    FormsRuntime& rt = host->Runtime();
    RecordingEvents events;
};

TEST(Host, ASizeChangeRaisesResizeOnceBeforeTheSetterReturns) {
    Canvas c;
    float seen = 0;
    c.events.onResize = [&] { seen = c.rt.Width(); };
    c.rt.SetWidth(3000), c.rt.SetWidth(3000), c.rt.SetHeight(1500);  // the height it has
    c.rt.SetLeft(300), c.rt.SetTop(450);
    EXPECT_EQ(std::tuple(c.events.resizes, seen, c.rt.Left(), c.rt.Top(), c.rt.ClientArea()),
              std::tuple(3, 3000.0f, 300.0f, 450.0f, DeviceArea{200, 100, 96}));
    c.rt.SetHeight(1000);  // 66.67 pixels: the window takes whole ones
    EXPECT_EQ(std::pair(c.events.resizes, c.rt.Height()), std::pair(4, 1005.0f));
    c.rt.SetWidth(80000);  // the largest size the menu reaches: at most kMaxSidePixels a side
    EXPECT_EQ(c.rt.Width(), kMaxSidePixels * 15.0f);
}

TEST(Host, LabelsPaintInsideTheirRectanglesAndLeaveNothingWhenMovedOrHidden) {
    Canvas c;
    Label& label = c.events.labels[1];
    label = {300, 600, 675, 195, "00", 0, true};  // 20,40 pixels; 45 x 13
    c.events.Show(&label);
    Shot shot = c.host->Take();
    const int ink = 100 * 100 - shot.Count(kWhite);
    EXPECT_GT(ink, 10);
    EXPECT_EQ(45 * 13 - shot.Count(kWhite, 20, 40, 65, 53), ink);
    c.events.Show(&label);  // where it was
    label.Left = 750;
    c.events.Show(&label);
    shot = c.host->Take();
    EXPECT_EQ(50 * 13 - shot.Count(kWhite, 50, 40, 100, 53), ink);
    EXPECT_EQ(shot.Count(kWhite, 0, 0, 50, 100), 50 * 100);
    label.Visible = false;
    c.events.Show(&label);
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

// The window shows the form's image pixel for pixel within its shape, the ellipse in the client
// area moved a pixel right and down (on Windows GDI's own region), and nothing outside it: the
// clock at three sizes, its readout off.
TEST(Host, ShowsTheFacesImageInItsShapeAsItIs) {
    for (const std::string side : {"405", "1600", "3210"}) {
        std::unique_ptr<Host> host = MakeHost();
        Form1 form(host->Runtime());
        host->Runtime().SaveSettings("TORVEN", "Startup", {{{"Size", side}, {"Anadigi", "False"}}});
        host->Attach(form);
        host->now = {2026, 12, 6, 10, 8, 30};
        form.Load();
        const Image& face = form.Face();
        const int w = face.Width(), h = face.Height();
        std::vector<Color> image(static_cast<std::size_t>(w) * h, -1);  // -1: not shown
        EllipticRegion(1, 1, w + 1, h + 2, [&](int y, int x0, int x1) {
            for (int x = x0; x < std::min(x1, w) && y < h; ++x)
                image[y * w + x] = At(face, x, y);
        });
        EXPECT_TRUE(host->Take().pixels == image) << side;
    }
}

}  // namespace
}  // namespace torven::testing
