// The nine settings: their keys, defaults, ranges and text forms, read at start-up and
// written at the exit and when the session asks.
#include <algorithm>
#include <array>
#include <cfloat>
#include <string>
#include <vector>

#include "conversions.h"
#include "form1.h"

namespace torven {

namespace {

enum class SettingType { kSingle, kLong, kBoolean };

// Values outside [min, max] are rejected, or, for the size, brought into range so
// that the clock can always be seen and right-clicked.
struct SettingRange {
    double min = -FLT_MAX;
    double max = FLT_MAX;
    bool clamp = false;
};

std::optional<double> FromText(SettingType type, std::string_view text) {
    switch (type) {
        case SettingType::kSingle:
            if (auto v = ParseSingle(text)) return *v;
            break;
        case SettingType::kLong:
            if (auto v = ParseLong(text)) return *v;
            break;
        case SettingType::kBoolean:
            if (auto v = ParseBool(text)) return *v ? 1.0 : 0.0;
            break;
    }
    return std::nullopt;
}

std::string ToText(SettingType type, double value) {
    switch (type) {
        case SettingType::kSingle:
            return SingleText(static_cast<float>(value));
        case SettingType::kLong:
            return LongText(static_cast<std::int32_t>(value));
        case SettingType::kBoolean:
            return BoolText(value != 0);
    }
    return {};
}

}  // namespace

// The nine settings, in the order they are read at start-up and written at exit.
struct Form1::Setting {
    std::string_view key;
    SettingType type;
    std::string_view defaultText;
    SettingRange range;
    double (*get)(const Form1&);
    void (*set)(Form1&, double);
};

std::span<const Form1::Setting> Form1::Settings() {
    constexpr SettingRange kColor{0, 16777215};
    constexpr SettingRange kSize{400, 80000, true};
    static const std::array<Setting, 9> kSettings{{
        {"Top",
         SettingType::kSingle,
         "120",
         {},
         [](const Form1& f) -> double { return f.placed_.top; },
         [](Form1& f, double v) { f.rt_.SetTop(static_cast<float>(v)); }},
        {"Left",
         SettingType::kSingle,
         "120",
         {},
         [](const Form1& f) -> double { return f.placed_.left; },
         [](Form1& f, double v) { f.rt_.SetLeft(static_cast<float>(v)); }},
        {"Size", SettingType::kSingle, "1600", kSize,
         [](const Form1& f) -> double { return f.placed_.width; },
         [](Form1& f, double v) {
             // Square, with the width the window actually took.
             f.rt_.SetWidth(static_cast<float>(v));
             f.rt_.SetHeight(f.rt_.Width());
         }},
        {"Color1", SettingType::kLong, "16777215", kColor,
         [](const Form1& f) -> double { return f.bgColor; },
         [](Form1& f, double v) { f.bgColor = static_cast<Color>(v); }},
        {"Color2", SettingType::kLong, "16711680", kColor,
         [](const Form1& f) -> double { return f.frameColor; },
         [](Form1& f, double v) { f.frameColor = static_cast<Color>(v); }},
        {"Color3", SettingType::kLong, "0", kColor,
         [](const Form1& f) -> double { return f.handColor; },
         [](Form1& f, double v) { f.handColor = static_cast<Color>(v); }},
        {"Anadigi",
         SettingType::kBoolean,
         "True",
         {},
         [](const Form1& f) -> double { return f.menu_[1].Checked; },
         [](Form1& f, double v) { f.anadigi().Checked = v != 0; }},
        {"Temae",
         SettingType::kBoolean,
         "True",
         {},
         [](const Form1& f) -> double { return f.menu_[0].Checked; },
         [](Form1& f, double v) { f.mnuTopmost().Checked = v != 0; }},
        {"Henka",
         SettingType::kBoolean,
         "False",
         {},
         [](const Form1& f) -> double { return f.menu_[2].Checked; },
         [](Form1& f, double v) { f.henka().Checked = v != 0; }},
    }};
    return kSettings;
}

void Form1::ApplyDefaults(std::initializer_list<std::string_view> keys) {
    for (const std::string_view key : keys) {
        for (const Setting& setting : Settings()) {
            if (setting.key == key)
                setting.set(*this, *FromText(setting.type, setting.defaultText));
        }
    }
}

void Form1::ReadSettings() {
    for (const Setting& setting : Settings()) {
        const std::string text =
            rt_.GetSetting(kAppName, kSection, setting.key, setting.defaultText);
        std::optional<double> value = FromText(setting.type, text);
        if (value && (*value < setting.range.min || *value > setting.range.max)) {
            if (setting.range.clamp) {
                value = std::clamp(*value, setting.range.min, setting.range.max);
            } else {
                value.reset();
            }
        }
        if (!value) {
            rt_.Warn("TORVEN: setting " + std::string(setting.key) + " ignored: " + Quoted(text) +
                     " is not a valid value; using " + std::string(setting.defaultText));
            value = FromText(setting.type, setting.defaultText);
        }
        setting.set(*this, *value);
    }
}

bool Form1::SaveSettings() {
    std::vector<SettingText> texts;
    for (const Setting& setting : Settings())
        texts.push_back({setting.key, ToText(setting.type, setting.get(*this))});
    saved_ = rt_.SaveSettings(kAppName, kSection, texts);
    // The store kept none of them: name each value lost, so the user can set it again.
    if (!saved_)
        for (const SettingText& t : texts)
            rt_.Warn("TORVEN: could not save setting " + std::string(t.key) + " = " + t.text);
    return saved_;
}

}  // namespace torven
