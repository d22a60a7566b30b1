// Window behaviour: start-up and the settings store, shut-down, dragging and the
// popup menu, always in front.
#include <algorithm>
#include <array>
#include <cfloat>
#include <string>
#include <utility>
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

void Form1::Load() {
    Form_Load();
    ShowChanges();
}

void Form1::Resize() {
    if (loaded_) Form_Resize();
    ShowChanges();
}

void Form1::Timer() {
    if (loaded_) Timer1_Timer();
    ShowChanges();
}

void Form1::SyncImage() {
    const DeviceArea area = rt_.ClientArea();
    if (area == DeviceArea{face_.Width(), face_.Height(), face_.Dpi()}) return;
    const bool lost = face_.Blank() && face_.Width() > 0;  // said already
    if (!face_.Resize(area.width, area.height, area.dpi) && !lost)
        rt_.Warn("TORVEN: no memory for an image of " + std::to_string(area.width) + " x " +
                 std::to_string(area.height) + " pixels; the face stays blank");
}

void Form1::ShowChanges() {
    const std::vector<PixelRect> changed = face_.TakeChanges();
    if (!changed.empty()) rt_.ShowImage(changed);
}

void Form1::Form_Load() {
    loaded_ = true;
    SyncImage();
    Timer1_Timer();  // samples the time: the first face drawing relies on the positions
    PI = 3.1415926535898;
    ReadSettings();
    MOJISYOKU();
    BringOnScreen();
    Placed();
    Form_Resize();
    // The command toggles first, so toggle once here to end on the stored state; it
    // also shows the window.
    mnuTopmost().Checked = !mnuTopmost().Checked;
    mnuTopmost_Click();
    shown_ = true;
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

// A window that no monitor would show any of is brought onto the nearest one: one
// beyond its right or bottom edge so that it touches that edge, one beyond its left or
// top edge to that edge. A window that is partly visible stays exactly where it was.
void Form1::BringOnScreen() {
    const float left = rt_.Left(), top = rt_.Top();
    const float right = left + rt_.Width(), bottom = top + rt_.Height();
    // How far the window lies outside the monitor on each axis (0: within its span).
    const auto apart = [&](const TwipsRect& m) {
        return std::pair(std::max({m.left - right, left - m.right, 0.0f}),
                         std::max({m.top - bottom, top - m.bottom, 0.0f}));
    };
    const std::vector<TwipsRect> monitors = rt_.Monitors();
    const TwipsRect* nearest = nullptr;
    double nearestDistance = 0;
    for (const TwipsRect& monitor : monitors) {
        // Touching a monitor's edge shows nothing of the window.
        if (left < monitor.right && right > monitor.left && top < monitor.bottom &&
            bottom > monitor.top)
            return;
        const auto [dx, dy] = apart(monitor);
        const double distance = double(dx) * dx + double(dy) * dy;
        if (!nearest || distance < nearestDistance) nearest = &monitor, nearestDistance = distance;
    }
    if (!nearest) return;
    const TwipsRect& m = *nearest;
    if (left >= m.right) {
        rt_.SetLeft(m.right - rt_.Width());
    } else if (right <= m.left) {
        rt_.SetLeft(m.left);
    }
    if (top >= m.bottom) {
        rt_.SetTop(m.bottom - rt_.Height());
    } else if (bottom <= m.top) {
        rt_.SetTop(m.top);
    }
}

void Form1::Unload() {
    if (!loaded_) return;
    loaded_ = false;
    int Cancel = 0;
    Form_Unload(Cancel);
    rt_.DestroyForm(saved_ ? 0 : 1);
}

void Form1::Form_Unload(int& /*Cancel*/) {
    SaveSettings();
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

void Form1::mnuExit_Click() {
    Unload();
}

void Form1::Form_MouseDown(int Button, int /*Shift*/, float X, float Y) {
    if (Button == kLeftButton) {
        dragX = CInt(X);
        dragY = CInt(Y);
    } else if (Button == kRightButton) {
        PopupMenu();
    }
}

// Moves the window by the pointer's offset from the press, so the point grabbed stays
// under the pointer: vertically first, then horizontally.
void Form1::Form_MouseMove(int Button, int /*Shift*/, float X, float Y) {
    if (Button != kLeftButton) return;
    rt_.SetTop(static_cast<float>(static_cast<double>(Y) + rt_.Top() - dragY));
    rt_.SetLeft(static_cast<float>(static_cast<double>(X) + rt_.Left() - dragX));
}

// A move that comes with a size the form did not give is a tiling layout's.
void Form1::Moved(float left, float top) {
    if (!loaded_ || !shown_ || rt_.Width() != placed_.width) return;
    placed_.left = left, placed_.top = top;
}

void Form1::Label1_MouseDown(int Button, int /*Shift*/, float /*X*/, float /*Y*/) {
    if (Button == kRightButton) PopupMenu();
}

void Form1::Label2_MouseDown(int Button, int /*Shift*/, float /*X*/, float /*Y*/) {
    if (Button == kRightButton) PopupMenu();
}

void Form1::PopupMenu() {
    const int chosen = rt_.PopupMenu(menu_);
    buttonsHeld_ = 0;  // the menu took the release
    if (loaded_) Click(chosen);
}

Form1::Target Form1::HitTest(float x, float y) const {
    const auto over = [x, y](const Label& label) {
        return label.Visible && x >= label.Left && x < label.Left + label.Width && y >= label.Top &&
               y < label.Top + label.Height;
    };
    if (over(labels_[kLabel1])) return Target::kLabel1;
    if (over(labels_[kLabel2])) return Target::kLabel2;
    return Target::kForm;
}

void Form1::MouseDown(int button, int shift, float x, float y) {
    if (!loaded_) return;
    if (buttonsHeld_ == 0) captured_ = HitTest(x, y);
    buttonsHeld_ |= button;
    switch (captured_) {
        case Target::kForm:
            Form_MouseDown(button, shift, x, y);
            break;
        case Target::kLabel1:
            Label1_MouseDown(button, shift, x - Label1().Left, y - Label1().Top);
            break;
        case Target::kLabel2:
            Label2_MouseDown(button, shift, x - Label2().Left, y - Label2().Top);
            break;
    }
    ShowChanges();  // what the menu's command drew
}

// Moves go to the object pressed while any button is held, so a drag that starts on
// a label never moves the window.
void Form1::MouseMove(int buttons, int shift, float x, float y) {
    if (!loaded_) return;
    buttonsHeld_ = buttons;
    const Target target = buttons != 0 ? captured_ : HitTest(x, y);
    if (target == Target::kForm) Form_MouseMove(buttons, shift, x, y);
}

void Form1::MouseUp(int button, int /*shift*/, float /*x*/, float /*y*/) {
    buttonsHeld_ &= ~button;
}

void Form1::mnuTopmost_Click() {
    Module1::GetWindowRect(rt_.hWnd(), windowRect);
    mnuTopmost().Checked = !mnuTopmost().Checked;
    const Module1::HWND insertAfter =
        mnuTopmost().Checked ? Module1::HWND_TOPMOST : Module1::HWND_NOTOPMOST;
    Module1::SetWindowPos(rt_.hWnd(), insertAfter, windowRect.Left, windowRect.Top,
                          windowRect.Right - windowRect.Left, windowRect.Bottom - windowRect.Top,
                          Module1::SWP_NOACTIVATE | Module1::SWP_SHOWWINDOW);
}

}  // namespace torven
