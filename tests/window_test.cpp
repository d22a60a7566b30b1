// Start-up and the settings, shut-down, the mouse, the popup menu, always in front.
#include "clock.h"

namespace torven::testing {
namespace {

const DateTime kAt{2026, 12, 6, 13, 20, 30};
const std::string kLook = " white/blue/black text black anadigi mnuTopmost";
const std::map<std::string, std::string> kNine = {
    {"Top", "-120"},       {"Left", "2345"},   {"Size", "1333.3334"},
    {"Color1", "8388608"}, {"Color2", "128"},  {"Color3", "16776960"},
    {"Anadigi", "False"},  {"Temae", "False"}, {"Henka", "True"}};

TEST(StartUp, BeforeLoadTheDesignHoldsAndNothingRuns) {
    Clock c;
    EXPECT_EQ(c.State(), "120,135 1575x1575 black/black/black text black anadigi");
    EXPECT_EQ(std::tuple(c.form.Label1().Width, c.form.Label2().Width, c.form.TimerInterval()),
              std::tuple(675.0f, 800.0f, 100));
    c.form.Timer();
    c.form.MouseDown(kRightButton, 0, 100, 100);
    EXPECT_TRUE(c.rt.log.empty());
}

TEST(StartUp, AppliesWhatIsStoredAndTheDefaultForWhatDoesNotFit) {
    struct Case {
        std::map<std::string, std::string> stored;
        std::string state, warning = "";
        TwipsRect desktop = {0, 0, 28800, 16200};  // 1920 x 1080 pixels
    };
    const TwipsRect two{-28800, -2000, 28800, 16200};  // a second screen on the left
    for (const Case& k : {
             Case{{}, "120,120 1600x1600" + kLook},
             Case{kNine, "2345,-120 1333.3334x1333.3334 navy/maroon/cyan text cyan henka"},
             // Beyond the right or bottom edge: pulled back to touch it. On the edge, or
             // partly off, it stays; wholly off the left or top, it goes to that edge.
             Case{{{"Left", "30000"}}, "27200,120 1600x1600" + kLook},
             Case{{{"Left", "28800"}}, "28800,120 1600x1600" + kLook},
             Case{{{"Top", "20000"}}, "120,14600 1600x1600" + kLook},
             Case{{{"Top", "16200"}}, "120,16200 1600x1600" + kLook},
             Case{{{"Left", "-500"}, {"Top", "-500"}}, "-500,-500 1600x1600" + kLook},
             Case{
                 {{"Left", "-40000"}, {"Top", "-3600"}}, "-28800,-2000 1600x1600" + kLook, "", two},
             Case{
                 {{"Left", "-20000"}, {"Top", "-2500"}}, "-20000,-2500 1600x1600" + kLook, "", two},
             // A size is brought into reach; other values that do not fit are reported.
             Case{{{"Size", "0"}}, "120,120 400x400" + kLook},
             Case{{{"Size", "-7"}}, "120,120 400x400" + kLook},
             Case{{{"Size", "399"}}, "120,120 400x400" + kLook},
             Case{{{"Size", "1e30"}}, "120,120 80000x80000" + kLook},
             Case{{{"Size", "80001"}}, "120,120 80000x80000" + kLook},
             Case{{{"Size", "5000"}}, "120,120 5000x5000" + kLook},
             // Every other value that does not fit takes its default, with one line.
             Case{{{"Top", "12abc"}}, "", "Top ignored: \"12abc\" is not a valid value; using 120"},
             Case{{{"Left", "nan"}}, "", "Left ignored: \"nan\""},
             Case{{{"Color1", "blue"}}, "", "Color1 ignored: \"blue\""},
             Case{{{"Color2", "16777216"}}, "", "Color2 ignored: \"16777216\""},
             Case{{{"Color3", "-1"}}, "", "Color3 ignored: \"-1\" is not a valid value; using 0"},
             Case{{{"Anadigi", "maybe"}}, "", "Anadigi ignored: \"maybe\""},
             Case{{{"Temae", "\x1b[2J"}}, "", "Temae ignored: \"\\x1B[2J\""},
             Case{{{"Henka", ""}}, "", "Henka ignored: \"\" is not a valid value; using False"},
         }) {
        Clock c;
        c.rt.desktop = k.desktop;
        c.rt.settings = k.stored;
        c.form.Load();
        const std::string where = k.stored.empty() ? "" : k.stored.begin()->second;
        EXPECT_EQ(c.State(), k.state.empty() ? "120,120 1600x1600" + kLook : k.state) << where;
        const Texts warnings = c.rt.Find("warn");
        EXPECT_EQ(warnings.size(), k.warning.empty() ? 0 : 1) << where;
        for (const std::string& warning : warnings)
            EXPECT_TRUE(warning.starts_with("warn TORVEN: setting " + k.warning)) << warning;
        EXPECT_TRUE(c.rt.visible && c.rt.topmost == c.form.Checked("mnuTopmost") &&
                    c.Count("save") == 0)
            << where;
    }
}

TEST(ShutDown, WritesTheNineOnceAndTheNextStartReadsThemBack) {
    const Texts nine{"save Top=120",         "save Left=120",        "save Size=1600",
                     "save Color1=16777215", "save Color2=16711680", "save Color3=0",
                     "save Anadigi=True",    "save Temae=True",      "save Henka=False"};
    // The session asks first: the nine are written and the clock runs on, since the
    // logout may be cancelled; the unload writes them once more.
    Clock c({}, kAt);
    EXPECT_EQ(c.Last("region"), "region 1,1 108,109");  // the client area, a pixel right and down
    c.form.SessionMayEnd();
    EXPECT_EQ(c.rt.Find("save"), nine);
    EXPECT_TRUE(c.form.Loaded() && c.Count("destroy") == 0);
    c.rt.log.clear();
    c.form.Unload();
    c.form.Unload();  // a second close request finds the form gone
    c.form.Click(15);
    c.form.SessionMayEnd();
    EXPECT_EQ(c.rt.Find("save"), nine);
    EXPECT_EQ(c.rt.log.back(), "destroy");
    Clock stored(kNine, kAt);
    stored.form.Unload();
    EXPECT_EQ(stored.rt.settings, kNine);

    // Events after the unload do nothing.
    c.rt.log.clear();
    c.Run(2);
    c.form.MouseDown(kRightButton, 0, 800, 800);
    EXPECT_TRUE(c.rt.log.empty());

    // A save the store refuses names each value lost; the exit status is 1 when the
    // last save failed.
    for (const bool laterWorks : {false, true}) {
        Clock k({}, kAt);
        k.rt.refuseWrites = true;
        k.form.SessionMayEnd();
        k.rt.refuseWrites = !laterWorks;
        k.form.Click(15);
        EXPECT_EQ(k.Count("warn TORVEN: could not save setting "), laterWorks ? 9 : 18);
        EXPECT_EQ(k.Last("warn"), "warn TORVEN: could not save setting Henka = False");
        EXPECT_EQ(k.rt.log.back(), laterWorks ? "destroy" : "destroy 1");
    }
}

TEST(Mouse, ADragMovesTheWindowByThePointersOffsetVerticallyFirst) {
    Clock c({{"Left", "1000"}, {"Top", "2000"}}, kAt);
    c.rt.log.clear();
    c.form.MouseDown(kLeftButton, 0, 300, 450);
    c.form.MouseMove(kLeftButton, 0, 330, 420);
    c.form.MouseMove(kLeftButton, 0, 300, 450);  // back at the press point
    c.form.MouseMove(kLeftButton | kRightButton, 0, 500, 500);
    c.form.MouseMove(0, 0, 500, 500);
    c.form.MouseUp(kLeftButton, 0, 500, 500);
    c.form.MouseDown(kLeftButton, 7, 300, 450);  // Shift, Ctrl and Alt change nothing
    c.form.MouseMove(kLeftButton, 7, 310, 460);
    EXPECT_EQ(c.rt.log, (Texts{"T 1970", "L 1030", "T 1970", "L 1030", "T 1980", "L 1040"}));
}

TEST(Mouse, RightOpensTheMenuOnFaceAndReadoutALeftPressOnTheReadoutNeverDrags) {
    Clock c({{"Size", "2000"}}, kAt);  // wide enough for both lines
    const Label &time = c.form.Label1(), &date = c.form.Label2();
    const float inTime[] = {time.Left + 10, time.Top + 150},
                inDate[] = {date.Left + 10, date.Top + 10}, onFace[] = {200, 700};
    for (int button : {kRightButton, kMiddleButton}) {
        for (const float* at : {inTime, inDate, onFace}) {
            c.form.MouseDown(button, 0, at[0], at[1]);
            c.form.MouseUp(button, 0, at[0], at[1]);
        }
    }
    EXPECT_EQ(c.Count("menu"), 3);
    c.form.MouseDown(kLeftButton, 0, inTime[0], inTime[1]);
    c.form.MouseMove(kLeftButton, 0, inTime[0] + 300, inTime[1] + 400);
    c.form.MouseUp(kLeftButton, 0, 0, 0);
    // Start-up's two moves, and the menus of the right presses only.
    EXPECT_EQ(std::pair(c.Count("T ") + c.Count("L "), c.Count("menu")), std::pair(2, 3));
    // A hidden label takes no presses: the face gets them.
    c.form.Click(1);
    c.Run(2);
    c.form.MouseDown(kLeftButton, 0, inTime[0], inTime[1]);
    EXPECT_EQ(c.v().dragX, CInt(inTime[0]));
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

    // The clock ticks on while the menu is open; choosing nothing does nothing, and
    // the menu took the release, so a left press starts a drag again.
    c.rt.menuChoice = -1;
    c.rt.whileMenuOpen = [&] { c.Run(2); };
    c.rt.log.clear();
    c.form.MouseDown(kRightButton, 0, 200, 700);
    c.form.MouseDown(kLeftButton, 0, 500, 500);
    EXPECT_EQ(c.Count("box"), 12);
    EXPECT_EQ(c.v().dragX, 500);
    // A close that arrives while the menu is open wins over the choice.
    c.rt.menuChoice = 4;
    c.rt.whileMenuOpen = [&] { c.form.Unload(); };
    c.form.MouseDown(kRightButton, 0, 200, 700);
    EXPECT_EQ(c.rt.Width(), 3200);
}

TEST(AlwaysInFront, TogglesTheBandInPlace) {
    Clock c(15);
    c.rt.settings = {{"Left", "-300"}, {"Top", "-150"}};
    c.form.Load();
    c.form.Click(0);
    EXPECT_EQ(c.v().windowRect, (Module1::RECT{-20, -10, 87, 97}));
    c.form.Click(0);
    EXPECT_EQ(c.rt.Find("zorder"),
              (Texts{"zorder topmost -20,-10 107x107 0x50", "zorder notopmost -20,-10 107x107 0x50",
                     "zorder topmost -20,-10 107x107 0x50"}));
    EXPECT_TRUE(c.form.Checked("mnuTopmost") && c.rt.topmost);
}

}  // namespace
}  // namespace torven::testing
