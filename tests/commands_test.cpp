// The colour, size, reset, readout and About commands.
#include "clock.h"

namespace torven::testing {
namespace {

TEST(ColourCommands, EachSetsItsColourAndRedrawsCancelChangesNothing) {
    struct Case {
        int entry;
        std::optional<Color> pick;
        Color bg, frame, hands, text;
        std::string ring;
        std::vector<std::string> fills;
    };
    const std::string ring = "circle w9 blue 770,780 r770";
    for (const Case& k : {
             // A new background at once, then the clear of the full redraw.
             Case{9, kNavy, kNavy, kBlue, kBlack, kBlack, ring, {"fill navy", "fill navy"}},
             Case{9, kWhite, kWhite, kBlue, kBlack, kBlack, ring, {"fill white"}},  // redrawn
             Case{10, kMaroon, kWhite, kMaroon, kBlack, kBlack, "circle w9 maroon 770,780 r770",
                  {"fill white"}},
             Case{11, kRed, kWhite, kBlue, kRed, kRed, ring, {"fill white"}},
             Case{9, std::nullopt, kWhite, kBlue, kBlack, kBlack, "", {}},
             Case{10, std::nullopt, kWhite, kBlue, kBlack, kBlack, "", {}},
             Case{11, std::nullopt, kWhite, kBlue, kBlack, kBlack, "", {}},
         }) {
        Clock c;
        c.Start();
        c.rt.log.clear();
        c.rt.picks = {k.pick};
        c.form.Click(k.entry);
        EXPECT_EQ(c.rt.log.front(), "picker");
        EXPECT_EQ(c.rt.Find("fill"), k.fills) << k.entry;
        EXPECT_EQ(c.Last("circle"), k.ring) << k.entry;
        EXPECT_EQ(c.v().bgColor, k.bg);
        EXPECT_EQ(c.v().frameColor, k.frame);
        EXPECT_EQ(c.v().handColor, k.hands);
        EXPECT_EQ(c.form.Label1().ForeColor, k.text);
        EXPECT_EQ(c.form.Label2().ForeColor, k.text);
        EXPECT_EQ(c.Count("line w1 " + ColorName(k.hands)), k.pick ? 48u + 1 : 0u);  // marks, hand
    }
}

TEST(SizeCommands, ScaleTheWidthTheHeightFollowsTheCornerStays) {
    struct Case {
        int entry;
        float width, height, size;  // before, and the size after (0: refused)
    };
    for (const Case& k : {
             Case{4, 1600, 1600, 3200}, Case{5, 1600, 1600, 1920},
             Case{6, 1600, 1600, 1333.3334f}, Case{7, 1600, 1600, 800},
             Case{7, 800, 800, 400}, Case{6, 799, 900, 0}, Case{7, 799, 900, 0},
             Case{4, 40000, 40000, 80000}, Case{5, 40000, 40000, 48000},
             Case{4, 40001, 40001, 0}, Case{5, 40001, 40001, 0},
             Case{5, 1600, 2000, 1920},
         }) {
        Clock c;
        c.rt.settings = {{"Left", "500"}, {"Top", "700"}};
        c.Start();
        c.rt.SetWidth(k.width);
        c.rt.SetHeight(k.height);
        c.rt.log.clear();
        c.form.Click(k.entry);
        if (k.size == 0) {
            EXPECT_TRUE(c.rt.log.empty()) << k.entry << " " << k.width;
            continue;
        }
        const std::string size = SingleText(k.size);
        EXPECT_EQ(c.rt.Find("H "), std::vector<std::string>{"H " + size});  // from the width
        EXPECT_EQ(c.rt.Find("W "), std::vector<std::string>{"W " + size});
        EXPECT_EQ(c.rt.Width(), k.size);
        EXPECT_EQ(c.rt.Height(), k.size);
        EXPECT_EQ(c.rt.Left(), 500);
        EXPECT_EQ(c.rt.Top(), 700);
        EXPECT_EQ(c.Count("region"), 2u);  // one redraw per size change
    }
}

TEST(SizeCommands, TheLargestWindowDrawsItsFace) {
    Clock c;
    c.rt.settings["Size"] = "40000";
    c.Start();
    c.form.Click(4);
    EXPECT_EQ(c.rt.Width(), 80000);
    EXPECT_EQ(c.v().radius, 39820);
    EXPECT_EQ(c.Last("circle"), "circle w9 blue 39970,39980 r39970");
    EXPECT_EQ(c.Last("region"), "region 1,1 5334,5335");
}

TEST(Reset, RestoresEveryDefaultAndRedraws) {
    Clock c;
    c.rt.settings = {{"Left", "500"},      {"Top", "500"},     {"Size", "3200"}, {"Henka", "True"},
                     {"Anadigi", "False"}, {"Temae", "False"}, {"Color3", "255"}};
    c.At(20, 0, 0);
    c.Start();
    c.form.Click(2);
    c.form.Click(2);
    c.rt.log.clear();
    c.form.Click(13);
    EXPECT_EQ(c.rt.Width(), 1600);
    EXPECT_EQ(c.rt.Height(), 1600);
    EXPECT_EQ(c.rt.Left(), 120);
    EXPECT_EQ(c.rt.Top(), 120);
    ExpectDefaultLook(c);
    EXPECT_FALSE(c.rt.topmost);  // the band itself changes at the next start
    EXPECT_EQ(c.Count("zorder") + c.Count("save"), 0u);
    EXPECT_EQ(c.Count("region"), 3u);  // width, height, and the redraw asked for
    EXPECT_EQ(c.Last("circle"), "circle w9 blue 770,780 r770");
    EXPECT_EQ(c.form.BackColor(), kWhite);
}

TEST(Readout, TheSwitchTogglesAndIsSavedEvenWhenTooNarrowToShow) {
    Clock c;
    c.rt.settings["Size"] = "1000";
    c.Start();
    c.form.Click(1);
    EXPECT_FALSE(c.form.Checked("anadigi"));
    c.form.Click(1);
    EXPECT_TRUE(c.form.Checked("anadigi"));
    c.Run(2);
    EXPECT_FALSE(c.form.Label1().Visible || c.form.Label2().Visible);
    c.form.Click(1);
    c.form.Unload();
    EXPECT_EQ(c.rt.settings["Anadigi"], "False");
}

TEST(About, ShowsTwoLinesAndTheVersion) {
    Clock c;
    c.Start();
    c.form.Click(14);
    const std::string box = c.Last("msgbox");
    EXPECT_TRUE(box.starts_with("msgbox TORVEN: Copyright (C) ")) << box;
    EXPECT_TRUE(box.ends_with("\r\nTORVEN Ver1.1.0")) << box;
    EXPECT_EQ(std::count(box.begin(), box.end(), '\n'), 1);
}

}  // namespace
}  // namespace torven::testing
