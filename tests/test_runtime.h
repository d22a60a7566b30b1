// An in-memory host for Form1: whole pixels (or sizes as assigned), Resize when a size
// changes, scripted answers, and each effect the form asks for as a line of `log`.
#pragma once

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "conversions.h"
#include "forms_runtime.h"
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

}  // namespace torven::testing
