#include "linux_host.h"

#include <sys/timerfd.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <iostream>

namespace torven {
namespace {}  // namespace

// The timer is cancelled when the clock is set; the machine's resume counts as a set.
WallClock::WallClock(Warning warn)
    : warn_(std::move(warn)), fd_(timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC)) {
    if (fd_ < 0)
        warn_(std::string("TORVEN: no timer, the clock stands still: ") + std::strerror(errno));
}

WallClock::~WallClock() {
    if (fd_ >= 0) ::close(fd_);
}

// The form draws only when the second it reads is new: one tick just after each second
// begins is every tick that can change the face.
bool WallClock::Arm() {
    using std::chrono::seconds, std::chrono::nanoseconds;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const nanoseconds tick = NextTick(seconds(now.tv_sec) + nanoseconds(now.tv_nsec));
    itimerspec next{};
    next.it_value = {static_cast<std::time_t>(tick / seconds(1)),
                     static_cast<long>((tick % seconds(1)).count())};
    if (timerfd_settime(fd_, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &next, nullptr) == 0)
        return true;
    warn_(std::string("TORVEN: the timer cannot be set, the clock stands still: ") +
          std::strerror(errno));
    return false;
}

bool WallClock::Due() {
    std::uint64_t expirations = 0;
    // ECANCELED when the clock was set: the tick shows the new time at once, and arming the
    // timer again clears the cancellation.
    return !(read(fd_, &expirations, sizeof expirations) < 0 && errno == EAGAIN);
}

DateTime WallClock::Now() {
    // The clock the timer runs on: time() lags it by up to a kernel tick, and would still
    // read the old second when the timer fires.
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    if (now.tv_sec != nowSeconds_) {
        // The system's time zone as it is now: localtime_r would keep the one it first read.
        tzset();
        std::tm local{};
        localtime_r(&now.tv_sec, &local);
        nowSeconds_ = now.tv_sec;
        nowLocal_ = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                     local.tm_hour,        local.tm_min,     local.tm_sec};
    }
    return nowLocal_;
}

void WarnOnStderr(std::string_view line) {
    std::string text(line);
    std::replace(text.begin(), text.end(), '\n', ' ');
    std::cerr << text << std::endl;
}

}  // namespace torven
