// What only X11 window managers need of the clock's window: the state it is mapped with,
// and its own top-left corner kept where the clock put it when a manager places the
// frame there instead. Each does nothing on another platform.
#pragma once

#include <QPoint>
#include <cstdlib>
#include <memory>

class QWindow;
struct xcb_connection_t;

namespace torven::qt::x11 {

// The X connection Qt holds; none on another platform (offscreen has the interface, but
// no server).
xcb_connection_t* Connection();
// A reply that xcb allocated.
template <typename Reply>
using Owned = std::unique_ptr<Reply, decltype(&std::free)>;

// Before the window is first mapped: off the taskbar and the pager, and in front when
// `above` and no window manager runs yet (one that starts later reads the state). A
// running one is asked for the band once the window is mapped: icewm never lets go of a
// band the window was mapped with.
void SetMapState(const QWindow& window, bool above);
// Whether a window manager runs on the window's screen.
bool Managed(const QWindow& window);
// Whether a compositing manager runs on the display's screen (on XWayland, the compositor).
bool Compositing();

// Once the window shows: if its own corner is not at `corner` (i3 puts its frame there,
// border and title included), asks for `corner` again, which every manager honours.
void KeepCorner(QWindow& window, QPoint corner);

}  // namespace torven::qt::x11
