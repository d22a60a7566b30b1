// The runtime's state as the Windows host's own files share it: the window procedure,
// the painting and the dialogs all work on it. Includes <windows.h>; nothing outside
// platform/win32 includes this header.
#pragma once

#include "win32_internal.h"
#include "win32_runtime.h"

#include <array>
#include <cstdint>
#include <vector>

namespace torven {

// Everything the window procedure needs; owned by the runtime.
struct Win32Runtime::State {
    Win32Runtime* runtime = nullptr;
    FormEvents* form = nullptr;
    HWND hwnd = nullptr;
    bool windowRefused = false;  // CreateWindowExW failed: Run ends at once
    TwipsScale scale;
    UINT dpi = USER_DEFAULT_SCREEN_DPI;
    // Where a paint puts the labels over the form's image, so that they never flash: a
    // bitmap the size of the client area whose pixels are the image's layout. Without the
    // bitmap (no memory for it) there is no `compose` either, and nothing is painted.
    HDC compose = nullptr;
    HBITMAP composeBitmap = nullptr;
    HGDIOBJ composeInitialBitmap = nullptr;
    std::uint32_t* composeBits = nullptr;
    SIZE client{};
    HFONT font = nullptr;
    std::array<COLORREF, 16> customColours{};

    void Tick();
    void ArmTimer();

    void CreateSurface(SIZE size);
    void ReleaseSurface();
    void UpdateDpi(UINT newDpi);
    void ClientSizeChanged();
    void Paint();
    HFONT ReadoutFont();
    void Mouse(UINT message, WPARAM wParam, LPARAM lParam);
    RECT WindowRect() const {
        RECT r{};
        GetWindowRect(hwnd, &r);
        return r;
    }
    // Places are twips at the primary monitor's DPI, whichever monitor the window is on,
    // so that they mean the same place on every monitor (sizes follow the window's DPI).
    TwipsScale PlaceScale() const {
        const std::vector<PixelMonitor> monitors = runtime->PixelMonitors();
        return TwipsScale::ForDpi(monitors.empty() ? USER_DEFAULT_SCREEN_DPI : monitors[0].dpi);
    }
    // Modal loops (the menu, the dialogs) leave the clock active when they end; the
    // window that was in front before gets the foreground back, the desktop when none
    // was. (A clock left in the foreground after a dialog, as the system reactivates a
    // dialog's owner, makes the next menu's SetForegroundWindow change nothing.)
    void RestoreForeground(HWND previous) const {
        if (GetForegroundWindow() != hwnd || previous == hwnd) return;
        SetForegroundWindow(IsWindow(previous) ? previous : GetDesktopWindow());
    }
    void Place(int x, int y, int w, int h, UINT flags) {
        SetWindowPos(hwnd, nullptr, x, y, w, h, flags | SWP_NOZORDER | SWP_NOACTIVATE);
    }
};

}  // namespace torven
