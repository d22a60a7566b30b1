// An in-memory host for Form1: it records every drawing call and every request,
// holds the window geometry (whole pixels, with the synchronous Resize), a settings
// map, a settable clock, a scripted colour picker and popup menu, and captures
// message boxes, warnings and the unload. It decides nothing a real host would
// decide differently.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "forms_runtime.h"
#include "module1.h"
#include "twips.h"

namespace torven::testing {

struct DrawCall {
    enum Kind { kFill, kLine, kBox, kCircle } kind;
    Point a;  // line and box: the two corners; circle: the centre
    Point b;
    std::int32_t radius = 0;
    Color color = 0;
    int width = 0;
    std::optional<ArcSpan> arc;
    bool operator==(const DrawCall&) const = default;
};

// An assignment to the window's Left, Top, Width or Height ('L', 'T', 'W', 'H').
struct Assignment {
    char what;
    float twips;
    bool operator==(const Assignment&) const = default;
};

struct ZOrderCall {
    Module1::HWND insertAfter;
    std::int32_t x, y, cx, cy;
    std::uint32_t flags;
    bool operator==(const ZOrderCall&) const = default;
};

struct MessageBox {
    std::string prompt;
    int buttons;
    std::string title;
};

class TestRuntime final : public FormsRuntime {
  public:
    // 15 twips a pixel by default; twipsPerPixel 0 keeps sizes and positions exactly
    // as assigned (for checking the clock's own arithmetic).
    explicit TestRuntime(double twipsPerPixel = 15);

    void Attach(FormEvents& form) { form_ = &form; }

    // FormsRuntime
    float Left() const override { return left_; }
    float Top() const override { return top_; }
    float Width() const override { return width_; }
    float Height() const override { return height_; }
    void SetLeft(float twips) override;
    void SetTop(float twips) override;
    void SetWidth(float twips) override;
    void SetHeight(float twips) override;
    TwipsRect Desktop() const override { return desktop; }
    std::intptr_t hWnd() const override { return reinterpret_cast<std::intptr_t>(this); }
    void Fill(Color color) override;
    void Line(Point from, Point to, Color color, int penWidth) override;
    void Box(Point a, Point b, Color color, int penWidth) override;
    void Circle(Point centre, std::int32_t radius, Color color, int penWidth,
                std::optional<ArcSpan> arc) override;
    void LabelChanged(int index) override { labelChanges.push_back(index); }
    int PopupMenu(std::span<const MenuItem> items) override;
    std::optional<Color> ShowColor() override;
    void MsgBox(std::string_view prompt, int buttons, std::string_view title) override;
    std::string GetSetting(std::string_view app, std::string_view section, std::string_view key,
                           std::string_view defaultText) override;
    bool SaveSetting(std::string_view app, std::string_view section, std::string_view key,
                     std::string_view text) override;
    DateTime Now() override;
    void Warn(std::string_view line) override { warnings.emplace_back(line); }
    void DestroyForm() override { ++destroyed; }

    // The window in pixels, as the window services see it.
    Module1::RECT WindowPixels() const;
    int WidthPixels() const { return scale_.ToPixels(width_); }
    int HeightPixels() const { return scale_.ToPixels(height_); }
    // Puts the window at a place and size without raising anything (a test's setup).
    void Place(float left, float top, float width, float height);

    // What happened.
    std::vector<DrawCall> draws;
    std::vector<int> labelChanges;
    std::vector<Assignment> assignments;
    std::vector<std::vector<MenuItem>> menusShown;
    std::vector<MessageBox> messageBoxes;
    std::vector<std::pair<std::string, std::string>> writes;  // key, text, in order
    std::vector<std::string> warnings;
    std::vector<Module1::RECT> regions;  // rectangles given to SetWindowRgn
    std::vector<ZOrderCall> zOrderCalls;
    int colorDialogs = 0;
    int destroyed = 0;
    int resizes = 0;
    bool visible = false;
    bool topmost = false;

    // What the next requests get.
    TwipsRect desktop{0, 0, 1920 * 15, 1080 * 15};
    std::map<std::string, std::string> settings;  // key -> text (application TORVEN, Startup)
    bool refuseWrites = false;
    int menuChoice = -1;
    std::function<void()> whileMenuOpen;            // runs inside PopupMenu, as a timer tick would
    std::deque<std::optional<Color>> colorAnswers;  // nullopt is Cancel; empty: Cancel
    DateTime now{2026, 12, 6, 13, 20, 30};
    std::deque<DateTime> readings;  // when not empty, each Now() takes the next one
    int nowCalls = 0;

    // SetWindowPos: z-order and visibility, then the rectangle it was given (pixels).
    void ApplyWindowPos(const ZOrderCall& call);

  private:
    float Quantise(float twips) const;

    FormEvents* form_ = nullptr;
    TwipsScale scale_;
    bool exact_;
    float left_ = 120;
    float top_ = 135;
    float width_ = 1575;
    float height_ = 1575;
};

// Regions made by CreateEllipticRgnIndirect and not yet handed to a window.
int LiveRegions();

// Draw calls of one kind.
std::vector<DrawCall> OfKind(const std::vector<DrawCall>& draws, DrawCall::Kind kind);

}  // namespace torven::testing
