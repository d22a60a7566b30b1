// SIGTERM, SIGINT and SIGHUP as calls on the event loop, so that a signal ends the clock
// the way the Exit command does (settings written, window closed). They are blocked before
// any thread starts, and read from a signalfd once the event loop exists.
#pragma once

#include <functional>

class QObject;

namespace torven::qt {

// In main, before Qt starts a thread: a signal then waits for WatchEndingSignals.
void BlockEndingSignals();
// Calls `onSignal` with the signal's number on the event loop, once for each.
void WatchEndingSignals(QObject* parent, std::function<void(int)> onSignal);

}  // namespace torven::qt
