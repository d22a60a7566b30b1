// Module1's window services on Windows: user32 and gdi32 themselves.
#include "module1.h"

#include "win32_internal.h"

namespace Module1 {
namespace {

::HWND Window(HWND h) {
    return reinterpret_cast<::HWND>(h);
}
::HRGN Region(HRGN h) {
    return reinterpret_cast<::HRGN>(h);
}

RECT FromWin(const ::RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}

}  // namespace

std::int32_t GetClientRect(HWND hWnd, RECT& lpRect) {
    ::RECT r{};
    BOOL ok = ::GetClientRect(Window(hWnd), &r);
    lpRect = FromWin(r);
    return ok;
}

HRGN CreateEllipticRgnIndirect(const RECT& lpRect) {
    ::RECT r{lpRect.Left, lpRect.Top, lpRect.Right, lpRect.Bottom};
    return reinterpret_cast<HRGN>(::CreateEllipticRgnIndirect(&r));
}

std::int32_t SetWindowRgn(HWND hWnd, HRGN hRgn, bool bRedraw) {
    int ok = ::SetWindowRgn(Window(hWnd), Region(hRgn), bRedraw);
    // Only a region the window accepted belongs to the window.
    if (!ok && hRgn) ::DeleteObject(Region(hRgn));
    return ok;
}

std::int32_t GetWindowRect(HWND hWnd, RECT& lpRect) {
    ::RECT r{};
    BOOL ok = ::GetWindowRect(Window(hWnd), &r);
    lpRect = FromWin(r);
    return ok;
}

std::int32_t SetWindowPos(HWND hWnd, HWND hWndInsertAfter, std::int32_t X, std::int32_t Y,
                          std::int32_t cx, std::int32_t cy, std::uint32_t wFlags) {
    return ::SetWindowPos(Window(hWnd), Window(hWndInsertAfter), X, Y, cx, cy, wFlags);
}

}  // namespace Module1
