// The Windows host of the clock: one popup window that shows the form's image, the
// registry as the settings store.
//
// Implemented: geometry in twips (places at the primary monitor's DPI, sizes at the
// window's), Resize raised once per real size or DPI change before the setter returns, at
// most kMaxSidePixels a side; the image copied into a DIB section in WM_PAINT with the
// labels drawn over it, one invalidation per event; mouse events, captured while the left
// button is down; the popup menu, ChooseColorW, MessageBoxW, HKCU settings; every close
// request routed through the form's Unload, WM_QUERYENDSESSION through SessionMayEnd; a
// tick just after each second begins, and at once when the clock is set or the machine
// resumes. No <windows.h> here: handles cross this header as integers.
#pragma once

#include <memory>

#include "forms_runtime.h"

namespace torven {

class Win32Runtime : public FormsRuntime {
  public:
    // Creates the clock's window, hidden.
    Win32Runtime();
    ~Win32Runtime() override;
    Win32Runtime(const Win32Runtime&) = delete;
    Win32Runtime& operator=(const Win32Runtime&) = delete;

    // The form that receives the window's events; starts its timer.
    void Attach(FormEvents& form);
    // Runs the message loop until the form is destroyed; returns the exit code, 1 at once
    // when the window could not be created.
    int Run();

    float Left() const override;
    float Top() const override;
    float Width() const override;
    float Height() const override;
    void SetLeft(float twips) override;
    void SetTop(float twips) override;
    void SetWidth(float twips) override;
    void SetHeight(float twips) override;
    std::vector<TwipsRect> Monitors() const override;
    std::intptr_t hWnd() const override;

    DeviceArea ClientArea() const override;
    void ShowImage(std::span<const PixelRect> changed) override;

    int PopupMenu(std::span<const MenuItem> items) override;
    std::optional<Color> ShowColor() override;
    void MsgBox(std::string_view prompt, std::string_view title) override;

    std::string GetSetting(std::string_view app, std::string_view section, std::string_view key,
                           std::string_view defaultText) override;
    bool SaveSettings(std::string_view app, std::string_view section,
                      std::span<const SettingText> values) override;

    DateTime Now() override;
    void Warn(std::string_view line) override;
    void DestroyForm(int exitStatus) override;

    struct State;  // the window procedure's view of the runtime

    // A monitor in the virtual screen's pixels, with its DPI.
    struct PixelMonitor {
        PixelRect pixels;
        unsigned dpi = 96;
    };

  protected:
    // The monitors in pixels, the primary first: the system's. Places and Monitors() are
    // reckoned from them.
    virtual std::vector<PixelMonitor> PixelMonitors() const;

  private:
    std::unique_ptr<State> s_;
};

}  // namespace torven
