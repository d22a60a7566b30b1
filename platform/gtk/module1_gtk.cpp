// The window services the form calls, on a GTK window. A window handle is the ClockSurface
// itself; a region handle is a cairo region that SetWindowRgn hands to the window.
#include "clock_surface.h"
#include "module1.h"
#include "raster.h"

namespace Module1 {

using Surface = torven::gtk::ClockSurface;

std::int32_t GetClientRect(HWND hWnd, RECT& lpRect) {
    const GdkRectangle outer = Surface::From(hWnd).OuterRect();
    lpRect = {0, 0, outer.width, outer.height};
    return 1;
}

HRGN CreateEllipticRgnIndirect(const RECT& lpRect) {
    // GDI's own ellipse, so the window takes the pointer where the Windows build does.
    cairo_region_t* shape = cairo_region_create();
    torven::EllipticRegion(lpRect.Left, lpRect.Top, lpRect.Right, lpRect.Bottom,
                           [&](int y, int x0, int x1) {
                               const cairo_rectangle_int_t row{x0, y, x1 - x0, 1};
                               cairo_region_union_rectangle(shape, &row);
                           });
    return reinterpret_cast<HRGN>(shape);
}

std::int32_t SetWindowRgn(HWND hWnd, HRGN hRgn, bool /*bRedraw: the input region only*/) {
    Surface::From(hWnd).SetShape(reinterpret_cast<cairo_region_t*>(hRgn));
    return 1;
}

std::int32_t GetWindowRect(HWND hWnd, RECT& lpRect) {
    const GdkRectangle r = Surface::From(hWnd).OuterRect();
    lpRect = {r.x, r.y, r.x + r.width, r.y + r.height};
    return 1;
}

// The form passes the window's own rectangle: only the layer and the showing are news.
std::int32_t SetWindowPos(HWND hWnd, HWND hWndInsertAfter, std::int32_t, std::int32_t, std::int32_t,
                          std::int32_t, std::uint32_t wFlags) {
    if (hWndInsertAfter == HWND_TOPMOST || hWndInsertAfter == HWND_NOTOPMOST)
        Surface::From(hWnd).SetAlwaysInFront(hWndInsertAfter == HWND_TOPMOST);
    if (wFlags & SWP_SHOWWINDOW) Surface::From(hWnd).ShowWithoutActivating();
    return 1;
}

}  // namespace Module1
