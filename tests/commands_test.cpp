// The colour, size, reset, readout and About commands.
#include <gtest/gtest.h>

#include "clock.h"

namespace torven::testing {
namespace {

TEST(ColourCommands, CancelChangesNothing) {
    Clock c;
    c.Start();
    c.rt.draws.clear();
    c.rt.labelChanges.clear();
    c.form.iro_Click();
    c.form.iro2_Click();
    c.form.iro3_Click();
    EXPECT_EQ(c.rt.colorDialogs, 3);
    EXPECT_EQ(c.v().bgColor, kWhite);
    EXPECT_EQ(c.v().frameColor, kBlue);
    EXPECT_EQ(c.v().handColor, kBlack);
    EXPECT_TRUE(c.rt.draws.empty());
    EXPECT_TRUE(c.rt.labelChanges.empty());
}

TEST(ColourCommands, HandsMarksAndReadoutTakeThePickedColourAtOnce) {
    Clock c;
    c.Start();
    c.rt.draws.clear();
    c.rt.colorAnswers = {kRed};
    c.form.iro3_Click();
    EXPECT_EQ(c.v().handColor, 255);
    EXPECT_EQ(c.form.Label1().ForeColor, kRed);
    EXPECT_EQ(c.form.Label2().ForeColor, kRed);
    EXPECT_EQ(LinesWith(c.rt.draws, 5, kRed).size(), 1u);
    EXPECT_EQ(LinesWith(c.rt.draws, 1, kRed).size(), 48u + 1);  // minute marks, second hand
    EXPECT_EQ(OfKind(c.rt.draws, DrawCall::kBox)[0].color, kRed);
}

TEST(ColourCommands, FrameColourRedrawsTheRingAndLeavesTheReadout) {
    Clock c;
    c.Start();
    c.rt.labelChanges.clear();
    c.rt.colorAnswers = {kMaroon};
    c.form.iro2_Click();
    EXPECT_EQ(c.v().frameColor, kMaroon);
    EXPECT_EQ(OfKind(c.rt.draws, DrawCall::kCircle).back().color, kWhite);  // the highlight
    EXPECT_EQ(OfKind(c.rt.draws, DrawCall::kCircle).rbegin()[1].color, kMaroon);
    EXPECT_EQ(c.form.Label1().ForeColor, kBlack);
}

TEST(ColourCommands, TheSameBackgroundAgainStillRedrawsTheWholeFace) {
    Clock c;
    c.Start();
    c.rt.draws.clear();
    const auto regions = c.rt.regions.size();
    c.rt.colorAnswers = {kWhite};
    c.form.iro_Click();
    EXPECT_EQ(OfKind(c.rt.draws, DrawCall::kFill).size(), 1u);  // the clear
    EXPECT_EQ(c.rt.regions.size(), regions + 1);

    // A new background repaints the surface before the face is drawn on it.
    c.rt.draws.clear();
    c.rt.colorAnswers = {kNavy};
    c.form.iro_Click();
    ASSERT_GE(c.rt.draws.size(), 1u);
    EXPECT_EQ(c.rt.draws[0], (DrawCall{DrawCall::kFill, {}, {}, 0, kNavy, 0, {}}));
    EXPECT_EQ(c.form.BackColor(), kNavy);
}

TEST(SizeCommands, FromTheResetSize) {
    struct Case {
        void (Form1::*command)();
        float size;
    };
    for (const Case& k :
         {Case{&Form1::ookiku2_Click, 3200}, Case{&Form1::ookiku_Click, 1920},
          Case{&Form1::tiisaku_Click, 1333.3334f}, Case{&Form1::tiisaku2_Click, 800}}) {
        Clock c;
        c.rt.settings = {{"Left", "500"}, {"Top", "700"}};
        c.Start();
        c.rt.assignments.clear();
        const auto regions = c.rt.regions.size();
        (c.form.*k.command)();
        const std::vector<Assignment> requests = {{'H', k.size}, {'W', k.size}};
        EXPECT_EQ(c.rt.assignments, requests) << k.size;  // height first, from the width
        EXPECT_EQ(c.rt.Width(), k.size);
        EXPECT_EQ(c.rt.Height(), k.size);
        EXPECT_EQ(c.rt.Left(), 500);  // the top-left corner stays
        EXPECT_EQ(c.rt.Top(), 700);
        EXPECT_EQ(c.rt.regions.size(), regions + 2);  // one redraw per size change
    }
}

TEST(SizeCommands, Limits) {
    Clock c;
    c.Start();
    c.rt.SetWidth(800);
    c.form.tiisaku2_Click();
    EXPECT_EQ(c.rt.Width(), 400);

    for (auto shrink : {&Form1::tiisaku_Click, &Form1::tiisaku2_Click}) {
        c.rt.SetWidth(799);
        c.rt.SetHeight(900);
        c.rt.assignments.clear();
        (c.form.*shrink)();
        EXPECT_TRUE(c.rt.assignments.empty());
        EXPECT_EQ(c.rt.Height(), 900);
    }
    for (auto grow : {&Form1::ookiku_Click, &Form1::ookiku2_Click}) {
        c.rt.SetWidth(40000);
        (c.form.*grow)();
        EXPECT_GT(c.rt.Width(), 40000);
        c.rt.SetWidth(40001);
        c.rt.assignments.clear();
        (c.form.*grow)();
        EXPECT_TRUE(c.rt.assignments.empty());
    }

    c.rt.SetWidth(1600);
    c.rt.SetHeight(2000);
    c.form.ookiku_Click();
    EXPECT_EQ(c.rt.Width(), 1920);
    EXPECT_EQ(c.rt.Height(), 1920);
}

TEST(SizeCommands, TheLargestWindowDrawsWithoutOverflow) {
    Clock c;
    c.Start();
    c.rt.SetWidth(40000);
    c.form.ookiku2_Click();
    ASSERT_EQ(c.rt.Width(), 80000);
    EXPECT_EQ(c.v().centerX, 39970);
    EXPECT_EQ(c.v().centerY, 39980);
    EXPECT_EQ(c.v().radius, 39820);
    const auto boxes = OfKind(c.rt.draws, DrawCall::kBox);
    EXPECT_EQ(boxes.rbegin()[8].b, (Point{39970 + 39820 + 40, 39980 + 40}));  // mark at 3 o'clock
    EXPECT_EQ(c.rt.regions.back(), (Module1::RECT{1, 1, 5334, 5335}));        // 5333 pixels
}

TEST(Reset, RestoresEveryDefaultAndRedraws) {
    Clock c;
    c.rt.settings = {{"Left", "500"},      {"Top", "500"},     {"Size", "3200"}, {"Henka", "True"},
                     {"Anadigi", "False"}, {"Temae", "False"}, {"Color3", "255"}};
    c.At(20, 0, 0);
    c.Start();
    c.form.henka_Click();
    c.form.henka_Click();
    ASSERT_TRUE(c.form.Checked("henka"));
    const auto zOrderCalls = c.rt.zOrderCalls;
    const auto regions = c.rt.regions.size();

    c.form.moto_Click();
    EXPECT_EQ(c.rt.Width(), 1600);
    EXPECT_EQ(c.rt.Height(), 1600);
    EXPECT_EQ(c.rt.Left(), 120);
    EXPECT_EQ(c.rt.Top(), 120);
    ExpectDefaultLook(c);
    EXPECT_EQ(c.rt.zOrderCalls, zOrderCalls);  // the band itself changes at the next start
    EXPECT_FALSE(c.rt.topmost);
    EXPECT_EQ(c.rt.regions.size(), regions + 3);  // width, height, and the explicit redraw
    EXPECT_EQ(c.form.BackColor(), kWhite);
    EXPECT_TRUE(c.rt.writes.empty());
}

TEST(Readout, TheSwitchTogglesAndIsSavedEvenWhenTooNarrowToShow) {
    Clock c;
    c.rt.settings["Size"] = "1000";
    c.Start();
    c.form.anadigi_Click();
    EXPECT_FALSE(c.form.Checked("anadigi"));
    c.form.anadigi_Click();
    EXPECT_TRUE(c.form.Checked("anadigi"));
    c.Run(2);
    EXPECT_FALSE(c.form.Label1().Visible);
    EXPECT_FALSE(c.form.Label2().Visible);
    c.form.anadigi_Click();
    c.form.Unload();
    EXPECT_EQ(c.rt.settings["Anadigi"], "False");
}

TEST(About, ShowsTwoLinesAndOneOkButton) {
    Clock c;
    c.Start();
    c.form.ver_Click();
    ASSERT_EQ(c.rt.messageBoxes.size(), 1u);
    const MessageBox& box = c.rt.messageBoxes[0];
    const auto newline = box.prompt.find("\r\n");
    ASSERT_NE(newline, std::string::npos);
    EXPECT_EQ(box.prompt.find('\n', newline + 2), std::string::npos);
    EXPECT_NE(box.prompt.substr(0, newline).find("Copyright"), std::string::npos);
    EXPECT_EQ(box.prompt.substr(newline + 2), "TORVEN Ver1.1.0");
    EXPECT_EQ(box.buttons, 0);
    EXPECT_EQ(box.title, "TORVEN");
}

}  // namespace
}  // namespace torven::testing
