// What every host must do, checked the same way on each: a host's test program links
// host_suite.cpp and defines MakeHost().
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "forms_runtime.h"

namespace torven::testing {

// The colour of the image's pixel at x, y (0x00BBGGRR).
inline Color At(const Image& image, int x, int y) {
    const std::uint32_t p = image.Pixels()[static_cast<std::size_t>(y) * image.Width() + x];
    return static_cast<Color>((p >> 16 & 0xFF) | (p & 0xFF00) | (p & 0xFF) << 16);
}

// A popup menu's entries as a form gives them: checked, with an access key, a separator.
inline const std::array<MenuItem, 4> kMenuEntries{{{"mnuTopmost", "常に手前に表示", true},
                                                   {"ookiku2", "大きく(&B)", false},
                                                   {"bar", "-", false},
                                                   {"mnuExit", "終了(&X)", false}}};

// The window's client area as it shows, colours 0x00BBGGRR, -1 outside the window's shape.
struct Shot {
    int width = 0, height = 0;
    std::vector<Color> pixels;
    // How many pixels of the colour lie in [x0, x1) x [y0, y1), by default everywhere.
    int Count(Color colour, int x0 = 0, int y0 = 0, int x1 = -1, int y1 = -1) const;
};

class Host {
  public:
    virtual ~Host() = default;
    virtual FormsRuntime& Runtime() = 0;  // its clock reads `now`
    virtual void Attach(FormEvents& events) = 0;
    virtual void Show() = 0;        // without activating the window, and painted
    virtual Shot Take() = 0;        // after the pending paints
    virtual void BlockStore() = 0;  // the settings store refuses the next writes
    DateTime now{2026, 12, 6, 13, 20, 30};
};
std::unique_ptr<Host> MakeHost();

// Records what the window raised; its labels are the test's to set, and its image, white,
// covers the client area once the runtime `rt` is set.
struct RecordingEvents : FormEvents {
    struct Mouse {
        char what;  // 'D'own, 'M'ove, 'U'p
        int buttons, shift;
        float x, y;
        bool operator==(const Mouse&) const = default;
    };
    int resizes = 0, unloads = 0, sessionSaves = 0, ticks = 0;
    std::function<void()> onResize;
    std::vector<Mouse> mouse;
    std::vector<std::pair<float, float>> moves;
    std::array<Label, 2> labels{{{0, 0, 800, 195, "", 0, true}, {0, 0, 675, 195, "", 0, true}}};
    Image image;
    FormsRuntime* rt = nullptr;

    void Load() override {}
    void Resize() override {
        ++resizes;
        const DeviceArea area = rt ? rt->ClientArea() : DeviceArea{};
        if (rt) image.Resize(area.width, area.height, area.dpi), Show();
        if (onResize) onResize();
    }
    // Has the runtime show what changed in the image, and the label's rectangle.
    void Show(const Label* label = nullptr) {
        if (label)
            image.Changed(image.ToPixels(label->Left, label->Top, label->Width, label->Height));
        const std::vector<PixelRect> changed = image.TakeChanges();
        if (!changed.empty()) rt->ShowImage(changed);
    }
    void Unload() override { ++unloads; }
    void SessionMayEnd() override { ++sessionSaves; }
    void MouseDown(int b, int s, float x, float y) override { mouse.push_back({'D', b, s, x, y}); }
    void MouseMove(int b, int s, float x, float y) override { mouse.push_back({'M', b, s, x, y}); }
    void MouseUp(int b, int s, float x, float y) override { mouse.push_back({'U', b, s, x, y}); }
    void Moved(float left, float top) override { moves.push_back({left, top}); }
    void Timer() override { ++ticks; }
    const Image& Face() const override { return image; }
    std::span<const Label> Labels() const override { return labels; }
};

}  // namespace torven::testing
