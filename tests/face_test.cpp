// The face's numbers, the tick, the hands and readout, colours by hour.
#include "clock.h"
#include "geometry.h"

namespace torven::testing {
namespace {

TEST(Geometry, DialAndReadoutFollowTheWindowSize) {
    struct Case {
        float size;
        Dial dial;
    };
    for (const Case& k : {Case{1600, {770, 780, 620}}, Case{400, {170, 180, 20}},
                          Case{800, {370, 380, 220}}, Case{80000, {39970, 39980, 39820}},
                          Case{59, {0, 10, -150}}, Case{61, {0, 10, -150}}}) {
        const Dial d = FaceDial(k.size, k.size, kPI);
        EXPECT_EQ(std::tie(d.centerX, d.centerY, d.radius),
                  std::tie(k.dial.centerX, k.dial.centerY, k.dial.radius))
            << k.size;
    }
    EXPECT_EQ(FaceDial(1600, 2000, kPI).radius, 620);  // the nearer edge
    const Dial d = FaceDial(1600, 1600, kPI);
    EXPECT_EQ(TimeLabelPlace(d), (LabelPlace{470, 975}));
    EXPECT_EQ(DateLabelPlace(d), (LabelPlace{420, 815}));
    EXPECT_EQ(TimeLabelPlace(FaceDial(1602, 1602, kPI)), (LabelPlace{471, 976.25f}));
}

TEST(Geometry, HandsAndMarksAtTheResetSize) {
    const Dial d{770, 780, 620, kPI};
    struct Hand {
        float position;
        double length;
        Point end;
    };
    for (const Hand& k : {Hand{15, 0.5, {1080, 780}}, Hand{0, 0.75, {770, 315}},
                          Hand{30, 0.8, {770, 1276}}, Hand{0, 0.5, {770, 470}},
                          Hand{60, 0.5, {770, 470}}, Hand{10, 0.8, {1200, 532}},
                          Hand{66.666664f, 0.5, {969, 543}}}) {
        EXPECT_EQ(d.HandEnd(k.position, k.length), k.end) << k.position;
    }
    EXPECT_EQ(d.HourMark(0, 40), (Stroke{{{730, 1360}, {810, 1440}}}));
    EXPECT_EQ(d.HourMark(15, 40), (Stroke{{{1350, 740}, {1430, 820}}}));
    struct Mark {
        float index;
        Stroke stroke;
    };
    for (const Mark& k : {Mark{1, {{{834, 1384}, {835, 1403}}}}, Mark{14, {{{1374, 844}, {1393, 845}}}},
                          Mark{16, {{{1374, 716}, {1393, 715}}}}, Mark{29, {{{834, 176}, {835, 157}}}},
                          Mark{44, {{{166, 716}, {147, 715}}}}, Mark{59, {{{706, 1384}, {705, 1403}}}}}) {
        EXPECT_EQ(d.MinuteMark(k.index), k.stroke) << k.index;
    }
    // The largest window: the mark at three o'clock still fits.
    EXPECT_EQ(Dial(39970, 39980, 39820, kPI).HourMark(15, 40)[1], (Point{79830, 40020}));
    // The minute test near twelve on a radius of 1000: 00:01 against 00:02 and 00:03.
    const Dial big{1150, 1160, 1000, kPI};
    EXPECT_EQ(big.HandReach(1 / 60.0f, 0.8), 1);
    EXPECT_EQ(big.HandReach(2 / 60.0f, 0.3), 1);
    EXPECT_EQ(big.HandReach(3 / 60.0f, 0.3), 2);
}

TEST(Tick, HandPositionsComeFromTheTime) {
    struct Case {
        DateTime first, rest;  // the first reading, and the four after it
        float hourPos, minutePos;
        int secondPos;
    };
    const DateTime t1320{2026, 12, 6, 13, 20, 30}, noon{2026, 12, 6, 12, 0, 0};
    const DateTime midnight{2026, 12, 6, 0, 0, 0}, before1{2026, 12, 6, 12, 59, 59};
    const DateTime at1{2026, 12, 6, 13, 0, 0};
    // 66.666664: a third of the way from one o'clock to two. Readings that straddle
    // an hour take each field from its own reading.
    for (const Case& k : {Case{t1320, t1320, 66.666664f, 20.5f, 30}, Case{noon, noon, 60, 0, 0},
                          Case{midnight, midnight, 0, 0, 0}, Case{before1, at1, 60, 0, 0}}) {
        Clock c;
        c.At(9, 9, 9);
        c.Start();
        c.rt.readings = {k.first, k.rest, k.rest, k.rest, k.rest};
        c.form.Timer();
        EXPECT_EQ(c.v().hourPos, k.hourPos) << k.first.hour;
        EXPECT_EQ(c.v().minutePos, k.minutePos) << k.first.hour;
        EXPECT_EQ(c.v().secondPos, k.secondPos) << k.first.hour;
        EXPECT_EQ(c.v().markHalfSize, 40);
    }
}

TEST(Tick, DrawsOnceOnTheFirstTickOfEachSecond) {
    Clock c;
    c.At(13, 20, 30);
    c.Start();
    c.rt.log.clear();
    c.Run(1);
    EXPECT_TRUE(c.rt.log.empty());
    c.Run(2);
    EXPECT_EQ(c.Count("box"), 12u);  // one set of hour marks
    EXPECT_EQ(c.Count("fill"), 0u);  // never clears
    EXPECT_EQ(c.v().prevSecondPos, 31);
}

// After the wall clock jumps (set forward or back, or the repeated hour when daylight
// saving ends), the face shows exactly what a clock started at that time shows.
TEST(Tick, AfterAJumpTheFaceIsThatOfAFreshStart) {
    struct Case {
        int hour, minute, second;
    };
    // At 01:59:59: forward, back, and into the repeated hour.
    for (const Case& k : {Case{15, 45, 10}, Case{0, 20, 31}, Case{1, 0, 0}}) {
        Clock running;
        running.At(1, 59, 50);
        running.Start();
        running.Run(10);
        running.At(k.hour, k.minute, k.second);
        running.Run(2);
        Clock fresh;
        fresh.At(k.hour, k.minute, k.second);
        fresh.Start();
        fresh.Run(2);
        EXPECT_EQ(Shown(running.rt.log), Shown(fresh.rt.log)) << k.hour << ":" << k.minute;
        EXPECT_EQ(running.form.Label1().Caption, fresh.form.Label1().Caption);
    }
}

TEST(Hands, EachSecondErasesWhatMovedBeforeDrawingAllThree) {
    Clock c;
    c.At(13, 20, 30);
    c.Start();
    EXPECT_EQ(c.Last("line w1 black 770,780"), "line w1 black 770,780 770,1276");
    c.rt.log.clear();
    c.Run(2);
    const std::vector<std::string> lines = c.rt.Find("line");
    // The hour hand stands still within a minute.
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "line w2 white 770,780 1160,1033", "line w1 white 770,780 770,1276",
                         "line w5 black 770,780 969,543", "line w2 black 770,780 1160,1034",
                         "line w1 black 770,780 718,1273"}));
    EXPECT_EQ(c.form.DrawWidth(), 1);

    // A new minute moves the hour hand too: it is erased where it stood.
    c.At(13, 21, 0);
    c.Run(1);
    EXPECT_EQ(c.Last("line w5 white"), "line w5 white 770,780 969,543");
}

TEST(Hands, MinuteHandEraseIsSkippedNearTwelveAndCaughtUpLater) {
    Clock c;
    c.rt.settings["Size"] = "2360";  // radius 1000
    c.At(5, 0, 1);
    c.Start();
    c.rt.log.clear();
    c.At(5, 0, 2);
    c.Run(1);
    EXPECT_EQ(c.Count("line w2 white"), 0u);
    c.At(5, 0, 3);
    c.Run(1);
    EXPECT_EQ(c.rt.Find("line w2 white"),
              std::vector<std::string>{"line w2 white 1150,1160 1151,410"});  // that of 05:00:01
}

TEST(Readout, ShowsWhatTheWidthAndTheSwitchAllow) {
    struct Case {
        float width;
        bool time, date;
    };
    for (const Case& k : {Case{1199.9f, false, false}, Case{1200, true, false},
                          Case{1699.9f, true, false}, Case{1700, true, true}}) {
        Clock c;
        c.Start();
        c.rt.SetWidth(k.width);
        EXPECT_EQ(c.form.Label1().Visible, k.time) << k.width;
        EXPECT_EQ(c.form.Label2().Visible, k.date) << k.width;
    }

    Clock c;
    c.rt.settings["Size"] = "1700";
    c.Start();
    EXPECT_EQ(c.form.Label1().Caption, "13:20:30");
    EXPECT_EQ(c.form.Label2().Caption, "26/12/06");
    // Switched off, both lines hide at the next second and keep their text.
    c.form.Click(1);
    c.Run(2);
    EXPECT_FALSE(c.form.Label1().Visible || c.form.Label2().Visible);
    EXPECT_EQ(c.form.Label1().Caption, "13:20:30");
    c.form.Click(1);
    c.Run(2);
    EXPECT_TRUE(c.form.Label1().Visible && c.form.Label2().Visible);
    EXPECT_EQ(c.form.Label1().Caption, "13:20:32");
}

TEST(HourColors, FollowTheHourOfTheDay) {
    struct Band {
        int from, to;
        Color bg, frame, hands;
    };
    for (const Band& band : {Band{22, 24, kBlack, kBlue, kWhite}, Band{1, 4, kBlack, kGrey, kWhite},
                             Band{5, 6, kNavy, kBlue, kWhite}, Band{7, 9, kCyan, kBlue, kBlack},
                             Band{10, 16, kWhite, kBlue, kBlack}, Band{17, 18, kWhite, kRed, kBlack},
                             Band{19, 21, kCyan, kNavy, kMaroon}}) {
        for (int hour = band.from; hour <= band.to; ++hour) {
            Clock c;
            c.At(hour % 24, 30, 0);
            c.Start();
            c.form.Click(2);
            EXPECT_EQ(c.v().bgColor, band.bg) << hour;
            EXPECT_EQ(c.v().frameColor, band.frame) << hour;
            EXPECT_EQ(c.form.Label2().ForeColor, band.hands) << hour;
            EXPECT_EQ(c.Last("circle"), "circle w9 " + ColorName(band.frame) + " 770,780 r770");
            EXPECT_TRUE(c.Last("line w1").starts_with("line w1 " + ColorName(band.hands)));
        }
    }
}

TEST(HourColors, WhileOnTheFaceIsRebuiltOnceAMinute) {
    Clock c;
    c.rt.settings["Henka"] = "True";
    c.At(9, 58, 50);
    c.Start();
    EXPECT_EQ(c.v().bgColor, kWhite);  // start-up shows the stored colours
    c.rt.log.clear();
    c.Run(11);  // to 09:59:00
    EXPECT_EQ(c.Count("region"), 1u);
    EXPECT_EQ(c.v().bgColor, kCyan);
    c.Run(61);  // to 10:00:00
    EXPECT_EQ(c.Count("region"), 2u);
    EXPECT_EQ(c.Count("fill"), 4u);  // a clear and a new background at each full redraw
    EXPECT_EQ(c.v().bgColor, kWhite);

    // A picked colour lasts until the minute changes.
    c.rt.picks = {kRed};
    c.form.Click(9);
    EXPECT_EQ(c.v().bgColor, kRed);
    c.Run(61);
    EXPECT_EQ(c.v().bgColor, kWhite);

    // Switched off at eight in the evening, the colours stay and are saved.
    c.At(20, 0, 5);
    c.Run(1);
    c.rt.log.clear();
    c.form.Click(2);
    EXPECT_TRUE(c.rt.log.empty());
    c.At(23, 0, 0);
    c.Run(2);
    c.form.Unload();
    EXPECT_EQ(c.Count("save Color1=16776960"), 1u);
    EXPECT_EQ(c.Count("save Color3=128"), 1u);
}

}  // namespace
}  // namespace torven::testing
