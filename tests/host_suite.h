// What every host must do for the clock, checked the same way on each: the test
// program of a host links host_suite.cpp and defines MakeHost() for its window.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "forms_runtime.h"

namespace torven::testing {

// A picture of the window's client area as it shows, colours 0x00BBGGRR.
struct Shot {
    int width = 0, height = 0;
    std::vector<Color> pixels;
    Color At(int x, int y) const { return pixels[y * width + x]; }
    // How many pixels of a colour lie in [x0, x1) x [y0, y1).
    int Count(Color colour, int x0, int y0, int x1, int y1) const;
    int Count(Color colour) const { return Count(colour, 0, 0, width, height); }
};

class Host {
  public:
    virtual ~Host() = default;
    // The host's runtime; its clock reads `now`.
    virtual FormsRuntime& Runtime() = 0;
    virtual void Attach(FormEvents& events) = 0;
    // Shows the window (without activating it) and lets pending paints run.
    virtual void Show() = 0;
    virtual Shot Take() = 0;
    // Makes the settings store refuse the next writes.
    virtual void BlockStore() = 0;
    DateTime now{2026, 12, 6, 13, 20, 30};
};
std::unique_ptr<Host> MakeHost();

// Events that record what the window raised, with labels a test can set.
struct RecordingEvents : FormEvents {
    void Load() override {}
    void Resize() override {
        ++resizes;
        if (onResize) onResize();
    }
    void Unload() override { ++unloads; }
    bool Loaded() const override { return true; }
    void MouseDown(int b, int s, float x, float y) override { mouse.push_back({'D', b, s, x, y}); }
    void MouseMove(int b, int s, float x, float y) override { mouse.push_back({'M', b, s, x, y}); }
    void MouseUp(int b, int s, float x, float y) override { mouse.push_back({'U', b, s, x, y}); }
    void Timer() override { ++ticks; }
    int TimerInterval() const override { return 100; }
    std::span<const Label> Labels() const override { return labels; }

    struct Mouse {
        char what;  // 'D'own, 'M'ove, 'U'p
        int buttons, shift;
        float x, y;
        bool operator==(const Mouse&) const = default;
    };
    int resizes = 0, unloads = 0, ticks = 0;
    std::function<void()> onResize;
    std::vector<Mouse> mouse;
    std::array<Label, 2> labels{};
};

}  // namespace torven::testing
