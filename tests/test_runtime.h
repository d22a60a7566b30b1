// An in-memory host for Form1: whole pixels (or sizes as assigned), Resize when a size
// changes, scripted answers, and each effect the form asks for as a line of `log`; a clock
// on it, and readers of what it shows.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "access.h"
#include "conversions.h"
#include "form1.h"
#include "forms_runtime.h"
#include "host_suite.h"
#include "module1.h"
#include "twips.h"

namespace torven::testing {

// A colour as the log writes it: its name among the clock's colours, else 0x00BBGGRR.
std::string ColorName(Color color);

class TestRuntime final : public FormsRuntime {
  public:
    explicit TestRuntime(double twipsPerPixel = 15)
        : scale_(twipsPerPixel ? twipsPerPixel : 15), exact_(twipsPerPixel == 0) {
        for (float& side : rect_)
            side = Whole(side);
    }
    void Attach(FormEvents& form) { form_ = &form; }

    // E.g. "W 3200", "show", "save Top=120" (a line a value; none when refused), "destroy 1",
    // "zorder topmost", "region 1,1 108,109".
    std::vector<std::string> log;
    std::vector<std::string> Find(std::string_view prefix) const {
        std::vector<std::string> found;
        std::copy_if(log.begin(), log.end(), std::back_inserter(found),
                     [&](const std::string& entry) { return entry.starts_with(prefix); });
        return found;
    }

    // What the next requests get.
    std::vector<TwipsRect> monitors{{0, 0, 1920 * 15, 1080 * 15}};
    double dpi = 96;                              // of the client area, for the face's image
    std::map<std::string, std::string> settings;  // key -> text in TORVEN/Startup
    bool refuseWrites = false;
    bool refuseMoves = false;  // of the shown window, as compositors that place windows do
    int menuChoice = -1;
    std::function<void()> whileMenuOpen;     // runs inside PopupMenu, as a tick would
    std::deque<std::optional<Color>> picks;  // the colour picker's answers; none is Cancel
    DateTime now{2026, 12, 6, 13, 20, 30};
    std::vector<MenuItem> menuShown;
    std::vector<PixelRect> shown;  // every rectangle ShowImage was given
    Module1::RECT shape;           // the window's elliptic region, as last set
    bool topmost = false, visible = false;

    float Left() const override { return rect_[0]; }
    float Top() const override { return rect_[1]; }
    float Width() const override { return rect_[2]; }
    float Height() const override { return rect_[3]; }
    void SetLeft(float twips) override { Assign(0, twips); }
    void SetTop(float twips) override { Assign(1, twips); }
    void SetWidth(float twips) override { Assign(2, twips); }
    void SetHeight(float twips) override { Assign(3, twips); }
    std::vector<TwipsRect> Monitors() const override { return monitors; }
    std::intptr_t hWnd() const override { return reinterpret_cast<std::intptr_t>(this); }
    DeviceArea ClientArea() const override {
        const Module1::RECT r = WindowPixels();
        const double perPixel = dpi / Image::kStandardDpi;
        return {CInt((r.Right - r.Left) * perPixel), CInt((r.Bottom - r.Top) * perPixel), dpi};
    }
    void ShowImage(std::span<const PixelRect> changed) override {
        log.push_back("show");
        shown.insert(shown.end(), changed.begin(), changed.end());
    }
    int PopupMenu(std::span<const MenuItem> items) override {
        log.push_back("menu"), menuShown.assign(items.begin(), items.end());
        if (whileMenuOpen) whileMenuOpen();
        return menuChoice;
    }
    std::optional<Color> ShowColor() override {
        const std::optional<Color> pick = picks.empty() ? std::nullopt : picks.front();
        if (!picks.empty()) picks.pop_front();
        return pick;
    }
    void MsgBox(std::string_view prompt, std::string_view title) override {
        log.push_back("msgbox " + std::string(title) + ": " + std::string(prompt));
    }
    std::string GetSetting(std::string_view app, std::string_view section, std::string_view key,
                           std::string_view defaultText) override;
    bool SaveSettings(std::string_view app, std::string_view section,
                      std::span<const SettingText> values) override;
    DateTime Now() override { return now; }
    void Warn(std::string_view line) override { log.push_back("warn " + std::string(line)); }
    void DestroyForm(int status) override {
        log.push_back(status ? "destroy " + std::to_string(status) : "destroy");
    }

    Module1::RECT WindowPixels() const {
        const int left = scale_.ToPixels(rect_[0]), top = scale_.ToPixels(rect_[1]);
        return {left, top, left + scale_.ToPixels(rect_[2]), top + scale_.ToPixels(rect_[3])};
    }
    // Takes the rectangle (pixels), as Windows' SetWindowPos does, where it is not the window's.
    void Place(const Module1::RECT& r);
    // What a window manager does of its own: the place it gives a window as it first shows
    // (not reported), a move the user makes with it, a tile (reported as moves).
    void Impose(float left, float top, float side, bool reported);

  private:
    void Assign(int index, float twips);
    float Whole(float twips) const {
        return exact_ ? twips : scale_.ToTwips(scale_.ToPixels(twips));
    }

    FormEvents* form_ = nullptr;
    TwipsScale scale_;
    bool exact_;
    // Left, top, width and height, as the hosts create the window.
    float rect_[4] = {kDesignClientArea.left, kDesignClientArea.top,
                      kDesignClientArea.right - kDesignClientArea.left,
                      kDesignClientArea.bottom - kDesignClientArea.top};
};

inline constexpr Color kWhite = 0xFFFFFF, kBlack = 0, kBlue = 0xFF0000, kRed = 0x0000FF,
                       kGrey = 0x808080, kNavy = 0x800000, kCyan = 0xFFFF00, kMaroon = 0x000080;
inline constexpr double kExact = 0;  // twips per pixel: sizes exactly as assigned
using Texts = std::vector<std::string>;

struct Clock {
    explicit Clock(double twipsPerPixel = kExact) : rt(twipsPerPixel), form(rt) { rt.Attach(form); }
    // Loaded from these settings at `now`, on a screen of `dpi`.
    Clock(const std::map<std::string, std::string>& settings, DateTime now,
          double twipsPerPixel = kExact, double dpi = 96)
        : Clock(twipsPerPixel) {
        rt.settings = settings, rt.now = now, rt.dpi = dpi, form.Load();
    }

    void At(int hour, int minute, int second) { rt.now = {2026, 12, 6, hour, minute, second}; }
    // Ticks as the timer would: ten times in each of `seconds` seconds from now.
    void Run(int seconds) {
        for (int s = 0; s < seconds; ++s) {
            if (s > 0 && ++rt.now.second == 60) {
                rt.now.second = 0;
                if (++rt.now.minute == 60) rt.now.minute = 0, rt.now.hour = (rt.now.hour + 1) % 24;
            }
            for (int t = 0; t < 10; ++t)
                form.Timer();
        }
    }
    const FormVariables& v() const { return Form1Access::Variables(form); }
    void Click(int entry) { Form1Access::Click(form, entry); }
    bool Checked(std::string_view name) const {
        for (const MenuItem& item : Form1Access::Menu(form))
            if (item.Name == name) return item.Checked;
        return false;
    }
    // The readout's lines: the time, and the date over it.
    const Label& Label1() const { return form.Labels()[1]; }
    const Label& Label2() const { return form.Labels()[0]; }
    int Count(std::string_view prefix) const { return int(rt.Find(prefix).size()); }
    std::string Last(std::string_view prefix) const {
        const Texts found = rt.Find(prefix);
        return found.empty() ? "" : found.back();
    }
    // The assignments to the window's rectangle, in order: "H 3200 W 3200".
    std::string Moves() const {
        std::string moves;
        for (const std::string& entry : rt.log)
            if (entry.size() > 1 && entry[1] == ' ' && std::strchr("LTWH", entry[0]))
                moves += (moves.empty() ? "" : " ") + entry;
        return moves;
    }
    // "120,120 1600x1600 white/blue/black text black" and the switches that are on.
    std::string State() const {
        const Label &time = Label1(), &date = Label2();
        std::string s = SingleText(rt.Left()) + "," + SingleText(rt.Top()) + " " +
                        SingleText(rt.Width()) + "x" + SingleText(rt.Height()) + " " +
                        ColorName(v().bgColor) + "/" + ColorName(v().frameColor) + "/" +
                        ColorName(v().handColor) + " text " + ColorName(time.ForeColor);
        if (date.ForeColor != time.ForeColor) s += "/" + ColorName(date.ForeColor);
        for (const char* name : {"anadigi", "mnuTopmost", "henka"})
            if (Checked(name)) s += std::string(" ") + name;
        return s;
    }

    TestRuntime rt;
    Form1 form;
};

}  // namespace torven::testing
