// Rounding, the settings' text forms and the time texts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "conversions.h"

namespace torven {
namespace {

TEST(CInt, RoundsHalvesToEvenOnBothSides) {
    EXPECT_EQ(CInt(0.5), 0);
    EXPECT_EQ(CInt(1.5), 2);
    EXPECT_EQ(CInt(2.5), 2);
    EXPECT_EQ(CInt(3.5), 4);
    EXPECT_EQ(CInt(-0.5), 0);
    EXPECT_EQ(CInt(-1.5), -2);
    EXPECT_EQ(CInt(-2.5), -2);
    EXPECT_EQ(CInt(-2.6), -3);
    EXPECT_EQ(CInt(-1.2), -1);
    EXPECT_EQ(CInt(833.51), 834);
    EXPECT_EQ(CInt(-3.4e-15), 0);
    EXPECT_EQ(CInt(1e12), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(CInt(-1e12), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(CInt(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(SettingTexts, NumbersAsTheClockWritesThem) {
    EXPECT_EQ(SingleText(1600), "1600");
    EXPECT_EQ(SingleText(-500), "-500");
    EXPECT_EQ(SingleText(0), "0");
    EXPECT_EQ(SingleText(-0.0f), "0");
    EXPECT_EQ(SingleText(0.5f), "0.5");
    EXPECT_EQ(SingleText(1333.333f), "1333.333");
    EXPECT_EQ(SingleText(80000), "80000");
    EXPECT_EQ(SingleText(1e7f), "1E+07");
    EXPECT_EQ(SingleText(1333.3334f), "1333.3334");  // 7 digits would not read back
    EXPECT_EQ(SingleText(3.4028235e38f), "3.4028235E+38");
    EXPECT_EQ(LongText(16777215), "16777215");
    EXPECT_EQ(LongText(-1), "-1");
    EXPECT_EQ(BoolText(true), "True");
    EXPECT_EQ(BoolText(false), "False");
}

TEST(SettingTexts, EveryTextWrittenReadsBack) {
    for (int twips = -200000; twips <= 200000; twips += 7) {
        const float value = static_cast<float>(twips);
        ASSERT_EQ(SingleText(value), std::to_string(twips));
        ASSERT_EQ(ParseSingle(SingleText(value)), value);
    }
    // Any finite single, by its bit patterns.
    for (std::uint32_t bits = 0; bits < 0xFF000000u; bits += 0x00F0F0F1u) {
        float value;
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value)) continue;
        ASSERT_EQ(ParseSingle(SingleText(value)), value) << SingleText(value);
    }
    for (std::int32_t value : {0, 1, -1, 255, 16777215, std::numeric_limits<std::int32_t>::min(),
                               std::numeric_limits<std::int32_t>::max()}) {
        EXPECT_EQ(ParseLong(LongText(value)), value);
    }
    EXPECT_EQ(ParseBool(BoolText(true)), true);
    EXPECT_EQ(ParseBool(BoolText(false)), false);
}

TEST(SettingTexts, ReadersTakeWholeValuesOnly) {
    EXPECT_EQ(ParseSingle(" 120 "), 120.0f);
    EXPECT_EQ(ParseSingle("+5"), 5.0f);
    EXPECT_EQ(ParseSingle("1E+07"), 1e7f);
    EXPECT_EQ(ParseSingle("-2.5"), -2.5f);
    for (const char* bad :
         {"", " ", "abc", "12abc", "1,5", "inf", "-inf", "nan", "1e39", "--1", "+"}) {
        EXPECT_EQ(ParseSingle(bad), std::nullopt) << bad;
    }
    EXPECT_EQ(ParseLong("16711680"), 16711680);
    EXPECT_EQ(ParseLong(" -7 "), -7);
    for (const char* bad : {"", "1.5", "0x10", "99999999999", "12 3", "blue"}) {
        EXPECT_EQ(ParseLong(bad), std::nullopt) << bad;
    }
    EXPECT_EQ(ParseBool("true"), true);
    EXPECT_EQ(ParseBool(" FALSE "), false);
    EXPECT_EQ(ParseBool("-1"), true);
    EXPECT_EQ(ParseBool("0"), false);
    EXPECT_EQ(ParseBool("yes"), std::nullopt);
    EXPECT_EQ(ParseBool(""), std::nullopt);
}

TEST(TimeTexts, TwoDigitFields) {
    const DateTime t{2026, 12, 6, 13, 20, 30};
    EXPECT_EQ(Format(t, "hh:mm:ss"), "13:20:30");
    EXPECT_EQ(Format(t, "yy/mm/dd"), "26/12/06");
    EXPECT_EQ(Format(t, "hh"), "13");
    EXPECT_EQ(Format({2000, 1, 2, 0, 5, 9}, "hh:mm:ss"), "00:05:09");
    EXPECT_EQ(Format({2009, 1, 2, 0, 5, 9}, "yy/mm/dd"), "09/01/02");
    EXPECT_EQ(Mid("13:20:30", 1, 2), "13");
    EXPECT_EQ(Mid("13:20:30", 4, 2), "20");
    EXPECT_EQ(Mid("13:20:30", 7, 2), "30");
    EXPECT_EQ(Mid("13:20:30", 8, 5), "0");
    EXPECT_EQ(Mid("13", 9, 2), "");
}

TEST(Quoted, MakesStoredTextSafeToPrint) {
    EXPECT_EQ(Quoted("blue"), "\"blue\"");
    EXPECT_EQ(Quoted("a\nb\x1b"), "\"a\\x0Ab\\x1B\"");
    EXPECT_EQ(Quoted(std::string(100, 'x')), "\"" + std::string(40, 'x') + "\"...");
}

}  // namespace
}  // namespace torven
