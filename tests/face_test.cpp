// The face's numbers, the tick, the hands and the readout, colours by hour.
#include "test_runtime.h"

namespace torven::testing {
namespace {

TEST(Readout, ShowsWhatTheWidthAndTheSwitchAllow) {
    for (const auto& [width, lines] : {std::pair(1199.9f, 0), {1200, 1}, {1699.9f, 1}, {1700, 2}}) {
        Clock c({}, {2026, 12, 6, 13, 20, 30});
        c.rt.SetWidth(width);
        EXPECT_EQ(std::pair(c.Label1().Visible, c.Label2().Visible),
                  std::pair(lines > 0, lines > 1));
    }
    Clock c({{"Size", "1700"}}, {2009, 1, 2, 0, 5, 9});  // every field two digits
    // The lines placed from the face's centre, (820, 830).
    const Label &time = c.Label1(), &date = c.Label2();
    EXPECT_EQ(
        std::tuple(time.Caption + " " + date.Caption, time.Left, time.Top, date.Left, date.Top),
        std::tuple("00:05:09 09/01/02", 520.0f, 1037.5f, 470.0f, 877.5f));
    // Switched off, both lines hide at the next second and keep their text; on, they show.
    for (const bool on : {false, true}) {
        c.Click(1), c.Run(2);
        EXPECT_EQ(std::tuple(c.Label1().Visible, c.Label2().Visible, c.Label1().Caption),
                  std::tuple(on, on, on ? "00:05:11" : "00:05:09"));
    }
}

TEST(HourColors, FollowTheHourOfTheDay) {
    using S = std::string;
    const std::tuple<int, int, S, S, S> bands[] = {
        {22, 24, "black", "blue", "white"}, {1, 4, "black", "grey", "white"},
        {5, 6, "navy", "blue", "white"},    {7, 9, "cyan", "blue", "black"},
        {10, 16, "white", "blue", "black"}, {17, 18, "white", "red", "black"},
        {19, 21, "cyan", "navy", "maroon"}};
    for (const auto& [from, to, background, frame, hands] : bands)
        for (int hour = from; hour <= to; ++hour) {
            Clock c({}, {2026, 12, 6, hour % 24, 30, 0});
            c.Click(2);
            EXPECT_EQ(c.State(), "120,120 1600x1600 " + background + "/" + frame + "/" + hands +
                                     " text " + hands + " anadigi mnuTopmost henka");
        }
}

TEST(HourColors, WhileOnTheFaceIsRebuiltOnceAMinute) {
    Clock c({{"Henka", "True"}}, {2026, 12, 6, 9, 58, 50});
    const auto face = [&] { return std::pair(c.Count("region"), At(c.form.Face(), 30, 30)); };
    EXPECT_EQ(face().second, kWhite);  // start-up shows the stored colours
    c.rt.log.clear(), c.Run(11);       // to 09:59:00
    EXPECT_EQ(face(), std::pair(1, kCyan));
    c.Run(61);  // to 10:00:00
    EXPECT_EQ(face(), std::pair(2, kWhite));
    // A picked colour lasts until the minute changes.
    c.rt.picks = {kRed}, c.Click(9);
    EXPECT_EQ(face(), std::pair(3, kRed));
    c.Run(61);
    EXPECT_EQ(face(), std::pair(4, kWhite));
    // Switched off, the colours stay as the hour left them.
    c.At(20, 0, 5), c.Run(1), c.Click(2);
    c.At(23, 0, 0), c.Run(2);
    EXPECT_EQ(c.State(), "120,120 1600x1600 cyan/navy/maroon text maroon anadigi mnuTopmost");
}

}  // namespace
}  // namespace torven::testing
