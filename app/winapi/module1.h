// The five window services the form calls, with the signatures it uses.
// Each backend implements them: on Windows they are user32/gdi32 themselves,
// elsewhere the toolkit's equivalents.
#pragma once

#include <cstdint>

namespace Module1 {

using HWND = std::intptr_t;
using HRGN = std::intptr_t;

// Pixels.
struct RECT {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;
    bool operator==(const RECT&) const = default;
};

inline constexpr HWND HWND_TOPMOST = -1;
inline constexpr HWND HWND_NOTOPMOST = -2;
inline constexpr std::uint32_t SWP_NOACTIVATE = 0x10;
inline constexpr std::uint32_t SWP_SHOWWINDOW = 0x40;

// The client area in pixels; Left and Top are 0.
std::int32_t GetClientRect(HWND hWnd, RECT& lpRect);
// A new elliptic region bounded by the rectangle (window coordinates, pixels).
HRGN CreateEllipticRgnIndirect(const RECT& lpRect);
// Makes the region the window's visible shape; the window owns it from then on.
std::int32_t SetWindowRgn(HWND hWnd, HRGN hRgn, bool bRedraw);
// The window's outer rectangle in screen pixels.
std::int32_t GetWindowRect(HWND hWnd, RECT& lpRect);
// Sets z-order, position and size together; wFlags as SWP_*.
std::int32_t SetWindowPos(HWND hWnd, HWND hWndInsertAfter, std::int32_t X, std::int32_t Y,
                          std::int32_t cx, std::int32_t cy, std::uint32_t wFlags);

}  // namespace Module1
