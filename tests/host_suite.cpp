#include "host_suite.h"

#include "form1.h"

namespace torven::testing {

int Shot::Count(Color colour, int x0, int y0, int x1, int y1) const {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            n += At(x, y) == colour;
    return n;
}

namespace {

constexpr Color kWhite = 0xFFFFFF, kBlack = 0, kRed = 0x0000FF;

// A host whose window is 100 x 100 pixels (1500 twips), shown, filled white.
struct Canvas {
    Canvas() : host(MakeHost()), rt(host->Runtime()) {
        host->Attach(events);
        rt.SetWidth(1500);
        rt.SetHeight(1500);
        host->Show();
        rt.Fill(kWhite);
    }
    std::unique_ptr<Host> host;
    FormsRuntime& rt;
    RecordingEvents events;
};

TEST(Host, ASizeChangeRaisesResizeOnceBeforeTheSetterReturns) {
    std::unique_ptr<Host> host = MakeHost();
    RecordingEvents events;
    host->Attach(events);
    FormsRuntime& rt = host->Runtime();
    float seen = 0;
    events.onResize = [&] { seen = rt.Width(); };
    rt.SetWidth(3000);
    EXPECT_EQ(events.resizes, 1);
    EXPECT_EQ(seen, 3000);
    rt.SetWidth(3000);
    rt.SetHeight(1575);  // the height it has
    rt.SetLeft(300);
    rt.SetTop(450);
    EXPECT_EQ(events.resizes, 1);
    EXPECT_EQ(rt.Left(), 300);
    EXPECT_EQ(rt.Top(), 450);
    rt.SetHeight(1000);  // 66.67 pixels: the window takes whole ones
    EXPECT_EQ(events.resizes, 2);
    EXPECT_EQ(rt.Height(), 1005);
}

// Colours arrive as 0x00BBGGRR, pixels are replaced without blending, and drawing a
// shape again in the background colour takes away exactly what it put there.
TEST(Host, DrawsInTheColourGivenAndOverdrawingInTheBackgroundErasesExactly) {
    Canvas c;
    const auto draw = [&](Color colour, int pen) {
        c.rt.Line({150, 150}, {1200, 900}, colour, pen);
        c.rt.Line({1093, 311}, {770, 780}, colour, pen);
        c.rt.Circle({750, 750}, 600, colour, pen, std::nullopt);
        c.rt.Circle({750, 780}, 640, colour, pen, ArcSpan{1.8f, 2.4f});
        c.rt.Box({300, 300}, {450, 1350}, colour, pen);
    };
    for (int pen : {1, 2, 5, 9}) {
        draw(kRed, pen);
        Shot shot = c.host->Take();
        EXPECT_GT(shot.Count(kRed), 100) << "pen " << pen;
        EXPECT_EQ(shot.Count(kRed) + shot.Count(kWhite), 100 * 100) << "pen " << pen;
        draw(kWhite, pen);
        EXPECT_EQ(c.host->Take().Count(kWhite), 100 * 100) << "pen " << pen;
    }
}

TEST(Host, CirclesAndBoxesAreOutlinesAndArcsRunCounterClockwiseFromThree) {
    Canvas c;
    c.rt.Circle({750, 750}, 600, kRed, 1, ArcSpan{0.2f, 1.4f});  // centre 50,50; radius 40
    Shot shot = c.host->Take();
    EXPECT_GT(shot.Count(kRed, 52, 0, 100, 48), 20);  // the upper right only
    EXPECT_EQ(shot.Count(kRed), shot.Count(kRed, 52, 0, 100, 48));
    c.rt.Fill(kWhite);
    c.rt.Circle({750, 750}, 600, kRed, 1, std::nullopt);
    c.rt.Box({300, 300}, {1200, 1200}, kRed, 1);
    shot = c.host->Take();
    EXPECT_EQ(shot.At(50, 50), kWhite);
    EXPECT_EQ(shot.At(90, 50), kRed);
    EXPECT_EQ(shot.At(20, 20), kRed);
    EXPECT_EQ(shot.At(80, 80), kRed);
    EXPECT_EQ(shot.At(50, 21), kWhite);
}

TEST(Host, LabelsPaintInsideTheirRectanglesAndLeaveNothingWhenMovedOrHidden) {
    Canvas c;
    Label& label = c.events.labels[1];
    label = {300, 600, 675, 195, "00", kBlack, true};  // 20,40 pixels; 45 x 13
    c.rt.LabelChanged(1);
    Shot shot = c.host->Take();
    const int ink = 100 * 100 - shot.Count(kWhite);
    EXPECT_GT(ink, 10);
    EXPECT_EQ(45 * 13 - shot.Count(kWhite, 20, 40, 65, 53), ink);

    label.Left = 750;
    c.rt.LabelChanged(1);
    shot = c.host->Take();
    EXPECT_EQ(shot.Count(kWhite, 0, 0, 50, 100), 50 * 100);
    EXPECT_EQ(50 * 13 - shot.Count(kWhite, 50, 40, 100, 53), ink);

    label.Visible = false;
    c.rt.LabelChanged(1);
    EXPECT_EQ(c.host->Take().Count(kWhite), 100 * 100);
}

TEST(Host, TheSettingsStoreKeepsTextsAndReportsARefusedWrite) {
    std::unique_ptr<Host> host = MakeHost();
    FormsRuntime& rt = host->Runtime();
    const std::pair<const char*, const char*> values[] = {
        {"Top", "-500"},  {"Size", "1333.3334"}, {"Color1", "16777215"}, {"Anadigi", "True"},
        {"Odd", "1, 5"}, {"Kana", "時計"},       {"Spaces", " x "},      {"Empty", ""}};
    for (const auto& [key, text] : values) {
        EXPECT_EQ(rt.GetSetting("TORVEN", "Startup", key, "none"), "none") << key;
        EXPECT_TRUE(rt.SaveSetting("TORVEN", "Startup", key, text)) << key;
    }
    for (const auto& [key, text] : values)
        EXPECT_EQ(rt.GetSetting("TORVEN", "Startup", key, "none"), text) << key;
    EXPECT_EQ(rt.GetSetting("Other", "Startup", "Top", "7"), "7");
    host->BlockStore();
    EXPECT_FALSE(rt.SaveSetting("TORVEN", "Startup", "Top", "120"));
}

// The face after a run of seconds is the face of a clock started at the last of them:
// nothing a hand drew survives its erasing (the minute hand stays clear of 12 and 6,
// where the clock skips an erase on purpose).
TEST(Host, SecondsOfUpdatesLeaveTheFaceOfAFreshStart) {
    const auto face = [](int from, int to) {  // seconds after 10:20:00
        std::unique_ptr<Host> host = MakeHost();
        Form1 form(host->Runtime());
        host->Attach(form);
        for (int s = from; s <= to; ++s) {
            host->now = {2026, 12, 6, 10, 20 + s / 60, s % 60};
            s == from ? form.Load() : form.Timer();
        }
        return host->Take().pixels;
    };
    EXPECT_EQ(face(31, 100), face(100, 100));
}

}  // namespace
}  // namespace torven::testing
