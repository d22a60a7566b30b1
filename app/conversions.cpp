#include "conversions.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "forms_runtime.h"

namespace torven {

namespace {

std::string_view Trim(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n";
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

std::string PrintSingle(float value, int digits) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.*G", digits, static_cast<double>(value));
    return buffer;
}

}  // namespace

std::int32_t CInt(double value) {
    if (std::isnan(value)) return 0;
    const double rounded = std::nearbyint(value);  // the default mode rounds halves to even
    constexpr double kMin = std::numeric_limits<std::int32_t>::min();
    constexpr double kMax = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::clamp(rounded, kMin, kMax));
}

std::string SingleText(float value) {
    if (value == 0) return "0";  // also for -0
    std::string text = PrintSingle(value, 7);
    if (ParseSingle(text) == value) return text;
    // The shortest text that reads back exactly.
    char buffer[40];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    text.assign(buffer, end);
    std::replace(text.begin(), text.end(), 'e', 'E');
    return text;
}

std::string LongText(std::int32_t value) {
    return std::to_string(value);
}

std::string BoolText(bool value) {
    return value ? "True" : "False";
}

std::optional<float> ParseSingle(std::string_view text) {
    text = Trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text.front())) ||
                          text.front() == '-' || text.front() == '.')) {
        return std::nullopt;  // also keeps out "inf" and "nan"
    }
    float value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::int32_t> ParseLong(std::string_view text) {
    text = Trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<bool> ParseBool(std::string_view text) {
    text = Trim(text);
    if (EqualsIgnoringCase(text, "True")) return true;
    if (EqualsIgnoringCase(text, "False")) return false;
    if (const auto number = ParseSingle(text)) return *number != 0;
    return std::nullopt;
}

std::string Format(const DateTime& time, std::string_view pattern) {
    std::string out;
    bool afterHour = false;
    for (std::size_t i = 0; i < pattern.size();) {
        const std::string_view field = pattern.substr(i, 2);
        int value = -1;
        if (field == "hh") {
            value = time.hour;
            afterHour = true;
        } else if (field == "mm") {
            value = afterHour ? time.minute : time.month;
        } else if (field == "ss") {
            value = time.second;
        } else if (field == "yy") {
            value = time.year;
        } else if (field == "dd") {
            value = time.day;
        }
        if (value < 0) {
            out += pattern[i++];
            continue;
        }
        value %= 100;
        out += char('0' + value / 10);
        out += char('0' + value % 10);
        i += 2;
    }
    return out;
}

std::string_view Mid(std::string_view text, std::size_t start, std::size_t length) {
    if (start == 0 || start > text.size()) return {};
    return text.substr(start - 1, length);
}

std::string Quoted(std::string_view text) {
    constexpr std::size_t kMaxShown = 40;
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size() && i < kMaxShown; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\') {
            out += char(c);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", c);
            out += escape;
        }
    }
    out += text.size() > kMaxShown ? "\"..." : "\"";
    return out;
}

}  // namespace torven
