// What torven does before it becomes a clock: it answers --help and --version,
// refuses any other argument, chooses how the clock shows itself (a native Wayland clock
// or this X11 one) and makes sure it can reach its display, since Qt aborts with a core
// dump on a display it cannot open.
#pragma once

#include <optional>
#include <string_view>

#include "raster.h"

namespace torven::qt {

// The exit status when the command line ends the program here (help, version or a
// usage error, told on stdout or stderr); nothing when the clock should start.
std::optional<int> HandleCommandLine(int argc, char* argv[]);

// How the clock shows itself: this program on X (through XWayland in a Wayland session), or
// the native Wayland clock, torven-wayland.
enum class Presenter { kX11, kWayland };
// In this order: `asked` (TORVEN_PLATFORM, "x11" or "wayland") when it is not empty; Wayland
// where there is a Wayland display that offers the layer shell; X where there is an X
// display; Wayland where there is only a Wayland one; else X, which says there is no display.
// Nothing for any other `asked`. `layerShell` asks the compositor, only when that decides.
std::optional<Presenter> ChoosePresenter(std::string_view asked, bool wayland, bool x11,
                                         FunctionRef<bool()> layerShell);

// Before anything else starts: replaces this program with torven-wayland (beside it, or in
// the libexec folder it is installed with) when that is the choice. Nothing when the clock
// runs here; the exit status, after one line on stderr, when it can do neither.
std::optional<int> PresentOnWayland(char* argv[]);

// On any platform but Qt's offscreen one: 1, after one line on stderr naming the
// display, when there is no X display or it cannot be opened; nothing, with Qt's platform
// set to X, when it can. A display found reachable stays connected until
// EndDisplayCheck(), to be called once Qt has connected.
std::optional<int> CheckDisplay();
void EndDisplayCheck();

}  // namespace torven::qt
