#include "signal_watcher.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <cstdio>

namespace torven::qt {
namespace {

sigset_t EndingSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (const int number : {SIGTERM, SIGINT, SIGHUP})
        sigaddset(&set, number);
    return set;
}

}  // namespace

void BlockEndingSignals() {
    const sigset_t set = EndingSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void WatchEndingSignals(QObject* parent, std::function<void(int)> onSignal) {
    const sigset_t set = EndingSignals();
    const int fd = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (fd < 0) {
        // Blocked and never read, they would not end the clock at all.
        pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
        return std::perror("TORVEN: signals will end the clock without saving");
    }
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, parent);
    QObject::connect(notifier, &QSocketNotifier::activated, [fd, onSignal] {
        signalfd_siginfo info{};
        while (read(fd, &info, sizeof info) == sizeof info)
            onSignal(static_cast<int>(info.ssi_signo));
    });
}

}  // namespace torven::qt
