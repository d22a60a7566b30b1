// What torven does before it becomes a clock: it answers --help and --version,
// refuses any other argument, and makes sure it can reach its display, since Qt
// aborts with a core dump on a display it cannot open.
#pragma once

#include <optional>

namespace torven::qt {

// The exit status when the command line ends the program here (help, version or a
// usage error, told on stdout or stderr); nothing when the clock should start.
std::optional<int> HandleCommandLine(int argc, char* argv[]);

// On any platform but Qt's offscreen one: 1, after one line on stderr naming the
// display, when there is no X display or it cannot be opened; nothing, with Qt's platform
// set to X, when it can. A display found reachable stays connected until
// EndDisplayCheck(), to be called once Qt has connected.
std::optional<int> CheckDisplay();
void EndDisplayCheck();

}  // namespace torven::qt
