// The tick, the face geometry and drawing, the hands and readout, colours by hour.
#include <gtest/gtest.h>

#include "clock.h"

namespace torven::testing {
namespace {

TEST(Tick, HandPositionsComeFromTheTime) {
    struct Case {
        int hour, minute, second;
        float hourPos, minutePos;
    };
    // 66.666664: a third of the way from one o'clock to two.
    for (const Case& k : {Case{13, 20, 30, 66.666664f, 20.5f}, Case{0, 0, 0, 0.0f, 0.0f},
                          Case{12, 0, 0, 60.0f, 0.0f}}) {
        Clock c;
        c.At(k.hour, k.minute, k.second);
        c.Start();
        EXPECT_EQ(c.v().hourPos, k.hourPos) << k.hour;
        EXPECT_EQ(c.v().minutePos, k.minutePos) << k.hour;
        EXPECT_EQ(c.v().secondPos, k.second) << k.hour;
        EXPECT_EQ(c.v().markHalfSize, 40);
        // Midnight and noon (60 marks round) both point straight up, half the radius.
        if (k.minute == 0) {
            EXPECT_EQ(LinesWith(c.rt.draws, 5, kBlack).back().b, (Point{770, 470}));
        }
    }
}

TEST(Tick, ReadingsThatStraddleAnHourTakeEachFieldFromItsOwnReading) {
    Clock c;
    c.Start();
    const DateTime before{2026, 12, 6, 12, 59, 59};
    const DateTime after{2026, 12, 6, 13, 0, 0};
    c.rt.readings = {before, after, after, after, after};
    c.form.Timer();
    EXPECT_EQ(c.v().hourPos, 60.0f);  // hour from 12:59:59, minute from 13:00:00
    EXPECT_EQ(c.v().minutePos, 0.0f);
    EXPECT_EQ(c.v().secondPos, 0);
}

TEST(Tick, DrawsOncePerSecondOnTheFirstTickOfIt) {
    Clock c;
    c.At(13, 20, 30);
    c.Start();
    c.rt.draws.clear();
    for (int i = 0; i < 10; ++i)
        c.form.Timer();
    EXPECT_TRUE(c.rt.draws.empty());

    c.Advance();
    c.form.Timer();
    const auto afterFirst = c.rt.draws.size();
    for (int i = 0; i < 9; ++i)
        c.form.Timer();
    EXPECT_EQ(c.rt.draws.size(), afterFirst);
    EXPECT_EQ(OfKind(c.rt.draws, DrawCall::kBox).size(), 12u);  // one set of hour marks
    EXPECT_TRUE(OfKind(c.rt.draws, DrawCall::kFill).empty());   // never clears
    EXPECT_EQ(c.v().prevSecondPos, 31);

    // A clock set back simply draws the new positions.
    c.At(13, 20, 10);
    c.form.Timer();
    EXPECT_EQ(LinesWith(c.rt.draws, 1, kBlack).back().b, (Point{1200, 532}));
    EXPECT_EQ(c.v().prevSecondPos, 10);
}

TEST(Face, GeometryLabelsRingAndArcAtTheResetSize) {
    Clock c;
    c.Start();
    EXPECT_EQ(c.v().centerX, 770);
    EXPECT_EQ(c.v().centerY, 780);
    EXPECT_EQ(c.v().radius, 620);
    EXPECT_EQ(c.form.Label1().Top, 975);
    EXPECT_EQ(c.form.Label1().Left, 470);
    EXPECT_EQ(c.form.Label2().Top, 815);
    EXPECT_EQ(c.form.Label2().Left, 420);
    EXPECT_EQ(c.v().markIndex, 60);

    c.rt.draws.clear();
    c.form.Form_Resize();
    const auto circles = OfKind(c.rt.draws, DrawCall::kCircle);
    ASSERT_EQ(circles.size(), 2u);
    EXPECT_EQ(circles[0], (DrawCall{DrawCall::kCircle, {770, 780}, {}, 770, kBlue, 9, {}}));
    EXPECT_EQ(
        circles[1],
        (DrawCall{DrawCall::kCircle, {770, 780}, {}, 760, kWhite, 1, ArcSpan{1.8f, 2.4f, 1.0f}}));
}

TEST(Face, MinuteMarksAreStrokesBetweenTheHourMarks) {
    Clock c;
    c.Start();
    c.rt.draws.clear();
    c.form.Form_Resize();
    const auto lines = Lines(c.rt.draws);
    ASSERT_GE(lines.size(), 48u);
    // The 48 strokes are the last lines, in the order of the marks they stand at.
    std::vector<DrawCall> marks(lines.end() - 48, lines.end());
    std::map<int, DrawCall> byMark;
    for (int m = 0, k = 0; m < 60; ++m) {
        if (m % 5 != 0) byMark[m] = marks[k++];
    }
    const auto stroke = [&](int m) { return std::pair{byMark[m].a, byMark[m].b}; };
    EXPECT_EQ(stroke(1), std::pair(Point{834, 1384}, Point{835, 1403}));
    EXPECT_EQ(stroke(14), std::pair(Point{1374, 844}, Point{1393, 845}));
    EXPECT_EQ(stroke(16), std::pair(Point{1374, 716}, Point{1393, 715}));
    EXPECT_EQ(stroke(29), std::pair(Point{834, 176}, Point{835, 157}));
    EXPECT_EQ(stroke(44), std::pair(Point{166, 716}, Point{147, 715}));
    EXPECT_EQ(stroke(59), std::pair(Point{706, 1384}, Point{705, 1403}));
    for (const DrawCall& mark : marks) {
        EXPECT_EQ(mark.width, 1);
        EXPECT_EQ(mark.color, kBlack);
    }
}

TEST(Face, SmallWindows) {
    Clock c;
    c.Start();
    c.rt.SetWidth(400);
    c.rt.SetHeight(400);
    EXPECT_EQ(c.v().centerX, 170);
    EXPECT_EQ(c.v().centerY, 180);
    EXPECT_EQ(c.v().radius, 20);
    c.rt.SetWidth(800);
    c.rt.SetHeight(800);
    EXPECT_EQ(c.v().centerX, 370);
    EXPECT_EQ(c.v().centerY, 380);
    EXPECT_EQ(c.v().radius, 220);

    // Half the width minus 30 rounds to 0: no highlight arc (and no ring of no size).
    for (float width : {59.0f, 60.0f, 61.0f}) {
        c.rt.draws.clear();
        c.rt.SetWidth(width);
        EXPECT_EQ(c.v().centerX, 0) << width;
        EXPECT_TRUE(OfKind(c.rt.draws, DrawCall::kCircle).empty()) << width;
    }
}

TEST(Face, WindowIsCutToTheEllipseInsideTheClientArea) {
    Clock c(15);
    c.Start();
    ASSERT_EQ(c.rt.WidthPixels(), 107);  // 1600 twips on a 96-DPI screen
    ASSERT_FALSE(c.rt.regions.empty());
    EXPECT_EQ(c.rt.regions.back(), (Module1::RECT{1, 1, 108, 109}));
    EXPECT_EQ(c.v().windowRect, (Module1::RECT{8, 8, 115, 115}));  // last filled by GetWindowRect
    EXPECT_EQ(LiveRegions(), 0);  // every region made went to the window
}

TEST(Face, DrawingTwiceGivesTheSamePicture) {
    Clock c;
    c.At(13, 20, 30);
    c.Start();
    c.rt.draws.clear();
    c.form.Form_Resize();
    const auto once = c.rt.draws;
    const FormVariables after = c.v();
    c.rt.draws.clear();
    c.form.Form_Resize();
    EXPECT_EQ(c.rt.draws, once);
    EXPECT_EQ(c.v().prevMinutePos, after.prevMinutePos);
    EXPECT_EQ(c.v().centerX, after.centerX);
}

TEST(Hands, EndPointsAndHourMarksAtRadius620) {
    Clock c;
    c.At(3, 0, 0);
    c.Start();
    c.rt.draws.clear();
    c.form.Form_Resize();
    const auto hour = LinesWith(c.rt.draws, 5, kBlack);
    const auto minute = LinesWith(c.rt.draws, 2, kBlack);
    ASSERT_EQ(hour.size(), 1u);
    ASSERT_EQ(minute.size(), 1u);
    EXPECT_EQ(hour[0].a, (Point{770, 780}));
    EXPECT_EQ(hour[0].b, (Point{1080, 780}));
    EXPECT_EQ(minute[0].b, (Point{770, 315}));

    const auto boxes = OfKind(c.rt.draws, DrawCall::kBox);
    ASSERT_EQ(boxes.size(), 12u);
    EXPECT_EQ(boxes[0], (DrawCall{DrawCall::kBox, {730, 1360}, {810, 1440}, 0, kBlack, 1, {}}));
    EXPECT_EQ(boxes[3], (DrawCall{DrawCall::kBox, {1350, 740}, {1430, 820}, 0, kBlack, 1, {}}));

    Clock half;
    half.At(13, 20, 30);
    half.Start();
    half.rt.draws.clear();
    half.form.Form_Resize();
    const auto lines = Lines(half.rt.draws);
    const DrawCall second = lines[lines.size() - 49];  // drawn last, before the minute marks
    EXPECT_EQ(second, (DrawCall{DrawCall::kLine, {770, 780}, {770, 1276}, 0, kBlack, 1, {}}));
}

TEST(Hands, EachSecondErasesWhatMovedAndRedrawsAllThree) {
    Clock c;
    c.At(13, 20, 30);
    c.Start();
    c.rt.draws.clear();
    c.Run(2);
    const auto& d = c.rt.draws;
    // The old second and minute hands go in the background colour before any hand is drawn.
    const auto erased = LinesWith(d, 1, kWhite);
    ASSERT_EQ(erased.size(), 1u);
    EXPECT_EQ(erased[0].b, (Point{770, 1276}));
    EXPECT_EQ(LinesWith(d, 2, kWhite).size(), 1u);
    EXPECT_TRUE(LinesWith(d, 5, kWhite).empty());  // the hour hand stands still within a minute
    std::size_t lastErase = 0, firstHand = d.size();
    for (std::size_t i = 0; i < d.size(); ++i) {
        if (d[i].kind != DrawCall::kLine) continue;
        if (d[i].color == kWhite) lastErase = i;
        if (d[i].color == kBlack) firstHand = std::min(firstHand, i);
    }
    EXPECT_LT(lastErase, firstHand);
    EXPECT_EQ(LinesWith(d, 5, kBlack).size(), 1u);
    EXPECT_EQ(LinesWith(d, 2, kBlack).size(), 1u);
    EXPECT_EQ(c.form.DrawWidth(), 1);
}

TEST(Hands, MinuteHandEraseIsSkippedNearTwelveAndCaughtUpLater) {
    Clock c;
    c.rt.settings["Size"] = "2360";  // radius 1000
    c.At(5, 0, 1);
    c.Start();
    ASSERT_EQ(c.v().radius, 1000);
    EXPECT_EQ(c.v().prevMinutePos, 1.0f / 60);

    c.rt.draws.clear();
    c.At(5, 0, 2);
    c.form.Timer();
    EXPECT_TRUE(LinesWith(c.rt.draws, 2, kWhite).empty());  // A = 1 and B = 1
    EXPECT_EQ(c.v().prevMinutePos, 1.0f / 60);

    c.At(5, 0, 3);
    c.form.Timer();
    const auto erased = LinesWith(c.rt.draws, 2, kWhite);  // A = 1, B = 2
    ASSERT_EQ(erased.size(), 1u);
    EXPECT_EQ(erased[0].b, (Point{1151, 410}));  // where the hand of 05:00:01 stood
    EXPECT_EQ(c.v().prevMinutePos, 0.05f);
}

TEST(Readout, ShowsWhatTheWidthAllows) {
    struct Case {
        float width;
        bool time;
        bool date;
    };
    for (const Case& k : {Case{1199.9f, false, false}, Case{1200, true, false},
                          Case{1699.9f, true, false}, Case{1700, true, true}}) {
        Clock c;
        c.At(13, 20, 30);
        c.Start();
        c.rt.SetWidth(k.width);
        EXPECT_EQ(c.form.Label1().Visible, k.time) << k.width;
        EXPECT_EQ(c.form.Label2().Visible, k.date) << k.width;
    }

    Clock c;
    c.rt.settings["Size"] = "1700";
    c.At(13, 20, 30);
    c.Start();
    EXPECT_EQ(c.form.Label1().Caption, "13:20:30");
    EXPECT_EQ(c.form.Label2().Caption, "26/12/06");

    // Switched off, both lines hide at once at the next second and keep their text.
    c.form.anadigi_Click();
    c.Run(2);
    EXPECT_FALSE(c.form.Label1().Visible);
    EXPECT_FALSE(c.form.Label2().Visible);
    EXPECT_EQ(c.form.Label1().Caption, "13:20:30");
    c.rt.SetWidth(5000);
    EXPECT_FALSE(c.form.Label1().Visible);

    c.form.anadigi_Click();
    c.Run(2);
    EXPECT_TRUE(c.form.Label1().Visible);
    EXPECT_EQ(c.form.Label1().Caption, "13:20:32");
}

// The table by its bands: 22-00, 01-04, 05-06, 07-09, 10-16, 17-18, 19-21.
TEST(HourColors, FollowTheHourOfTheDay) {
    struct Band {
        int from, to;
        Color bg, frame, hands;
    };
    const Band bands[] = {{22, 24, kBlack, kBlue, kWhite}, {0, 0, kBlack, kBlue, kWhite},
                          {1, 4, kBlack, kGrey, kWhite},   {5, 6, kNavy, kBlue, kWhite},
                          {7, 9, kCyan, kBlue, kBlack},    {10, 16, kWhite, kBlue, kBlack},
                          {17, 18, kWhite, kRed, kBlack},  {19, 21, kCyan, kNavy, kMaroon}};
    for (const Band& band : bands) {
        for (int hour = band.from; hour <= band.to && hour < 24; ++hour) {
            Clock c;
            c.At(hour, 30, 0);
            c.Start();
            c.form.henka_Click();
            EXPECT_EQ(c.v().bgColor, band.bg) << hour;
            EXPECT_EQ(c.v().frameColor, band.frame) << hour;
            EXPECT_EQ(c.v().handColor, band.hands) << hour;
            EXPECT_EQ(c.form.Label1().ForeColor, band.hands) << hour;
            EXPECT_EQ(c.form.BackColor(), band.bg) << hour;
        }
    }
}

TEST(HourColors, RecomputedAndRedrawnOncePerMinuteWhileOn) {
    Clock c;
    c.rt.settings["Henka"] = "True";
    c.At(9, 58, 50);
    c.Start();
    EXPECT_EQ(c.v().bgColor, kWhite);  // start-up shows the stored colours
    const auto redraws = c.rt.regions.size();

    c.Run(11);  // to 09:59:00
    EXPECT_EQ(c.rt.regions.size(), redraws + 1);
    EXPECT_EQ(c.v().bgColor, kCyan);
    EXPECT_EQ(c.v().handColor, kBlack);

    c.rt.draws.clear();
    c.Run(60);  // 09:59:00 .. 09:59:59: only the hands
    EXPECT_EQ(c.rt.regions.size(), redraws + 1);
    EXPECT_TRUE(OfKind(c.rt.draws, DrawCall::kFill).empty());

    c.Advance();
    c.form.Timer();  // 10:00:00
    EXPECT_EQ(c.rt.regions.size(), redraws + 2);
    EXPECT_EQ(c.v().bgColor, kWhite);
    EXPECT_EQ(c.v().frameColor, kBlue);

    // A picked colour lasts until the minute changes.
    c.rt.colorAnswers = {kRed};
    c.form.iro_Click();
    EXPECT_EQ(c.v().bgColor, kRed);
    c.Run(61);
    EXPECT_EQ(c.v().bgColor, kWhite);
}

TEST(HourColors, SwitchingOnAppliesAtOnceAndOffKeepsTheColours) {
    Clock c;
    c.At(17, 5, 0);
    c.Start();
    c.form.henka_Click();
    EXPECT_TRUE(c.form.Checked("henka"));
    EXPECT_EQ(c.v().bgColor, kWhite);
    EXPECT_EQ(c.v().frameColor, kRed);
    EXPECT_EQ(c.form.Label2().ForeColor, kBlack);

    Clock evening;
    evening.At(20, 0, 0);
    evening.Start();
    evening.form.henka_Click();
    evening.rt.draws.clear();
    evening.form.henka_Click();
    EXPECT_FALSE(evening.form.Checked("henka"));
    EXPECT_TRUE(evening.rt.draws.empty());
    evening.Run(120);  // off: the tick never recomputes
    EXPECT_EQ(evening.v().bgColor, kCyan);
    EXPECT_EQ(evening.v().frameColor, kNavy);
    EXPECT_EQ(evening.v().handColor, kMaroon);
    evening.form.Unload();
    EXPECT_EQ(evening.rt.settings["Color1"], "16776960");
    EXPECT_EQ(evening.rt.settings["Color3"], "128");
}

}  // namespace
}  // namespace torven::testing
