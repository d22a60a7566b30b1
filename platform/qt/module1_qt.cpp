// The window services the form calls, on a Qt window. A window handle is the
// ClockWindow itself; a region handle is a QRegion that SetWindowRgn hands to the
// window, as Windows hands a region to the window that takes it.
#include <QRegion>
#include <memory>
#include <vector>

#include "clock_window.h"
#include "module1.h"
#include "raster.h"

namespace Module1 {
namespace {

torven::qt::ClockWindow& Window(HWND hWnd) {
    return *reinterpret_cast<torven::qt::ClockWindow*>(hWnd);
}

}  // namespace

std::int32_t GetClientRect(HWND hWnd, RECT& lpRect) {
    lpRect = {0, 0, Window(hWnd).width(), Window(hWnd).height()};
    return 1;
}

HRGN CreateEllipticRgnIndirect(const RECT& lpRect) {
    // GDI's own ellipse, so the window has the Windows build's outline.
    std::vector<QRect> rows;
    torven::EllipticRegion(lpRect.Left, lpRect.Top, lpRect.Right, lpRect.Bottom,
                           [&](int y, int x0, int x1) { rows.emplace_back(x0, y, x1 - x0, 1); });
    auto* shape = new QRegion;
    shape->setRects(rows.data(), static_cast<int>(rows.size()));
    return reinterpret_cast<HRGN>(shape);
}

std::int32_t SetWindowRgn(HWND hWnd, HRGN hRgn, bool /*bRedraw: a mask change repaints*/) {
    const std::unique_ptr<QRegion> region(reinterpret_cast<QRegion*>(hRgn));
    Window(hWnd).SetShape(*region);
    return 1;
}

std::int32_t GetWindowRect(HWND hWnd, RECT& lpRect) {
    const QRect outer = Window(hWnd).OuterRect();
    lpRect = {outer.left(), outer.top(), outer.left() + outer.width(),
              outer.top() + outer.height()};
    return 1;
}

std::int32_t SetWindowPos(HWND hWnd, HWND hWndInsertAfter, std::int32_t /*X*/, std::int32_t /*Y*/,
                          std::int32_t /*cx*/, std::int32_t /*cy*/, std::uint32_t wFlags) {
    // The form passes the window's own rectangle; re-applying it would only give the
    // window manager a chance to nudge the window, so only the band and the showing
    // are carried out.
    torven::qt::ClockWindow& window = Window(hWnd);
    if (hWndInsertAfter == HWND_TOPMOST) window.SetAlwaysInFront(true);
    if (hWndInsertAfter == HWND_NOTOPMOST) window.SetAlwaysInFront(false);
    if (wFlags & SWP_SHOWWINDOW) window.ShowWithoutActivating();
    return 1;
}

}  // namespace Module1
