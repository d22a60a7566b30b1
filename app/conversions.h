// The clock's number, text and time conventions, written once.
//
// Numbers are converted the way the clock has always stored them: positions and
// sizes as the decimal text of a single-precision number, colours as the decimal
// text of a 32-bit integer, switches as True or False. Every text written reads
// back to the value it was written from.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace torven {

using Color = std::int32_t;  // 0x00BBGGRR
struct DateTime;

// Nearest integer, halves to even (2.5 -> 2, 3.5 -> 4, -2.5 -> -2). Saturates at the
// ends of the 32-bit range; NaN gives 0.
std::int32_t CInt(double value);

// RGB(r, g, b) = r + 256 g + 65536 b.
constexpr Color RGB(int r, int g, int b) {
    return r + 256 * g + 65536 * b;
}

// Text of a single: up to 7 significant digits, no trailing ".0", no exponent below
// 1E+07 ("1600", "-500", "1333.333"); more digits only where 7 would not read back.
std::string SingleText(float value);
std::string LongText(std::int32_t value);
std::string BoolText(bool value);

// Readers. Surrounding blanks are ignored; anything else that is not the whole
// value, or is out of the type's range, gives nothing.
std::optional<float> ParseSingle(std::string_view text);
std::optional<std::int32_t> ParseLong(std::string_view text);
// "True"/"False" in any case, or a number (non-zero is true).
std::optional<bool> ParseBool(std::string_view text);

// Fields "hh" (00-23), "mm" (minutes after "hh", else the month), "ss", "yy", "dd",
// two digits each; other characters are copied.
std::string Format(const DateTime& time, std::string_view pattern);

// `length` characters of `text` from the 1-based position `start`, as far as they go.
std::string_view Mid(std::string_view text, std::size_t start, std::size_t length);

// A stored text made safe to quote in a one-line message: control characters and
// non-ASCII bytes escaped, long texts shortened.
std::string Quoted(std::string_view text);

}  // namespace torven
