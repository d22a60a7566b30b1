#include "test_runtime.h"

namespace torven::testing {

TestRuntime::TestRuntime(double twipsPerPixel)
    : scale_(twipsPerPixel > 0 ? twipsPerPixel : 15), exact_(twipsPerPixel <= 0) {
    Place(left_, top_, width_, height_);
}

float TestRuntime::Quantise(float twips) const {
    return exact_ ? twips : scale_.ToTwips(scale_.ToPixels(twips));
}

void TestRuntime::Place(float left, float top, float width, float height) {
    left_ = Quantise(left);
    top_ = Quantise(top);
    width_ = Quantise(width);
    height_ = Quantise(height);
}

void TestRuntime::SetLeft(float twips) {
    assignments.push_back({'L', twips});
    left_ = Quantise(twips);
}

void TestRuntime::SetTop(float twips) {
    assignments.push_back({'T', twips});
    top_ = Quantise(twips);
}

void TestRuntime::SetWidth(float twips) {
    assignments.push_back({'W', twips});
    const float width = Quantise(twips);
    if (width == width_) return;
    width_ = width;
    ++resizes;
    if (form_) form_->Resize();
}

void TestRuntime::SetHeight(float twips) {
    assignments.push_back({'H', twips});
    const float height = Quantise(twips);
    if (height == height_) return;
    height_ = height;
    ++resizes;
    if (form_) form_->Resize();
}

void TestRuntime::Fill(Color color) {
    draws.push_back({DrawCall::kFill, {}, {}, 0, color, 0, {}});
}

void TestRuntime::Line(Point from, Point to, Color color, int penWidth) {
    draws.push_back({DrawCall::kLine, from, to, 0, color, penWidth, {}});
}

void TestRuntime::Box(Point a, Point b, Color color, int penWidth) {
    draws.push_back({DrawCall::kBox, a, b, 0, color, penWidth, {}});
}

void TestRuntime::Circle(Point centre, std::int32_t radius, Color color, int penWidth,
                         std::optional<ArcSpan> arc) {
    draws.push_back({DrawCall::kCircle, centre, {}, radius, color, penWidth, arc});
}

int TestRuntime::PopupMenu(std::span<const MenuItem> items) {
    menusShown.emplace_back(items.begin(), items.end());
    if (whileMenuOpen) whileMenuOpen();
    return menuChoice;
}

std::optional<Color> TestRuntime::ShowColor() {
    ++colorDialogs;
    if (colorAnswers.empty()) return std::nullopt;
    const std::optional<Color> answer = colorAnswers.front();
    colorAnswers.pop_front();
    return answer;
}

void TestRuntime::MsgBox(std::string_view prompt, int buttons, std::string_view title) {
    messageBoxes.push_back({std::string(prompt), buttons, std::string(title)});
}

std::string TestRuntime::GetSetting(std::string_view app, std::string_view section,
                                    std::string_view key, std::string_view defaultText) {
    if (app != "TORVEN" || section != "Startup") return std::string(defaultText);
    const auto found = settings.find(std::string(key));
    return found != settings.end() ? found->second : std::string(defaultText);
}

bool TestRuntime::SaveSetting(std::string_view app, std::string_view section, std::string_view key,
                              std::string_view text) {
    if (refuseWrites || app != "TORVEN" || section != "Startup") return false;
    settings[std::string(key)] = text;
    writes.emplace_back(key, text);
    return true;
}

DateTime TestRuntime::Now() {
    ++nowCalls;
    if (readings.empty()) return now;
    now = readings.front();
    readings.pop_front();
    return now;
}

Module1::RECT TestRuntime::WindowPixels() const {
    const int left = scale_.ToPixels(left_);
    const int top = scale_.ToPixels(top_);
    return {left, top, left + scale_.ToPixels(width_), top + scale_.ToPixels(height_)};
}

void TestRuntime::ApplyWindowPos(const ZOrderCall& call) {
    zOrderCalls.push_back(call);
    if (call.insertAfter == Module1::HWND_TOPMOST) topmost = true;
    if (call.insertAfter == Module1::HWND_NOTOPMOST) topmost = false;
    if (call.flags & Module1::SWP_SHOWWINDOW) visible = true;
    const Module1::RECT now = WindowPixels();
    if (call.x == now.Left && call.y == now.Top && call.x + call.cx == now.Right &&
        call.y + call.cy == now.Bottom) {
        return;  // already there: nothing moves
    }
    const float tpp = static_cast<float>(scale_.TwipsPerPixel());
    left_ = Quantise(call.x * tpp);
    top_ = Quantise(call.y * tpp);
    const float width = Quantise(call.cx * tpp);
    const float height = Quantise(call.cy * tpp);
    if (width == width_ && height == height_) return;
    width_ = width;
    height_ = height;
    ++resizes;
    if (form_) form_->Resize();
}

namespace {
std::map<Module1::HRGN, Module1::RECT>& Regions() {
    static std::map<Module1::HRGN, Module1::RECT> regions;
    return regions;
}
}  // namespace

int LiveRegions() {
    return static_cast<int>(Regions().size());
}

std::vector<DrawCall> OfKind(const std::vector<DrawCall>& draws, DrawCall::Kind kind) {
    std::vector<DrawCall> out;
    for (const DrawCall& call : draws) {
        if (call.kind == kind) out.push_back(call);
    }
    return out;
}

}  // namespace torven::testing

// The window services, on the in-memory window.
namespace Module1 {

namespace {
torven::testing::TestRuntime& Window(HWND hWnd) {
    return *reinterpret_cast<torven::testing::TestRuntime*>(hWnd);
}
}  // namespace

std::int32_t GetClientRect(HWND hWnd, RECT& lpRect) {
    const auto& window = Window(hWnd);
    lpRect = {0, 0, window.WidthPixels(), window.HeightPixels()};
    return 1;
}

HRGN CreateEllipticRgnIndirect(const RECT& lpRect) {
    static HRGN next = 0;
    torven::testing::Regions()[++next] = lpRect;
    return next;
}

std::int32_t SetWindowRgn(HWND hWnd, HRGN hRgn, bool /*bRedraw*/) {
    auto& regions = torven::testing::Regions();
    const auto found = regions.find(hRgn);
    if (found == regions.end()) return 0;
    Window(hWnd).regions.push_back(found->second);
    regions.erase(found);  // the window owns it now
    return 1;
}

std::int32_t GetWindowRect(HWND hWnd, RECT& lpRect) {
    lpRect = Window(hWnd).WindowPixels();
    return 1;
}

std::int32_t SetWindowPos(HWND hWnd, HWND hWndInsertAfter, std::int32_t X, std::int32_t Y,
                          std::int32_t cx, std::int32_t cy, std::uint32_t wFlags) {
    Window(hWnd).ApplyWindowPos({hWndInsertAfter, X, Y, cx, cy, wFlags});
    return 1;
}

}  // namespace Module1
