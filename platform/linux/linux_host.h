// What both Linux hosts share below their toolkits: the wall clock the ticks run on, the
// settings file, and the question whether a Wayland compositor offers the layer shell.
#pragma once

#include <ctime>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "forms_runtime.h"

struct wl_display;

namespace torven {

// Whether the compositor offers the layer shell (zwlr_layer_shell_v1), after a round trip.
bool OffersLayerShell(wl_display* display);

// One line for the user's diagnostics: the runtime's Warn.
using Warning = std::function<void(std::string_view line)>;

// A timer on the system's wall clock that expires just after each of its seconds begins, and
// at once when the clock is set or the machine resumes; and the local time it reads.
class WallClock {
  public:
    // Without a timer, after one line through `warn`, Fd() is -1 and the clock stands still.
    explicit WallClock(Warning warn);
    ~WallClock();
    WallClock(const WallClock&) = delete;
    WallClock& operator=(const WallClock&) = delete;

    // What the host's loop waits on to read.
    int Fd() const { return fd_; }
    // Sets the timer for just after the next second; false, after one line, when it cannot.
    bool Arm();
    // Takes the timer's news: true when a tick is due (a second began, or the clock was set).
    bool Due();
    // The local date and time, in the system's time zone as it is now.
    DateTime Now();

  private:
    Warning warn_;
    int fd_ = -1;
    std::time_t nowSeconds_ = -1;
    DateTime nowLocal_;
};

// Writes the line on stderr, its line breaks as spaces.
void WarnOnStderr(std::string_view line);

// The per-user settings file (~/.config/TORVEN/TORVEN.conf: QSettings' own, for `app`), as
// FormsRuntime::GetSetting and SaveSettings describe the store. A save that fails or cannot
// keep the file's mode says so through `warn`.
std::string ReadSetting(std::string_view app, std::string_view section, std::string_view key,
                        std::string_view defaultText);
bool WriteSettings(std::string_view app, std::string_view section,
                   std::span<const SettingText> values, const Warning& warn);

// What both Linux hosts' runtimes do alike: the settings file, the clock, stderr.
class LinuxRuntime : public FormsRuntime {
  public:
    std::string GetSetting(std::string_view app, std::string_view section, std::string_view key,
                           std::string_view defaultText) override {
        return ReadSetting(app, section, key, defaultText);
    }
    bool SaveSettings(std::string_view app, std::string_view section,
                      std::span<const SettingText> values) override {
        return WriteSettings(app, section, values, [this](std::string_view line) { Warn(line); });
    }
    DateTime Now() override { return clock_.Now(); }
    void Warn(std::string_view line) override { WarnOnStderr(line); }

  protected:
    WallClock clock_{[this](std::string_view line) { Warn(line); }};
};

}  // namespace torven
