#include "signal_watcher.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace torven::qt {
namespace {

// The self-pipe: the handler may only write, the event loop reads.
int pipeFds[2] = {-1, -1};

extern "C" void OnSignal(int number) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = write(pipeFds[1], &byte, 1);
    errno = saved;
}

}  // namespace

SignalWatcher::SignalWatcher(std::initializer_list<int> numbers, std::function<void(int)> onSignal)
    : onSignal_(std::move(onSignal)) {
    if (pipeFds[0] < 0 && pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("TORVEN: signals will end the clock without saving");
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(pipeFds[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        unsigned char byte = 0;
        while (read(pipeFds[0], &byte, 1) == 1)
            onSignal_(byte);
    });

    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : numbers)
        sigaction(number, &action, nullptr);
}

SignalWatcher::~SignalWatcher() = default;

}  // namespace torven::qt
