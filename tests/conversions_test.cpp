// The settings' text forms and quoting.
#include <gtest/gtest.h>

#include <limits>

#include "conversions.h"
#include "forms_runtime.h"

namespace torven {
namespace {

TEST(Conversions, TextsAsTheClockWritesThemReadBackExactly) {
    std::string texts;
    for (float value : {1600.0f, -500.0f, -0.0f, 0.5f, 1e7f, 1333.333f, 1333.3334f, 3.4028235e38f})
        texts += SingleText(value) + " ";
    EXPECT_EQ(texts, "1600 -500 0 0.5 1E+07 1333.333 1333.3334 3.4028235E+38 ");
    for (int twips = -200000; twips <= 200000; twips += 7)
        ASSERT_EQ(ParseSingle(SingleText(float(twips))), float(twips)) << twips;
    for (std::int32_t value : {0, -1, 16777215, std::numeric_limits<std::int32_t>::min()})
        EXPECT_EQ(ParseLong(LongText(value)), value);
    EXPECT_EQ(BoolText(true) + BoolText(false), "TrueFalse");
    // What a warning quotes of a stored text: control and non-ASCII bytes escaped, 40 at most.
    EXPECT_EQ(Quoted("a\nb\x1b\"\x7f") + Quoted(std::string(41, 'x')).substr(40),
              "\"a\\x0Ab\\x1B\\x22\\x7F\"x\"...");
}

TEST(Conversions, ReadersTakeWholeValuesOnly) {
    EXPECT_EQ(std::tuple(ParseSingle(" 120 "), ParseSingle("+5"), ParseSingle(".5")),
              std::tuple(120.0f, 5.0f, 0.5f));
    for (const char* bad : {"", " ", "12abc", "1,5", "inf", "-inf", "nan", "1e39", "--1", "+"})
        EXPECT_EQ(ParseSingle(bad), std::nullopt) << bad;
    EXPECT_EQ(std::tuple(ParseLong(" -7 "), ParseLong("+16")), std::tuple(-7, 16));
    for (const char* bad : {"", "1.5", "0x10", "99999999999", "12 3"})
        EXPECT_EQ(ParseLong(bad), std::nullopt) << bad;
    const std::pair<const char*, std::optional<bool>> bools[] = {
        {"True", true}, {"False", false}, {"true", true}, {" FALSE ", false},
        {"-1", true},   {"0", false},     {"yes", {}},    {"", {}}};
    for (const auto& [text, value] : bools)
        EXPECT_EQ(ParseBool(text), value) << text;
}

}  // namespace
}  // namespace torven
