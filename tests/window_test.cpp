// Start-up and the settings, shut-down, the mouse, the popup menu, always in front.
#include "clock.h"

namespace torven::testing {
namespace {

using Texts = std::vector<std::string>;

const Texts kDefaultsSaved = {"save Top=120",          "save Left=120",         "save Size=1605",
                              "save Color1=16777215", "save Color2=16711680", "save Color3=0",
                              "save Anadigi=True",    "save Temae=True",      "save Henka=False"};

TEST(StartUp, BeforeLoadTheDesignHolds) {
    Clock c;
    EXPECT_TRUE(c.form.Checked("anadigi"));
    EXPECT_FALSE(c.form.Checked("mnuTopmost") || c.form.Checked("henka"));
    EXPECT_EQ(c.form.Label1().Caption + c.form.Label2().Caption, "");
    EXPECT_EQ(c.form.Label1().Width, 675);
    EXPECT_EQ(c.form.Label2().Width, 800);
    EXPECT_EQ(c.form.TimerInterval(), 100);
    c.form.Timer();  // nothing runs before the form is loaded
    c.form.MouseDown(kRightButton, 0, 100, 100);
    EXPECT_TRUE(c.rt.log.empty());
}

TEST(StartUp, AnEmptyStoreGivesTheDefaultsAndExitWritesThemAll) {
    Clock c(15);
    c.Start();
    EXPECT_EQ(c.rt.WindowPixels(), (Module1::RECT{8, 8, 115, 115}));  // 1600 twips: 107 px
    ExpectDefaultLook(c);
    EXPECT_TRUE(c.rt.visible && c.rt.topmost);
    EXPECT_EQ(c.v().PI, 3.1415926535898);
    EXPECT_EQ(c.Last("region"), "region 1,1 108,109");  // the client area, a pixel in
    EXPECT_EQ(c.Count("save") + c.Count("warn"), 0u);
    c.form.Unload();
    EXPECT_EQ(c.rt.Find("save"), kDefaultsSaved);
    EXPECT_EQ(c.rt.log.back(), "destroy");
}

TEST(StartUp, PlacesTheWindowWhereItCanBeSeen) {
    struct Case {
        std::string left, top;
        float wantLeft, wantTop;
        TwipsRect desktop = {0, 0, 28800, 16200};  // 1920 x 1080 pixels
    };
    const TwipsRect twoScreens{-28800, -2000, 28800, 16200};
    for (const Case& k : {
             Case{"30000", "120", 28800 - 1600, 120},  // beyond the right edge: pulled back
             Case{"28800", "120", 28800, 120},         // on the edge: kept
             Case{"120", "20000", 120, 16200 - 1600}, Case{"120", "16200", 120, 16200},
             Case{"-500", "-500", -500, -500},  // partly off: kept
             Case{"-40000", "-3600", -28800, -2000, twoScreens},  // wholly off: to the edge
             Case{"-20000", "-2500", -20000, -2500, twoScreens},  // on the other screen
         }) {
        Clock c;
        c.rt.desktop = k.desktop;
        c.rt.settings = {{"Left", k.left}, {"Top", k.top}};
        c.Start();
        EXPECT_EQ(c.rt.Left(), k.wantLeft) << k.left;
        EXPECT_EQ(c.rt.Top(), k.wantTop) << k.top;
    }
}

TEST(StartUp, StoredTextsThatDoNotFitTakeTheirDefaults) {
    struct Case {
        std::string key, text, warning;  // no warning: the value is taken (the size clamped)
        float width = 1600;
    };
    for (const Case& k : {
             Case{"Top", "12abc", "Top ignored: \"12abc\" is not a valid value; using 120"},
             Case{"Left", "nan", "Left ignored: \"nan\" is not a valid value; using 120"},
             Case{"Color1", "blue", "Color1 ignored: \"blue\" is not a valid value; using 16777215"},
             Case{"Color2", "16777216", "Color2 ignored: \"16777216\" is not"},
             Case{"Color3", "-1", "Color3 ignored: \"-1\" is not a valid value; using 0"},
             Case{"Anadigi", "maybe", "Anadigi ignored: \"maybe\" is not a valid value; using True"},
             Case{"Temae", "\x1b[2J", "Temae ignored: \"\\x1B[2J\" is not"},
             Case{"Henka", "", "Henka ignored: \"\" is not a valid value; using False"},
             Case{"Size", "0", "", 400}, Case{"Size", "-7", "", 400}, Case{"Size", "399", "", 400},
             Case{"Size", "1e30", "", 80000}, Case{"Size", "80001", "", 80000},
             Case{"Size", "5000", "", 5000}, Case{"Size", "1333.3334", "", 1333.3334f},
         }) {
        Clock c;
        c.rt.settings[k.key] = k.text;
        c.Start();
        const Texts warnings = c.rt.Find("warn");
        EXPECT_EQ(warnings.size(), k.warning.empty() ? 0u : 1u) << k.key << " " << k.text;
        for (const std::string& warning : warnings)
            EXPECT_TRUE(warning.starts_with("warn TORVEN: setting " + k.warning)) << warning;
        ExpectDefaultLook(c);
        EXPECT_EQ(c.rt.Left(), 120);
        EXPECT_EQ(c.rt.Width(), k.width);
        EXPECT_EQ(c.rt.Height(), k.width);
        EXPECT_TRUE(c.rt.visible);
        EXPECT_EQ(c.Count("save"), 0u);
    }
}

TEST(ShutDown, TheNineTextsWrittenReadBackAndWriteOnce) {
    const std::map<std::string, std::string> stored = {
        {"Top", "-120"},       {"Left", "2345"},   {"Size", "1333.3334"},
        {"Color1", "8388608"}, {"Color2", "128"},  {"Color3", "16776960"},
        {"Anadigi", "False"},  {"Temae", "False"}, {"Henka", "True"}};
    Clock c;
    c.rt.settings = stored;
    c.Start();
    EXPECT_EQ(c.v().bgColor, 8388608);
    EXPECT_EQ(c.form.Label1().ForeColor, 16776960);
    EXPECT_FALSE(c.form.Checked("anadigi") || c.form.Checked("mnuTopmost"));
    EXPECT_TRUE(c.form.Checked("henka"));
    EXPECT_EQ(c.Last("zorder"), "zorder notopmost 156,-8 89x89 0x50");
    EXPECT_TRUE(c.rt.visible && !c.rt.topmost);
    c.form.Unload();
    c.form.Unload();  // a second close request finds the form gone
    c.form.Click(15);
    EXPECT_EQ(c.rt.settings, stored);
    EXPECT_EQ(c.Count("save"), 9u);
    EXPECT_EQ(c.Count("destroy"), 1u);

    // Events after the unload do nothing.
    c.rt.log.clear();
    c.Advance();
    c.form.Timer();
    c.form.MouseDown(kRightButton, 0, 800, 800);
    EXPECT_TRUE(c.rt.log.empty());
}

TEST(ShutDown, AWriteTheStoreRefusesIsReportedAndTheOthersStillTried) {
    Clock c;
    c.Start();
    c.rt.refuseWrites = true;
    c.form.Click(15);
    const Texts warnings = c.rt.Find("warn");
    ASSERT_EQ(warnings.size(), 9u);
    EXPECT_EQ(warnings[8], "warn TORVEN: could not save setting Henka = False");
    EXPECT_EQ(c.rt.log.back(), "destroy");
}

TEST(Mouse, ADragMovesTheWindowByThePointersOffset) {
    Clock c;
    c.rt.settings = {{"Left", "1000"}, {"Top", "2000"}};
    c.Start();
    c.rt.log.clear();
    c.form.MouseDown(kLeftButton, 0, 300, 450);
    EXPECT_TRUE(c.rt.log.empty());  // a press alone moves nothing
    c.form.MouseMove(kLeftButton, 0, 330, 420);
    EXPECT_EQ(c.rt.log, (Texts{"T 1970", "L 1030"}));  // vertically first
    c.form.MouseMove(kLeftButton, 0, 300, 450);        // back at the press point
    c.form.MouseMove(kLeftButton | kRightButton, 0, 500, 500);
    c.form.MouseMove(0, 0, 500, 500);
    EXPECT_EQ(c.rt.Left(), 1030);
    EXPECT_EQ(c.rt.Top(), 1970);
    c.form.MouseUp(kLeftButton, 0, 500, 500);
    // Shift, Ctrl and Alt change nothing.
    c.form.MouseDown(kLeftButton, 7, 300, 450);
    c.form.MouseMove(kLeftButton, 7, 310, 460);
    EXPECT_EQ(c.rt.Left(), 1040);
    EXPECT_EQ(c.rt.Top(), 1980);
}

TEST(Mouse, RightOpensTheMenuOnFaceAndReadoutAndLeftOnTheReadoutNeverDrags) {
    Clock c;
    c.rt.settings["Size"] = "2000";  // wide enough for both lines
    c.Start();
    const Label &time = c.form.Label1(), &date = c.form.Label2();
    const float inTime[] = {time.Left + 10, time.Top + 150}, inDate[] = {date.Left + 10, date.Top + 10},
                onFace[] = {200, 700};
    for (int button : {kRightButton, kMiddleButton}) {
        for (const float* at : {inTime, inDate, onFace}) {
            c.form.MouseDown(button, 0, at[0], at[1]);
            c.form.MouseUp(button, 0, at[0], at[1]);
        }
    }
    EXPECT_EQ(c.Count("menu"), 3u);
    c.form.MouseDown(kLeftButton, 0, inTime[0], inTime[1]);
    c.form.MouseMove(kLeftButton, 0, inTime[0] + 300, inTime[1] + 400);
    c.form.MouseUp(kLeftButton, 0, 0, 0);
    EXPECT_EQ(c.rt.Left(), 120);
    EXPECT_EQ(c.v().dragX, 0);

    // A hidden label takes no presses: the face gets them.
    c.form.Click(1);
    c.Run(2);
    c.form.MouseDown(kLeftButton, 0, inTime[0], inTime[1]);
    EXPECT_EQ(c.v().dragX, CInt(inTime[0]));
}

TEST(PopupMenu, ShowsTheSixteenEntriesAndRunsTheOneChosen) {
    Clock c;
    c.Start();
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

    // Ticks go on while the menu is open; choosing nothing does nothing.
    c.rt.menuChoice = -1;
    c.rt.whileMenuOpen = [&] { c.Run(2); };
    c.rt.log.clear();
    c.form.MouseDown(kRightButton, 0, 200, 700);
    EXPECT_EQ(c.Count("box"), 12u);
    EXPECT_EQ(c.rt.Width(), 3200);
    // The menu took the release: a left press starts a drag again.
    c.form.MouseDown(kLeftButton, 0, 500, 500);
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
    c.Start();
    EXPECT_EQ(c.rt.Find("zorder"), Texts{"zorder topmost -20,-10 107x107 0x50"});
    c.form.Click(0);
    EXPECT_FALSE(c.form.Checked("mnuTopmost") || c.rt.topmost);
    EXPECT_EQ(c.v().windowRect, (Module1::RECT{-20, -10, 87, 97}));
    c.form.Click(0);
    EXPECT_TRUE(c.form.Checked("mnuTopmost") && c.rt.topmost);
    EXPECT_EQ(c.rt.Find("zorder"), (Texts{"zorder topmost -20,-10 107x107 0x50",
                                          "zorder notopmost -20,-10 107x107 0x50",
                                          "zorder topmost -20,-10 107x107 0x50"}));
}

}  // namespace
}  // namespace torven::testing
