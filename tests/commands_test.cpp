// The menu's commands: colours, sizes, reset, the three switches, About.
#include "clock.h"

namespace torven::testing {
namespace {

TEST(Commands, EachChangesWhatItShouldAndTheNextStartKeepsIt) {
    struct Case {
        int entry;
        std::map<std::string, std::string> stored;
        std::optional<Color> pick;
        std::string state;
        std::string moves;  // the assignments to the window, in order
        int redraws;
        float width = 0, height = 0;  // the window before, when not square from the store
    };
    const std::string look = " white/blue/black text black anadigi mnuTopmost";
    const std::map<std::string, std::string> at500 = {{"Left", "500"}, {"Top", "700"}};
    const auto size = [&](const char* s) { return "500,700 " + std::string(s) + look; };
    const auto face = [](const char* s) { return "120,120 1600x1600 " + std::string(s); };
    const std::string plain = face(look.c_str() + 1);
    const std::map<std::string, std::string> changed = {
        {"Left", "500"},      {"Top", "500"},     {"Size", "3200"}, {"Henka", "True"},
        {"Anadigi", "False"}, {"Temae", "False"}, {"Color3", "255"}};
    const std::map<std::string, std::string> small = {{"Size", "1000"}, {"Anadigi", "False"}};
    for (const Case& k : {
             // Colours: the picked one, and a redraw even when it is the same.
             Case{9, {}, kNavy, face("navy/blue/black text black anadigi mnuTopmost"), {}, 1},
             Case{9, {}, kWhite, plain, {}, 1},
             Case{10, {}, kMaroon, face("white/maroon/black text black anadigi mnuTopmost"), {}, 1},
             Case{11, {}, kRed, face("white/blue/red text red anadigi mnuTopmost"), {}, 1},
             Case{9, {}, std::nullopt, plain, {}, 0},  // Cancel
             Case{10, {}, std::nullopt, plain, {}, 0},
             Case{11, {}, std::nullopt, plain, {}, 0},
             // Sizes: the height follows the width, the corner stays; one redraw a change.
             Case{4, at500, {}, size("3200x3200"), "H 3200 W 3200", 2},
             Case{5, at500, {}, size("1920x1920"), "H 1920 W 1920", 2},
             Case{6, at500, {}, size("1333.3334x1333.3334"), "H 1333.3334 W 1333.3334", 2},
             Case{7, at500, {}, size("800x800"), "H 800 W 800", 2},
             Case{7, at500, {}, size("400x400"), "H 400 W 400", 2, 800, 800},
             Case{6, at500, {}, size("799x900"), {}, 0, 799, 900},
             Case{7, at500, {}, size("799x900"), {}, 0, 799, 900},
             Case{4, at500, {}, size("80000x80000"), "H 80000 W 80000", 2, 40000, 40000},
             Case{5, at500, {}, size("48000x48000"), "H 48000 W 48000", 2, 40000, 40000},
             Case{4, at500, {}, size("40001x40001"), {}, 0, 40001, 40001},
             Case{5, at500, {}, size("40001x40001"), {}, 0, 40001, 40001},
             Case{5, at500, {}, size("1920x1920"), "H 1920 W 1920", 2, 1600, 2000},
             // Reset: every default, the check marks too; the band changes at the next start.
             Case{13, changed, {}, plain, "W 1600 H 1600 T 120 L 120", 3},
             // The switches.
             Case{0, {}, {}, face("white/blue/black text black anadigi"), {}, 0},
             Case{1, {}, {}, face("white/blue/black text black mnuTopmost"), {}, 0},
             Case{1, small, {}, "120,120 1000x1000" + look, {}, 0},
             Case{2, {}, {}, face("cyan/navy/maroon text maroon anadigi mnuTopmost henka"), {}, 1},
             Case{2, {{"Henka", "True"}}, {}, plain, {}, 0},
         }) {
        Clock c(k.stored, {2026, 12, 6, 20, 10, 30});
        if (k.width) c.rt.SetWidth(k.width), c.rt.SetHeight(k.height);
        c.rt.log.clear();
        c.rt.picks = {k.pick};
        c.form.Click(k.entry);
        const std::string row = std::to_string(k.entry) + " " + k.state;
        EXPECT_EQ(c.State(), k.state) << row;
        EXPECT_EQ(std::tuple(c.Moves(), c.Count("region"), c.Count("save"), c.Count("zorder")),
                  std::tuple(k.moves, k.redraws, 0, int(k.entry == 0)))
            << row;
        c.form.Unload();
        const Clock next(c.rt.settings, c.rt.now);
        EXPECT_TRUE(k.width != k.height || next.State() == c.State())
            << row;  // if it starts square
    }
}

TEST(Commands, ColoursReachTheFaceAndTheReadout) {
    Clock c({}, {2026, 12, 6, 13, 20, 30});
    c.rt.picks = {kRed, kMaroon};
    c.form.Click(11);
    EXPECT_EQ(c.Count("line w1 red"), 48 + 1);  // the minute marks and the second hand
    EXPECT_EQ(c.Count("box w1 red"), 12);
    EXPECT_EQ(c.Last("line w5"), "line w5 red 770,780 969,543");
    c.form.Click(10);
    EXPECT_EQ(c.Last("circle"), "circle w9 maroon 770,780 r770");
    // A new background repaints the surface at once, then the face is drawn on it.
    c.rt.log.clear();
    c.rt.picks = {kNavy};
    c.form.Click(9);
    EXPECT_EQ(c.rt.Find("fill"), (Texts{"fill navy", "fill navy"}));
    EXPECT_EQ(c.rt.log[1], "fill navy");
}

TEST(Commands, AboutShowsTwoLinesAndTheVersion) {
    Clock c({}, {2026, 12, 6, 13, 20, 30});
    c.form.Click(14);
    const std::string box = c.Last("msgbox");
    EXPECT_TRUE(box.starts_with("msgbox TORVEN: Copyright (C) ")) << box;
    EXPECT_TRUE(box.ends_with("\r\nTORVEN Ver1.1.0")) << box;
    EXPECT_EQ(std::count(box.begin(), box.end(), '\n'), 1);
}

}  // namespace
}  // namespace torven::testing
