// The contract between the clock and the desktop that hosts it.
//
// FormsRuntime is what the form asks of its host: window geometry, showing the face's
// image, the popup menu, the colour picker, the message box, the per-user settings
// store, the clock and unloading. FormEvents is what the host raises on the form; it
// also gives the host the face's image and the readout labels to show. Neither side
// includes a toolkit header.
//
// Units: positions and sizes are twips (1440 to the inch; 15 to a pixel at 96 DPI);
// the image is device pixels. Colours are 0x00BBGGRR.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "image.h"

namespace torven {

struct DateTime {
    int year = 2000;  // four digits
    int month = 1;    // 1..12
    int day = 1;      // 1..31
    int hour = 0;     // 0..23
    int minute = 0;
    int second = 0;
};

// A rectangle in twips: a monitor's, or the window's.
struct TwipsRect {
    float left = 0;
    float top = 0;
    float right = 0;
    float bottom = 0;
};

// Where the host creates the window, hidden, before the form's Load: its client area
// 1575 twips square, 120 twips from the screen's left and 135 from its top.
inline constexpr TwipsRect kDesignClientArea{120, 135, 1695, 1710};

// The window's client area as the face's image covers it: device pixels, and how many
// of them make an inch (96 at the standard resolution; 192 on a screen of ratio 2).
struct DeviceArea {
    int width = 0;
    int height = 0;
    double dpi = 96;
    bool operator==(const DeviceArea&) const = default;
};

// A readout label. The form owns it; the host paints its caption over the face's image
// with a transparent background, in ForeColor, in the desktop's default font, clipped
// to the label's rectangle (Image::ToPixels).
struct Label {
    float Left = 0;  // twips, relative to the client area
    float Top = 0;
    float Width = 0;
    float Height = 0;
    std::string Caption;  // UTF-8
    Color ForeColor = 0;
    bool Visible = true;
};

// One entry of the popup menu. Caption is UTF-8; "&" marks the access key and a
// caption of "-" is a separator line.
struct MenuItem {
    std::string_view Name;
    std::string_view Caption;
    bool Checked = false;
    bool IsSeparator() const { return Caption == "-"; }
};

// One setting's key and text, for FormsRuntime::SaveSettings.
struct SettingText {
    std::string_view key;
    std::string text;
};

// The most device pixels the window takes a side, on every desktop and at every pixel
// ratio, so that the face's image (4 bytes a pixel) stays within 64 MiB.
inline constexpr int kMaxSidePixels = 4096;
// That, in the pixels of a desktop that counts `ratio` device pixels to one of its own.
inline int MostSide(double ratio) {
    return std::max(1, static_cast<int>(kMaxSidePixels / ratio));
}

// What a host shows where the face's image is not ready (none yet, or not of the window's
// size).
inline constexpr Color kNoFace = 0xFFFFFF;

// When the host ticks next, given the wall clock's time now (from an epoch that begins on
// a whole second): just after the next second begins, so that the second the form reads
// is surely the new one.
inline std::chrono::nanoseconds NextTick(std::chrono::nanoseconds now) {
    constexpr std::chrono::milliseconds kDelay{2};
    return std::chrono::floor<std::chrono::seconds>(now) + std::chrono::seconds(1) + kDelay;
}

// Where a dialog of `width` x `height` opens: in the middle of `area`, the work area of the
// clock's monitor (the system would open it over the small clock, or at a corner).
inline PixelRect Centred(const PixelRect& area, int width, int height) {
    const int left = area.left + (area.right - area.left - width) / 2;
    const int top = area.top + (area.bottom - area.top - height) / 2;
    return {left, top, left + width, top + height};
}

// Mouse button codes, as in the mouse events (a move carries their sum).
enum MouseButton : int { kLeftButton = 1, kRightButton = 2, kMiddleButton = 4 };

class FormsRuntime {
  public:
    virtual ~FormsRuntime() = default;

    // The window's outer rectangle in twips. Assigning a Width or Height that changes
    // the window's size runs the form's Resize before the assignment returns; reading
    // gives what the window actually took (whole pixels, at most kMaxSidePixels).
    virtual float Left() const = 0;
    virtual float Top() const = 0;
    virtual float Width() const = 0;
    virtual float Height() const = 0;
    virtual void SetLeft(float twips) = 0;
    virtual void SetTop(float twips) = 0;
    virtual void SetWidth(float twips) = 0;
    virtual void SetHeight(float twips) = 0;
    // The monitors, the primary first, in the coordinates of Left and Top.
    virtual std::vector<TwipsRect> Monitors() const = 0;
    // The handle the window services of Module1 take.
    virtual std::intptr_t hWnd() const = 0;

    // The client area the face's image must cover, as it is now.
    virtual DeviceArea ClientArea() const = 0;
    // These rectangles of the face's image (FormEvents::Face) changed, or the labels over
    // them: show them, before the host next waits for an event.
    virtual void ShowImage(std::span<const PixelRect> changed) = 0;

    // Shows the entries as a popup menu at the pointer and waits. Returns the index
    // of the chosen entry, or -1 when the menu closed with nothing chosen. Timer
    // events keep running while it is open.
    virtual int PopupMenu(std::span<const MenuItem> items) = 0;

    // The colour picker: the colour the user confirmed, or nothing on Cancel.
    virtual std::optional<Color> ShowColor() = 0;

    // A modal message box with one OK button and no icon.
    virtual void MsgBox(std::string_view prompt, std::string_view title) = 0;

    // The per-user settings store. GetSetting returns the stored text, or
    // `defaultText` when the application, section or key is missing; it never writes.
    // SaveSettings stores all the texts of `values` in one change, where the store can
    // make one: a failure or a killed process leaves either the old texts or all the
    // new ones, never some of each. It creates what is missing, keeps the section's
    // other keys, and returns false when the store refused.
    virtual std::string GetSetting(std::string_view app, std::string_view section,
                                   std::string_view key, std::string_view defaultText) = 0;
    virtual bool SaveSettings(std::string_view app, std::string_view section,
                              std::span<const SettingText> values) = 0;

    // The current local date and time.
    virtual DateTime Now() = 0;

    // One line for the user's diagnostics (stderr where there is one).
    virtual void Warn(std::string_view line) = 0;

    // The form has unloaded: destroy the window and end the program with
    // `exitStatus` (not 0 when the settings could not be saved).
    virtual void DestroyForm(int exitStatus) = 0;
};

// What the host raises on the form, one event at a time on the UI thread.
class FormEvents {
  public:
    virtual ~FormEvents() = default;

    virtual void Load() = 0;    // once, before the window is first shown
    virtual void Resize() = 0;  // the window's size or pixels per inch changed
    // A close request (Exit, the window manager, the session ending, a signal):
    // unloads the form once; later requests do nothing.
    virtual void Unload() = 0;
    // The session asks whether it may end (a logout or shut-down): writes the settings
    // now, as the unload does, and leaves the form loaded, since the logout may still
    // be cancelled. The unload when the session really ends writes them again.
    virtual void SessionMayEnd() = 0;
    // Mouse events in twips, relative to the client area. `button` is one code for a
    // press or release; `buttons` on a move is the sum of the buttons held. The form
    // routes them to itself or to the label under the pointer.
    virtual void MouseDown(int button, int shift, float x, float y) = 0;
    virtual void MouseMove(int buttons, int shift, float x, float y) = 0;
    virtual void MouseUp(int button, int shift, float x, float y) = 0;
    // The window went to `left`, `top` (twips, as Left and Top), as the window system
    // reports it once the window shows: a move the user made with the window manager (its
    // keys, a pager, a taskbar), one it made for the form, a tiling layout. Never the place
    // a window manager gives the window as it first shows it, nor a move that it refused.
    virtual void Moved(float left, float top) = 0;
    // The timer event. The form's timer runs every 100 ms, but a host may leave out ticks
    // that cannot change anything (the form draws only when the second that
    // FormsRuntime::Now() reads is new): it ticks just after every second of that clock
    // begins (NextTick), and at once when the clock is set or the machine resumes.
    virtual void Timer() = 0;
    // What the window shows: the face's image, and over it the readout labels in
    // painting order (later ones paint over earlier ones).
    virtual const Image& Face() const = 0;
    virtual std::span<const Label> Labels() const = 0;
};

}  // namespace torven
