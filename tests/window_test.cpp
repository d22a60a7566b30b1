// Start-up and the settings, shut-down, the mouse, the popup menu and its commands.
#include "test_runtime.h"

namespace torven::testing {
namespace {

const DateTime kAt{2026, 12, 6, 13, 20, 30};
const std::string kLook = " white/blue/black text black anadigi mnuTopmost";
const std::map<std::string, std::string> kNine = {
    {"Top", "-120"},       {"Left", "2345"},   {"Size", "1333.3334"},
    {"Color1", "8388608"}, {"Color2", "128"},  {"Color3", "16776960"},
    {"Anadigi", "False"},  {"Temae", "False"}, {"Henka", "True"}};

TEST(StartUp, AppliesWhatIsStoredAndTheDefaultForWhatDoesNotFit) {
    Clock design;  // until Load, which nothing runs before
    design.form.Timer(), design.form.MouseDown(kRightButton, 0, 100, 100);
    EXPECT_EQ(std::tuple(design.State(), design.Label1().Width, design.rt.log.size()),
              std::tuple("120,135 1575x1575 black/black/black text black anadigi", 675.0f, 0u));
    struct Case {
        std::map<std::string, std::string> stored;
        std::string state, warning = "";
        std::vector<TwipsRect> monitors = {{0, 0, 28800, 16200}};  // 1920 x 1080 pixels
    };
    // A smaller monitor on the left, 1280 x 720 pixels, level with the top.
    const std::vector<TwipsRect> two{{0, 0, 28800, 16200}, {-19200, 0, 0, 10800}};
    const auto at = [](const char* place) { return place + (" 1600x1600" + kLook); };
    for (const Case& k : {
             Case{{}, at("120,120")},
             Case{kNine, "2345,-120 1333.3334x1333.3334 navy/maroon/cyan text cyan henka"},
             // Nothing of it on a monitor, the edge included: beyond the right or bottom
             // edge, back so that it touches it; beyond the left or top, to that edge.
             Case{{{"Left", "28800"}}, at("27200,120")},
             Case{{{"Top", "16200"}}, at("120,14600")},
             Case{{{"Left", "28799"}, {"Top", "16199"}}, at("28799,16199")},
             Case{{{"Left", "-500"}, {"Top", "-500"}}, at("-500,-500")},
             Case{{{"Left", "-1600"}}, at("0,120")},
             Case{{{"Top", "-1600"}}, at("120,0")},
             // The nearest monitor, not the box around both: below the smaller one.
             Case{{{"Left", "-10000"}, {"Top", "12000"}}, at("-10000,9200"), "", two},
             Case{{{"Left", "-40000"}, {"Top", "-3600"}}, at("-19200,0"), "", two},
             Case{{{"Left", "-20000"}, {"Top", "-1000"}}, at("-20000,-1000"), "", two},
             // A size is brought into reach; other values that do not fit are reported.
             Case{{{"Size", "399"}}, "120,120 400x400" + kLook},
             Case{{{"Size", "1e30"}}, "120,120 80000x80000" + kLook},
             // Every other value that does not fit takes its default, with one line.
             Case{{{"Top", "12abc"}}, "", "Top ignored: \"12abc\" is not a valid value; using 120"},
             Case{{{"Color2", "16777216"}}, "", "Color2 ignored: \"16777216\""},
             Case{{{"Color3", "-1"}}, "", "Color3 ignored: \"-1\" is not a valid value; using 0"},
             Case{{{"Temae", "\x1b[2J"}}, "", "Temae ignored: \"\\x1B[2J\""},
             Case{{{"Henka", ""}}, "", "Henka ignored: \"\" is not a valid value; using False"},
         }) {
        Clock c;
        c.rt.monitors = k.monitors, c.rt.settings = k.stored, c.form.Load();
        const std::string where = k.stored.empty() ? "" : k.stored.begin()->second;
        EXPECT_EQ(c.State(), k.state.empty() ? at("120,120") : k.state) << where;
        const Texts warned = c.rt.Find("warn");
        EXPECT_TRUE(warned.size() == (k.warning.empty() ? 0u : 1u) &&
                    (warned.empty() || warned[0].starts_with("warn TORVEN: setting " + k.warning)))
            << where;
        EXPECT_TRUE(c.rt.visible && c.rt.topmost == c.Checked("mnuTopmost") && c.Count("save") == 0)
            << where;
    }
}

TEST(ShutDown, WritesTheNineOnceAndTheNextStartReadsThemBack) {
    const Texts nine{"save Top=120",         "save Left=120",        "save Size=1600",
                     "save Color1=16777215", "save Color2=16711680", "save Color3=0",
                     "save Anadigi=True",    "save Temae=True",      "save Henka=False"};
    // The session asks first (the logout may be cancelled); the unload writes them again.
    Clock c({}, kAt);
    EXPECT_EQ(c.Last("region"), "region 1,1 108,109");  // the client area, a pixel right and down
    c.form.SessionMayEnd();
    EXPECT_EQ(std::pair(c.rt.Find("save"), c.Count("destroy")), std::pair(nine, 0));
    c.rt.log.clear();
    c.form.Unload(), c.form.Unload();               // a second close request finds the form gone
    c.Click(15), c.form.SessionMayEnd(), c.Run(2);  // the form is gone: nothing happens
    c.form.MouseDown(kRightButton, 0, 800, 800);
    EXPECT_EQ(std::pair(c.rt.Find("save"), c.rt.log.back()),
              std::pair(nine, std::string("destroy")));
    Clock stored(kNine, kAt);
    stored.form.Unload();
    EXPECT_EQ(stored.rt.settings, kNine);

    // The place and size a window manager gives the window as it shows, a drag the
    // compositor refused and a tile are not saved; a drag it carried out from there is, and
    // so is a move the user made with the window manager.
    Clock imposed({{"Left", "3000"}, {"Top", "2250"}}, kAt);
    auto& s = imposed.rt.settings;
    const auto saved = [&] {
        imposed.form.SessionMayEnd();
        return s["Left"] + "," + s["Top"] + " " + s["Size"];
    };
    const auto drag = [&] {
        imposed.form.MouseDown(kLeftButton, 0, 300, 450);
        imposed.form.MouseMove(kLeftButton, 0, 330, 420);
        imposed.form.MouseUp(kLeftButton, 0, 330, 420);
    };
    imposed.rt.Impose(480, 480, 19140, false);
    EXPECT_EQ(saved(), "3000,2250 1600");
    imposed.rt.Impose(480, 480, 1600, false), imposed.rt.refuseMoves = true, drag();
    EXPECT_EQ(saved(), "3000,2250 1600");
    imposed.rt.refuseMoves = false, drag();
    EXPECT_EQ(saved(), "510,450 1600");
    imposed.rt.Impose(-900, 600, 1600, true);
    EXPECT_EQ(saved(), "-900,600 1600");
    imposed.rt.Impose(0, 0, 19140, true);
    EXPECT_EQ(saved(), "-900,600 1600");

    // A refused save names each value lost; the exit status is 1 if the last one failed.
    for (const bool laterWorks : {false, true}) {
        Clock k({}, kAt);
        k.rt.refuseWrites = true;
        k.form.SessionMayEnd();
        k.rt.refuseWrites = !laterWorks;
        k.Click(15);
        EXPECT_EQ(k.Count("warn TORVEN: could not save setting "), laterWorks ? 9 : 18);
        EXPECT_EQ(k.Last("warn"), "warn TORVEN: could not save setting Henka = False");
        EXPECT_EQ(k.rt.log.back(), laterWorks ? "destroy" : "destroy 1");
    }
}

TEST(Mouse, RightOpensTheMenuLeftDragsTheWindowButNotFromTheReadout) {
    Clock c({{"Size", "2000"}}, kAt);  // wide enough for both lines
    const Label &time = c.Label1(), &date = c.Label2();
    const float inTime[] = {time.Left + 10, time.Top + 150},
                inDate[] = {date.Left + 10, date.Top + 10}, onFace[] = {200, 700};
    for (int button : {kRightButton, kMiddleButton})
        for (const float* at : {inTime, inDate, onFace})
            c.form.MouseDown(button, 0, at[0], at[1]), c.form.MouseUp(button, 0, at[0], at[1]);
    c.form.MouseDown(kLeftButton, 0, inTime[0], inTime[1]);
    c.form.MouseMove(kLeftButton, 0, inTime[0] + 300, inTime[1] + 400);
    c.form.MouseUp(kLeftButton, 0, 0, 0);
    // Start-up's two moves, and the menus of the right presses only.
    EXPECT_EQ(std::pair(c.Count("T ") + c.Count("L "), c.Count("menu")), std::pair(2, 3));
    // A label takes [Left, Left + Width) x [Top, Top + Height): a left drag from its edges.
    for (const auto& [x, y, drags] : {std::tuple(time.Left, time.Top + 100, false),
                                      {time.Left + time.Width, time.Top + 100, true},
                                      {time.Left + 100, time.Top + time.Height, true},
                                      {date.Left + 10, date.Top, false}}) {
        c.rt.log.clear();
        c.form.MouseDown(kLeftButton, 0, x, y), c.form.MouseMove(kLeftButton, 0, x + 15, y + 30);
        c.form.MouseUp(kLeftButton, 0, x + 15, y + 30);
        EXPECT_EQ(c.Moves(), drags ? "T 150 L 135" : "") << x << "," << y;
        c.rt.SetTop(120), c.rt.SetLeft(120);
    }
    // A hidden label takes no presses: the face gets them, and a left drag moves the window by
    // the pointer's offset, vertically first, whatever the keys, not with another button.
    c.Click(1), c.Run(2), c.rt.log.clear();
    c.form.MouseDown(kLeftButton, 7, inTime[0], inTime[1]);
    c.form.MouseMove(kLeftButton, 7, inTime[0] + 30, inTime[1] - 20);
    c.form.MouseMove(kLeftButton | kRightButton, 0, 500, 500);
    c.form.MouseMove(0, 0, 500, 500);
    EXPECT_EQ(c.Moves(), "T 100 L 150");
}

TEST(PopupMenu, ShowsTheSixteenEntriesAndRunsTheOneChosen) {
    Clock c({}, kAt);
    c.rt.menuChoice = 4;
    c.form.MouseDown(kRightButton, 0, 200, 700);
    Texts captions;
    for (const MenuItem& item : c.rt.menuShown)
        captions.push_back(std::string(item.Caption) + (item.Checked ? " *" : ""));
    EXPECT_EQ(captions, (Texts{"常に手前に表示 *", "アナデジ時計(&A) *", "色変化(&H)", "-",
                               "大きく(&B)", "少し大きく(&L)", "少し小さく(&S)", "小さく(&M)", "-",
                               "背景色を設定(&C)", "枠の色を設定(&F)", "針の色を設定(&P)", "-",
                               "設定を初期化(&N)", "TORVENについて(&V)", "終了(&X)"}));
    EXPECT_EQ(c.rt.Width(), 3200);

    // It ticks on while the menu is open; nothing chosen, nothing done; the menu took the
    // release, so a left press starts a drag again.
    c.rt.menuChoice = -1, c.rt.whileMenuOpen = [&] { c.Run(2); }, c.rt.log.clear();
    c.form.MouseDown(kRightButton, 0, 200, 700);
    c.form.MouseDown(kLeftButton, 0, 500, 500), c.form.MouseMove(kLeftButton, 0, 530, 545);
    EXPECT_EQ(std::tuple(c.Label1().Caption, c.Count("show"), c.rt.Top(), c.rt.Left()),
              std::tuple("13:20:31", 1, 165.0f, 150.0f));
    c.Click(14);  // About: two lines, the version last
    const std::string box = c.Last("msgbox");
    EXPECT_TRUE(box.starts_with("msgbox TORVEN: Copyright (C) ") &&
                box.ends_with("\r\nTORVEN Ver1.1.0") &&
                std::count(box.begin(), box.end(), '\n') == 1)
        << box;
    // A close that arrives while the menu is open wins over the choice.
    c.rt.menuChoice = 4, c.rt.whileMenuOpen = [&] { c.form.Unload(); };
    c.form.MouseDown(kRightButton, 0, 200, 700);
    EXPECT_EQ(c.rt.Width(), 3200);
}

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
    const std::map<std::string, std::string> at500 = {{"Left", "500"}, {"Top", "700"}};
    const auto sized = [&](const char* side) {
        auto stored = at500;
        stored["Size"] = side;
        return stored;
    };
    const auto size = [&](const char* s) { return "500,700 " + std::string(s) + kLook; };
    const auto face = [](const char* s) { return "120,120 1600x1600 " + std::string(s); };
    const std::string plain = face(kLook.c_str() + 1);
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
             Case{9, {}, std::nullopt, plain, {}, 0},  // Cancel, which the three share
             // Sizes: the height follows the width, the corner stays; one redraw a change.
             Case{4, at500, {}, size("3200x3200"), "H 3200 W 3200", 2},
             Case{5, at500, {}, size("1920x1920"), "H 1920 W 1920", 2},
             Case{6, at500, {}, size("1333.3334x1333.3334"), "H 1333.3334 W 1333.3334", 2},
             Case{7, at500, {}, size("800x800"), "H 800 W 800", 2},
             Case{7, sized("800"), {}, size("400x400"), "H 400 W 400", 2},
             Case{6, at500, {}, size("799x900"), {}, 0, 799, 900},
             Case{4, sized("40000"), {}, size("80000x80000"), "H 80000 W 80000", 2},
             Case{4, sized("40001"), {}, size("40001x40001"), {}, 0},
             Case{5, at500, {}, size("1920x1920"), "H 1920 W 1920", 2, 1600, 2000},
             // Reset: every default, the check marks too; the band changes at the next start.
             Case{13, changed, {}, plain, "W 1600 H 1600 T 120 L 120", 3},
             // The switches.
             Case{0, {}, {}, face("white/blue/black text black anadigi"), {}, 0},
             Case{1, {}, {}, face("white/blue/black text black mnuTopmost"), {}, 0},
             Case{1, small, {}, "120,120 1000x1000" + kLook, {}, 0},
             Case{2, {}, {}, face("cyan/navy/maroon text maroon anadigi mnuTopmost henka"), {}, 1},
             Case{2, {{"Henka", "True"}}, {}, plain, {}, 0},
         }) {
        Clock c(k.stored, {2026, 12, 6, 20, 10, 30});
        if (k.width) c.rt.SetWidth(k.width), c.rt.SetHeight(k.height);
        c.rt.log.clear();
        c.rt.picks = {k.pick};
        c.Click(k.entry);
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

// What every host does alike: it ticks just after the next second begins, caps a side at
// 4096 device pixels, opens a dialog in the middle of the clock's monitor.
TEST(Hosts, TickSizeCapAndDialogsPlace) {
    using std::chrono::milliseconds, std::chrono::seconds;
    const auto at = [](int s, int ms) -> std::chrono::nanoseconds {
        return seconds(s) + milliseconds(ms);
    };
    for (const auto& [now, next] :
         {std::pair(at(100, 0), at(101, 2)), {at(100, 999), at(101, 2)}, {at(101, 2), at(102, 2)}})
        EXPECT_EQ(NextTick(now), next);
    EXPECT_EQ(std::tuple(MostSide(1), MostSide(2), MostSide(1.5), MostSide(5000)),
              std::tuple(4096, 2048, 2730, 1));
    EXPECT_EQ(Centred({1920, 0, 3200, 1024}, 301, 101), (PixelRect{2409, 461, 2710, 562}));
}

}  // namespace
}  // namespace torven::testing
