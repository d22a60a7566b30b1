#include "command_line.h"

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace torven::qt {
namespace {

constexpr const char* kUsage =
    "Usage: torven [--help | --version]\n"
    "TORVEN is a small round analog desktop clock. Drag it with the left mouse button;\n"
    "the right button opens its menu. It takes no other arguments.\n"
    "Its place, size, colours and switches live in ~/.config/TORVEN/TORVEN.conf\n"
    "($XDG_CONFIG_HOME/TORVEN/TORVEN.conf when that is set) and are written when the\n"
    "clock ends: by Exit (終了) in its menu, or on SIGTERM, SIGINT or SIGHUP.\n";

// The connection that found the display reachable. It stays open until Qt has its own:
// an X server left without clients resets, and refuses connections while it does, so
// a clock that is the display's first client would otherwise often fail to start.
xcb_connection_t* probe = nullptr;

}  // namespace

std::optional<int> HandleCommandLine(int argc, char* argv[]) {
    bool help = false;
    bool version = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            help = true;
        } else if (arg == "--version") {
            version = true;
        } else {
            std::fprintf(stderr, "torven: unknown argument \"%s\" (see torven --help)\n", argv[i]);
            return 2;
        }
    }
    if (!help && !version) return std::nullopt;
    std::fputs(help ? kUsage : "TORVEN " TORVEN_VERSION "\n", stdout);
    return 0;
}

std::optional<int> CheckDisplay() {
    // Qt's offscreen platform is the tests'. On every other the clock runs on X, through
    // XWayland in a Wayland session: it places itself and reads back where it is, which
    // Wayland does not allow a client, and Qt's other platforms size their windows to
    // the screen.
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform != nullptr && std::string_view(platform).starts_with("offscreen"))
        return std::nullopt;
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
        std::fputs(std::getenv("WAYLAND_DISPLAY")
                       ? "torven: cannot open the display: DISPLAY is not set (on Wayland the "
                         "clock needs XWayland)\n"
                       : "torven: cannot open the display: DISPLAY is not set\n",
                   stderr);
        return 1;
    }
    probe = xcb_connect(display, nullptr);
    if (xcb_connection_has_error(probe) == 0) {
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        return std::nullopt;
    }
    EndDisplayCheck();
    std::fprintf(stderr, "torven: cannot open the display \"%s\"\n", display);
    return 1;
}

void EndDisplayCheck() {
    if (probe) xcb_disconnect(probe);
    probe = nullptr;
}

}  // namespace torven::qt
