// Start-up and the settings store, shut-down, dragging and the popup menu, always in front.
#include <gtest/gtest.h>

#include "clock.h"

namespace torven::testing {
namespace {

const std::vector<std::pair<std::string, std::string>> kDefaultsAsWritten = {
    {"Top", "120"},         {"Left", "120"},        {"Size", "1605"},
    {"Color1", "16777215"}, {"Color2", "16711680"}, {"Color3", "0"},
    {"Anadigi", "True"},    {"Temae", "True"},      {"Henka", "False"}};

TEST(StartUp, WithAnEmptyStoreUsesTheDefaults) {
    Clock c(15);
    c.Start();
    EXPECT_EQ(c.rt.Left(), 120);
    EXPECT_EQ(c.rt.Top(), 120);
    EXPECT_EQ(c.rt.Width(), 1605);  // 1600 twips is 107 whole pixels
    EXPECT_EQ(c.rt.Height(), 1605);
    ExpectDefaultLook(c);
    EXPECT_TRUE(c.rt.visible);
    EXPECT_TRUE(c.rt.topmost);
    EXPECT_EQ(c.v().PI, 3.1415926535898);
    EXPECT_TRUE(c.rt.writes.empty());  // start-up never writes
    EXPECT_TRUE(c.rt.warnings.empty());

    // Exiting at once writes all nine, the size as the window took it.
    c.form.Unload();
    EXPECT_EQ(c.rt.writes, kDefaultsAsWritten);
    EXPECT_EQ(c.rt.destroyed, 1);
}

TEST(StartUp, BeforeLoadTheDesignTimeStateHolds) {
    TestRuntime rt;
    Form1 form(rt);
    EXPECT_TRUE(form.Checked("anadigi"));
    EXPECT_FALSE(form.Checked("mnuTopmost"));
    EXPECT_FALSE(form.Checked("henka"));
    EXPECT_EQ(form.Label1().Caption, "");
    EXPECT_EQ(form.Label2().Caption, "");
    EXPECT_EQ(form.Label2().Width, 800);
    EXPECT_EQ(form.Label1().Width, 675);
    EXPECT_EQ(form.TimerInterval(), 100);
}

TEST(StartUp, PullsBackAWindowBeyondTheRightOrBottomEdge) {
    struct Case {
        const char* left;
        const char* top;
        float wantLeft, wantTop;
    };
    // The desktop is 28800 x 16200 twips (1920 x 1080 pixels).
    for (const Case& k :
         {Case{"30000", "120", 28800 - 1600, 120}, Case{"28800", "120", 28800, 120},  // equal: kept
          Case{"120", "20000", 120, 16200 - 1600}, Case{"120", "16200", 120, 16200},
          Case{"-500", "-500", -500, -500}}) {
        Clock c;
        c.rt.settings = {{"Left", k.left}, {"Top", k.top}};
        c.Start();
        EXPECT_EQ(c.rt.Left(), k.wantLeft) << k.left;
        EXPECT_EQ(c.rt.Top(), k.wantTop) << k.top;
    }
}

TEST(StartUp, ReachesAWindowLeftWhollyBeyondTheDesktopsLeftOrTopEdge) {
    Clock c;
    c.rt.desktop = {-28800, -2000, 28800, 16200};  // a second monitor to the left
    c.rt.settings = {{"Left", "-40000"}, {"Top", "-3600"}};
    c.Start();
    EXPECT_EQ(c.rt.Left(), -28800);
    EXPECT_EQ(c.rt.Top(), -2000);

    Clock second;
    second.rt.desktop = c.rt.desktop;
    second.rt.settings = {{"Left", "-20000"}, {"Top", "-2500"}};  // on the second monitor
    second.Start();
    EXPECT_EQ(second.rt.Left(), -20000);
    EXPECT_EQ(second.rt.Top(), -2500);
}

TEST(StartUp, BadStoredTextsTakeTheirDefaultsAndAreReported) {
    Clock c;
    c.rt.settings = {{"Top", "12abc"},       {"Left", "nan"},  {"Color1", "blue"},
                     {"Color2", "16777216"}, {"Color3", "-1"}, {"Anadigi", "maybe"},
                     {"Temae", "\x1b[2J"},   {"Henka", ""}};
    c.Start();
    EXPECT_EQ(c.rt.Top(), 120);
    EXPECT_EQ(c.rt.Left(), 120);
    EXPECT_EQ(c.v().bgColor, kWhite);
    EXPECT_EQ(c.v().frameColor, kBlue);
    EXPECT_EQ(c.v().handColor, kBlack);
    EXPECT_TRUE(c.form.Checked("anadigi"));
    EXPECT_TRUE(c.form.Checked("mnuTopmost"));
    EXPECT_FALSE(c.form.Checked("henka"));
    ASSERT_EQ(c.rt.warnings.size(), 8u);
    EXPECT_EQ(c.rt.warnings[2],
              "TORVEN: setting Color1 ignored: \"blue\" is not a valid value; using 16777215");
    EXPECT_NE(c.rt.warnings[6].find("\"\\x1B[2J\""), std::string::npos);  // no raw escapes
    EXPECT_TRUE(c.rt.writes.empty());
    EXPECT_TRUE(c.rt.visible);
}

TEST(StartUp, StoredSizeIsBroughtIntoReach) {
    struct Case {
        const char* text;
        float width;
    };
    for (const Case& k : {Case{"0", 400}, Case{"-7", 400}, Case{"1e30", 80000}, Case{"399", 400},
                          Case{"80001", 80000}, Case{"5000", 5000}}) {
        Clock c;
        c.rt.settings["Size"] = k.text;
        c.Start();
        EXPECT_EQ(c.rt.Width(), k.width) << k.text;
        EXPECT_EQ(c.rt.Height(), k.width) << k.text;
        EXPECT_TRUE(c.rt.warnings.empty()) << k.text;
    }
}

TEST(ShutDown, WritesTheNineSettingsOnceAndTheyReadBack) {
    Clock c;
    c.rt.settings = {{"Top", "-120"},       {"Left", "2345"},   {"Size", "1333.3334"},
                     {"Color1", "8388608"}, {"Color2", "128"},  {"Color3", "16776960"},
                     {"Anadigi", "False"},  {"Temae", "False"}, {"Henka", "True"}};
    c.Start();
    c.form.Unload();
    c.form.Unload();  // a second close request finds the form gone
    c.form.mnuExit_Click();
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Top", "-120"},       {"Left", "2345"},   {"Size", "1333.3334"},
        {"Color1", "8388608"}, {"Color2", "128"},  {"Color3", "16776960"},
        {"Anadigi", "False"},  {"Temae", "False"}, {"Henka", "True"}};
    EXPECT_EQ(c.rt.writes, expected);
    EXPECT_EQ(c.rt.destroyed, 1);

    Clock next;
    next.rt.settings = c.rt.settings;
    next.Start();
    EXPECT_EQ(next.rt.Width(), 1333.3334f);
    EXPECT_EQ(next.rt.Height(), 1333.3334f);
    EXPECT_EQ(next.rt.Left(), 2345);
    EXPECT_EQ(next.rt.Top(), -120);
    EXPECT_EQ(next.v().bgColor, 8388608);
    EXPECT_EQ(next.form.Label1().ForeColor, 16776960);
    EXPECT_FALSE(next.form.Checked("anadigi"));
    EXPECT_FALSE(next.form.Checked("mnuTopmost"));
    EXPECT_TRUE(next.form.Checked("henka"));
    EXPECT_FALSE(next.rt.topmost);  // out of the band, and shown
    EXPECT_TRUE(next.rt.visible);
    EXPECT_EQ(next.rt.zOrderCalls[0].insertAfter, Module1::HWND_NOTOPMOST);
    next.form.Unload();
    EXPECT_EQ(next.rt.writes, expected);

    // Events after the unload do nothing.
    next.rt.draws.clear();
    next.Advance();
    next.form.Timer();
    next.form.MouseDown(kRightButton, 0, 800, 800);
    EXPECT_TRUE(next.rt.draws.empty());
    EXPECT_TRUE(next.rt.menusShown.empty());
}

TEST(ShutDown, AWriteTheStoreRefusesDoesNotStopTheOthers) {
    Clock c;
    c.Start();
    c.rt.refuseWrites = true;
    c.form.mnuExit_Click();
    EXPECT_EQ(c.rt.warnings.size(), 9u);
    EXPECT_EQ(c.rt.warnings[8], "TORVEN: could not save setting Henka = False");
    EXPECT_EQ(c.rt.destroyed, 1);
}

TEST(Mouse, DragMovesTheWindowByThePointersOffset) {
    Clock c;
    c.rt.settings = {{"Left", "1000"}, {"Top", "2000"}};
    c.Start();
    c.rt.assignments.clear();
    c.form.MouseDown(kLeftButton, 0, 300, 450);
    EXPECT_EQ(c.v().dragX, 300);
    EXPECT_EQ(c.v().dragY, 450);
    EXPECT_TRUE(c.rt.assignments.empty());  // a press alone moves nothing
    c.form.MouseMove(kLeftButton, 0, 330, 420);
    const std::vector<Assignment> moves = {{'T', 1970}, {'L', 1030}};  // vertical first
    EXPECT_EQ(c.rt.assignments, moves);

    // The pointer is back at the press point: nothing moves.
    c.form.MouseMove(kLeftButton, 0, 300, 450);
    EXPECT_EQ(c.rt.Left(), 1030);
    EXPECT_EQ(c.rt.Top(), 1970);
    // Left and right together, or no button: nothing moves.
    c.form.MouseMove(kLeftButton | kRightButton, 0, 500, 500);
    c.form.MouseMove(0, 0, 500, 500);
    EXPECT_EQ(c.rt.Left(), 1030);
    // Shift, Ctrl or Alt change nothing.
    c.form.MouseDown(kLeftButton, 7, 300, 450);
    c.form.MouseMove(kLeftButton, 7, 310, 460);
    EXPECT_EQ(c.rt.Left(), 1040);
    EXPECT_EQ(c.rt.Top(), 1980);
}

TEST(Mouse, RightPressOnFaceOrReadoutOpensTheMenuMiddleDoesNothing) {
    Clock c;
    c.rt.settings["Size"] = "2000";  // wide enough for both lines
    c.At(13, 20, 30);
    c.Start();
    const Label& time = c.form.Label1();
    const Label& date = c.form.Label2();
    ASSERT_TRUE(time.Visible && date.Visible);
    c.form.MouseDown(kRightButton, 0, 200, 700);  // face
    c.form.MouseDown(kRightButton, 0, time.Left + 10, time.Top + 150);
    c.form.MouseDown(kRightButton, 0, date.Left + 10, date.Top + 10);
    EXPECT_EQ(c.rt.menusShown.size(), 3u);

    c.form.MouseDown(kMiddleButton, 0, 200, 700);
    c.form.MouseDown(kMiddleButton, 0, time.Left + 10, time.Top + 150);
    EXPECT_EQ(c.rt.menusShown.size(), 3u);
    EXPECT_EQ(c.v().dragX, 0);
}

TEST(Mouse, ALeftPressOnTheReadoutNeverDragsTheWindow) {
    Clock c;
    c.Start();
    const Label& time = c.form.Label1();
    c.form.MouseDown(kLeftButton, 0, time.Left + 10, time.Top + 150);
    c.form.MouseMove(kLeftButton, 0, time.Left + 300, time.Top + 400);
    EXPECT_EQ(c.rt.Left(), 120);
    EXPECT_EQ(c.rt.Top(), 120);
    EXPECT_EQ(c.v().dragX, 0);
    c.form.MouseUp(kLeftButton, 0, 0, 0);

    // A hidden label takes no presses: the face gets them.
    c.form.anadigi_Click();
    c.Advance();
    c.form.Timer();
    c.form.MouseDown(kLeftButton, 0, time.Left + 10, time.Top + 150);
    EXPECT_EQ(c.v().dragX, CInt(time.Left + 10));
}

TEST(PopupMenu, ListsSixteenEntriesAndRunsTheOneChosen) {
    Clock c;
    c.Start();
    c.rt.menuChoice = 4;  // 大きく(&B)
    c.form.MouseDown(kRightButton, 0, 200, 700);
    ASSERT_EQ(c.rt.menusShown.size(), 1u);
    const auto& items = c.rt.menusShown[0];
    const std::vector<std::string_view> captions = {"常に手前に表示",
                                                    "アナデジ時計(&A)",
                                                    "色変化(&H)",
                                                    "-",
                                                    "大きく(&B)",
                                                    "少し大きく(&L)",
                                                    "少し小さく(&S)",
                                                    "小さく(&M)",
                                                    "-",
                                                    "背景色を設定(&C)",
                                                    "枠の色を設定(&F)",
                                                    "針の色を設定(&P)",
                                                    "-",
                                                    "設定を初期化(&N)",
                                                    "TORVENについて(&V)",
                                                    "終了(&X)"};
    ASSERT_EQ(items.size(), 16u);
    for (std::size_t i = 0; i < items.size(); ++i)
        EXPECT_EQ(items[i].Caption, captions[i]) << i;
    EXPECT_TRUE(items[0].Checked);
    EXPECT_TRUE(items[1].Checked);
    EXPECT_FALSE(items[2].Checked);
    EXPECT_EQ(std::count_if(items.begin(), items.end(), [](auto& i) { return i.IsSeparator(); }),
              3);
    EXPECT_EQ(c.rt.Width(), 3200);

    // Ticks keep running while the menu is open; choosing nothing does nothing.
    c.rt.menuChoice = -1;
    c.rt.whileMenuOpen = [&] {
        c.Advance();
        c.form.Timer();
    };
    c.rt.draws.clear();
    c.form.MouseDown(kRightButton, 0, 200, 700);
    EXPECT_EQ(OfKind(c.rt.draws, DrawCall::kBox).size(), 12u);
    EXPECT_EQ(c.rt.Width(), 3200);

    // After the menu, a left press starts a drag again.
    c.form.MouseDown(kLeftButton, 0, 500, 500);
    EXPECT_EQ(c.v().dragX, 500);
}

TEST(AlwaysInFront, TogglesTheBandWithoutMovingTheWindow) {
    Clock c(15);
    c.rt.settings = {{"Left", "-300"}, {"Top", "-150"}};
    c.Start();
    ASSERT_TRUE(c.form.Checked("mnuTopmost"));
    const ZOrderCall atStart{Module1::HWND_TOPMOST, -20, -10, 107, 107, 0x50};
    ASSERT_EQ(c.rt.zOrderCalls.size(), 1u);
    EXPECT_EQ(c.rt.zOrderCalls[0], atStart);

    c.form.mnuTopmost_Click();
    EXPECT_FALSE(c.form.Checked("mnuTopmost"));
    EXPECT_FALSE(c.rt.topmost);
    EXPECT_EQ(c.rt.zOrderCalls.back(),
              (ZOrderCall{Module1::HWND_NOTOPMOST, -20, -10, 107, 107, 0x50}));
    EXPECT_EQ(c.v().windowRect, (Module1::RECT{-20, -10, 87, 97}));

    c.form.mnuTopmost_Click();
    EXPECT_TRUE(c.form.Checked("mnuTopmost"));
    EXPECT_TRUE(c.rt.topmost);
    EXPECT_EQ(c.rt.Left(), -300);
    EXPECT_EQ(c.rt.Top(), -150);
    EXPECT_EQ(c.rt.Width(), 1605);
    EXPECT_EQ(c.rt.resizes, 2);  // the two of start-up, none from the z-order
}

}  // namespace
}  // namespace torven::testing
