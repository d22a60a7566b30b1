// The window services the form calls, on a Qt window. A handle is the ClockWindow
// itself; a region handle is a key into the regions not yet handed to a window.
#include <QRegion>
#include <map>
#include <vector>

#include "clock_window.h"
#include "gdi_pixels.h"
#include "module1.h"

namespace Module1 {
namespace {

using torven::qt::ClockWindow;

struct Regions {
    std::map<HRGN, QRegion> pending;
    HRGN next = 1;
};

Regions& regions() {
    static Regions all;
    return all;
}

}  // namespace

std::int32_t GetClientRect(HWND hWnd, RECT& lpRect) {
    const ClockWindow* window = ClockWindow::FromHandle(hWnd);
    if (!window) return 0;
    lpRect = {0, 0, window->width(), window->height()};
    return 1;
}

HRGN CreateEllipticRgnIndirect(const RECT& lpRect) {
    // GDI's own ellipse, so the window has the Windows build's outline.
    std::vector<QRect> rows;
    torven::qt::GdiEllipticRegion(
        lpRect.Left, lpRect.Top, lpRect.Right, lpRect.Bottom,
        [&](int y, int x0, int x1) { rows.emplace_back(x0, y, x1 - x0, 1); });
    QRegion shape;
    shape.setRects(rows.data(), static_cast<int>(rows.size()));
    Regions& all = regions();
    const HRGN handle = all.next++;
    all.pending.emplace(handle, shape);
    return handle;
}

std::int32_t SetWindowRgn(HWND hWnd, HRGN hRgn, bool /*bRedraw: a mask change repaints*/) {
    Regions& all = regions();
    const auto found = all.pending.find(hRgn);
    if (found == all.pending.end()) return 0;
    QRegion region = std::move(found->second);
    all.pending.erase(found);
    ClockWindow* window = ClockWindow::FromHandle(hWnd);
    if (!window) return 0;
    window->SetShape(region);
    return 1;
}

std::int32_t GetWindowRect(HWND hWnd, RECT& lpRect) {
    const ClockWindow* window = ClockWindow::FromHandle(hWnd);
    if (!window) return 0;
    const QRect outer = window->OuterRect();
    lpRect = {outer.left(), outer.top(), outer.left() + outer.width(),
              outer.top() + outer.height()};
    return 1;
}

std::int32_t SetWindowPos(HWND hWnd, HWND hWndInsertAfter, std::int32_t /*X*/, std::int32_t /*Y*/,
                          std::int32_t /*cx*/, std::int32_t /*cy*/, std::uint32_t wFlags) {
    // The form passes the window's own rectangle; re-applying it would only give the
    // window manager a chance to nudge the window, so only the band and the showing
    // are carried out.
    ClockWindow* window = ClockWindow::FromHandle(hWnd);
    if (!window) return 0;
    if (hWndInsertAfter == HWND_TOPMOST) window->SetAlwaysInFront(true);
    if (hWndInsertAfter == HWND_NOTOPMOST) window->SetAlwaysInFront(false);
    if (wFlags & SWP_SHOWWINDOW) window->ShowWithoutActivating();
    return 1;
}

}  // namespace Module1
