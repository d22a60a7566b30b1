#include "command_line.h"

#include <unistd.h>
#include <wayland-client.h>
#include <xcb/xcb.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "linux_host.h"

namespace torven::qt {
namespace {

constexpr const char* kUsage =
    "Usage: torven [--help | --version]\n"
    "TORVEN is a small round analog desktop clock. Drag it with the left mouse button;\n"
    "the right button opens its menu. It takes no other arguments.\n"
    "Its place, size, colours and switches live in ~/.config/TORVEN/TORVEN.conf\n"
    "($XDG_CONFIG_HOME/TORVEN/TORVEN.conf when that is set) and are written when the\n"
    "clock ends: by Exit (終了) in its menu, or on SIGTERM, SIGINT or SIGHUP.\n"
    "In a Wayland session it sits on the desktop where the compositor offers the layer\n"
    "shell (sway, KDE), else runs through XWayland, else shows a plain Wayland window;\n"
    "TORVEN_PLATFORM=x11 or TORVEN_PLATFORM=wayland chooses instead.\n";

// The connection that found the display reachable. It stays open until Qt has its own:
// an X server left without clients resets, and refuses connections while it does, so
// a clock that is the display's first client would otherwise often fail to start.
xcb_connection_t* probe = nullptr;

// Qt's offscreen platform is the tests'.
bool Offscreen() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    return platform != nullptr && std::string_view(platform).starts_with("offscreen");
}

bool Set(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

// Whether the compositor of WAYLAND_DISPLAY offers the layer shell.
bool LayerShellOffered() {
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) return false;
    const bool offered = OffersLayerShell(display);
    wl_display_disconnect(display);
    return offered;
}

}  // namespace

std::optional<Presenter> ChoosePresenter(std::string_view asked, bool wayland, bool x11,
                                         FunctionRef<bool()> layerShell) {
    if (asked == "x11") return Presenter::kX11;
    if (asked == "wayland") return Presenter::kWayland;
    if (!asked.empty()) return std::nullopt;
    if (wayland && layerShell()) return Presenter::kWayland;
    return wayland && !x11 ? Presenter::kWayland : Presenter::kX11;
}

std::optional<int> PresentOnWayland(char* argv[]) {
    if (Offscreen()) return std::nullopt;
    const char* asked = std::getenv("TORVEN_PLATFORM");
    const auto presenter = ChoosePresenter(asked ? asked : "", Set("WAYLAND_DISPLAY"),
                                           Set("DISPLAY"), [] { return LayerShellOffered(); });
    if (!presenter) {
        std::fprintf(stderr, "torven: TORVEN_PLATFORM is \"%s\", not x11 or wayland\n", asked);
        return 2;
    }
    if (*presenter == Presenter::kX11) return std::nullopt;
    std::error_code error;
    const std::filesystem::path folder =
        std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
    std::filesystem::path presenterPath = folder / "torven-wayland";
    if (access(presenterPath.c_str(), X_OK) != 0)
        presenterPath = folder / TORVEN_LIBEXEC_FROM_BIN / "torven-wayland";
    execv(presenterPath.c_str(), argv);
    std::fprintf(stderr, "torven: cannot start the Wayland clock %s: %s\n", presenterPath.c_str(),
                 std::strerror(errno));
    return 1;
}

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
    // This clock runs on X, whatever QT_QPA_PLATFORM says: it places itself and reads back
    // where it is, which Wayland does not allow a client, and Qt's other platforms size their
    // windows to the screen.
    if (Offscreen()) return std::nullopt;
    const char* display = std::getenv("DISPLAY");
    if (!Set("DISPLAY")) {
        std::fputs(Set("WAYLAND_DISPLAY")
                       ? "torven: cannot open the display: DISPLAY is not set (TORVEN_PLATFORM=x11 "
                         "asks for X)\n"
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
