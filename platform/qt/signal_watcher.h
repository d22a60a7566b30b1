// Turns SIGTERM, SIGINT and SIGHUP into a call on the event loop, so that a signal
// ends the clock the way the Exit command does (settings written, window closed).
#pragma once

#include <QSocketNotifier>
#include <functional>
#include <initializer_list>
#include <memory>

namespace torven::qt {

class SignalWatcher {
  public:
    // `onSignal` runs on the thread that owns the event loop, once per signal.
    SignalWatcher(std::initializer_list<int> numbers, std::function<void(int)> onSignal);
    ~SignalWatcher();
    SignalWatcher(const SignalWatcher&) = delete;
    SignalWatcher& operator=(const SignalWatcher&) = delete;

  private:
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void(int)> onSignal_;
};

}  // namespace torven::qt
