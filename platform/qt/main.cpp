// TORVEN on a Linux desktop.
#include <QApplication>

#include "clock_window.h"
#include "command_line.h"
#include "form1.h"
#include "signal_watcher.h"

int main(int argc, char* argv[]) {
    if (const auto status = torven::qt::HandleCommandLine(argc, argv)) return *status;
    // Before the signals are blocked: the Wayland clock inherits the mask.
    if (const auto status = torven::qt::PresentOnWayland(argv)) return *status;
    torven::qt::BlockEndingSignals();

    if (const auto status = torven::qt::CheckDisplay()) return *status;
    // A tick sends its pixels itself; Qt's own paints (at the start, on an expose, at a
    // new size) would go over shared memory, where Qt waits for the server before each
    // send: a round trip and more wake-ups, dearer up to the largest size the menu
    // offers (only a window of about 1000 pixels, set by hand, is cheaper that way:
    // bench/RESULTS.md).
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");

    QApplication::setApplicationName(QStringLiteral("TORVEN"));
    QApplication::setDesktopFileName(QStringLiteral("torven"));
    QApplication app(argc, argv);
    torven::qt::EndDisplayCheck();
    // Only the form ends the program: its Unload writes the settings first.
    QApplication::setQuitOnLastWindowClosed(false);

    torven::qt::ClockWindow window;
    torven::Form1 form(window);
    window.Attach(form);

    torven::qt::WatchEndingSignals(&window, [&](int) { form.Unload(); });

    window.Start();
    const int status = QApplication::exec();
    // A quit from outside (the session's end) ends the loop with 0 before the form's
    // unload could say that its settings were not saved.
    return status != 0 ? status : window.ExitStatus();
}
