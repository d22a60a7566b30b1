#include "x11_window.h"

#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#include <QGuiApplication>
#include <QWindow>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace torven::qt::x11 {
namespace {

xcb_atom_t Atom(xcb_connection_t* connection, std::string_view name) {
    const Owned<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, name.size(), name.data()),
                              nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// The root window of the screen the window is on (with DISPLAY=:0.1, not the first one).
xcb_window_t Root(xcb_connection_t* connection, xcb_window_t window) {
    const Owned<xcb_get_geometry_reply_t> reply(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr),
        &std::free);
    return reply ? reply->root : xcb_window_t{XCB_WINDOW_NONE};
}

}  // namespace

xcb_connection_t* Connection() {
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

bool Managed(const QWindow& window) {
    xcb_connection_t* connection = Connection();
    if (!connection) return false;
    const auto root = Root(connection, static_cast<xcb_window_t>(window.winId()));
    const auto check = xcb_get_property(
        connection, 0, root, Atom(connection, "_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW, 0, 1);
    const Owned<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection, check, nullptr),
                                                &std::free);
    return reply && xcb_get_property_value_length(reply.get()) == 4;
}

bool Compositing() {
    xcb_connection_t* connection = Connection();
    if (!connection) return false;
    // The screen DISPLAY names (":0.1" is screen 1), whose compositor holds the selection.
    const char* display = std::getenv("DISPLAY");
    const char* dot = display ? std::strrchr(display, '.') : nullptr;
    const std::string selection = "_NET_WM_CM_S" + std::string(dot && dot[1] ? dot + 1 : "0");
    const Owned<xcb_get_selection_owner_reply_t> reply(
        xcb_get_selection_owner_reply(
            connection, xcb_get_selection_owner(connection, Atom(connection, selection)), nullptr),
        &std::free);
    return reply && reply->owner != XCB_WINDOW_NONE;
}

void SetMapState(const QWindow& window, bool above) {
    xcb_connection_t* connection = Connection();
    if (!connection) return;
    // Qt adds its own states to these when it maps the window.
    std::vector<xcb_atom_t> states{Atom(connection, "_NET_WM_STATE_SKIP_TASKBAR"),
                                   Atom(connection, "_NET_WM_STATE_SKIP_PAGER")};
    if (above && !Managed(window)) states.push_back(Atom(connection, "_NET_WM_STATE_ABOVE"));
    xcb_change_property(
        connection, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(window.winId()),
        Atom(connection, "_NET_WM_STATE"), XCB_ATOM_ATOM, 32, states.size(), states.data());
    xcb_flush(connection);
}

void KeepCorner(QWindow& window, QPoint corner) {
    if (!Connection()) return;
    // The first expose comes after the manager has placed the window.
    class Keeper : public QObject {
      public:
        explicit Keeper(QPoint corner) : corner_(corner) {}
        bool eventFilter(QObject* watched, QEvent* event) override {
            auto* window = static_cast<QWindow*>(watched);
            if (event->type() == QEvent::Expose && window->isExposed()) {
                if (window->position() != corner_) window->setPosition(corner_);
                deleteLater();
                window->removeEventFilter(this);
            }
            return false;
        }

      private:
        QPoint corner_;
    };
    auto* keeper = new Keeper(corner);
    keeper->setParent(&window);
    window.installEventFilter(keeper);
}

}  // namespace torven::qt::x11
