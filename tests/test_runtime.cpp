#include "test_runtime.h"

#include <cstdio>

#include "conversions.h"

namespace torven::testing {

namespace {

std::string At(Point p) {
    return std::to_string(p.x) + "," + std::to_string(p.y);
}


}  // namespace

std::string ColorName(Color color) {
    static const std::map<Color, std::string> kNames = {
        {0x000000, "black"}, {0xFFFFFF, "white"}, {0xFF0000, "blue"}, {0x0000FF, "red"},
        {0x808080, "grey"},  {0x800000, "navy"},  {0xFFFF00, "cyan"}, {0x000080, "maroon"}};
    const auto found = kNames.find(color);
    if (found != kNames.end()) return found->second;
    char text[16];
    std::snprintf(text, sizeof text, "0x%06X", static_cast<unsigned>(color));
    return text;
}

TestRuntime::TestRuntime(double twipsPerPixel)
    : scale_(twipsPerPixel > 0 ? twipsPerPixel : 15), exact_(twipsPerPixel <= 0) {
    for (float& value : rect_)
        value = Quantise(value);
}

std::vector<std::string> TestRuntime::Find(std::string_view prefix) const {
    std::vector<std::string> found;
    for (const std::string& entry : log)
        if (entry.starts_with(prefix)) found.push_back(entry);
    return found;
}

float TestRuntime::Quantise(float twips) const {
    return exact_ ? twips : scale_.ToTwips(scale_.ToPixels(twips));
}

void TestRuntime::Assign(char what, float twips) {
    log.push_back(std::string(1, what) + " " + SingleText(twips));
    const int index = std::string_view("LTWH").find(what);
    const float value = Quantise(twips);
    if (value == rect_[index]) return;
    rect_[index] = value;
    if (index >= 2 && form_) form_->Resize();
}

void TestRuntime::Fill(Color color) {
    log.push_back("fill " + ColorName(color));
}

void TestRuntime::Line(Point from, Point to, Color color, int penWidth) {
    log.push_back("line w" + std::to_string(penWidth) + " " + ColorName(color) + " " + At(from) +
                  " " + At(to));
}

void TestRuntime::Box(Point a, Point b, Color color, int penWidth) {
    log.push_back("box w" + std::to_string(penWidth) + " " + ColorName(color) + " " + At(a) + " " +
                  At(b));
}

void TestRuntime::Circle(Point centre, std::int32_t radius, Color color, int penWidth,
                         std::optional<ArcSpan> arc) {
    std::string entry = (arc ? "arc w" : "circle w") + std::to_string(penWidth) + " " +
                        ColorName(color) + " " + At(centre) + " r" + std::to_string(radius);
    if (arc) entry += " " + SingleText(arc->start) + " " + SingleText(arc->end);
    log.push_back(entry);
}

void TestRuntime::LabelChanged(int index) {
    log.push_back("label " + std::to_string(index));
}

int TestRuntime::PopupMenu(std::span<const MenuItem> items) {
    log.push_back("menu");
    menuShown.assign(items.begin(), items.end());
    if (whileMenuOpen) whileMenuOpen();
    return menuChoice;
}

std::optional<Color> TestRuntime::ShowColor() {
    log.push_back("picker");
    if (picks.empty()) return std::nullopt;
    const std::optional<Color> pick = picks.front();
    picks.pop_front();
    return pick;
}

void TestRuntime::MsgBox(std::string_view prompt, std::string_view title) {
    log.push_back("msgbox " + std::string(title) + ": " + std::string(prompt));
}

std::string TestRuntime::GetSetting(std::string_view app, std::string_view section,
                                    std::string_view key, std::string_view defaultText) {
    const auto found = settings.find(std::string(key));
    if (app != "TORVEN" || section != "Startup" || found == settings.end())
        return std::string(defaultText);
    return found->second;
}

bool TestRuntime::SaveSetting(std::string_view app, std::string_view section, std::string_view key,
                              std::string_view text) {
    if (refuseWrites || app != "TORVEN" || section != "Startup") return false;
    settings[std::string(key)] = text;
    log.push_back("save " + std::string(key) + "=" + std::string(text));
    return true;
}

DateTime TestRuntime::Now() {
    if (!readings.empty()) {
        now = readings.front();
        readings.pop_front();
    }
    return now;
}

void TestRuntime::Warn(std::string_view line) {
    log.push_back("warn " + std::string(line));
}

void TestRuntime::DestroyForm() {
    log.push_back("destroy");
}

Module1::RECT TestRuntime::WindowPixels() const {
    const int left = scale_.ToPixels(rect_[0]), top = scale_.ToPixels(rect_[1]);
    return {left, top, left + scale_.ToPixels(rect_[2]), top + scale_.ToPixels(rect_[3])};
}

void TestRuntime::SetWindowPos(Module1::HWND insertAfter, Module1::RECT to, std::uint32_t flags) {
    char text[80];
    std::snprintf(text, sizeof text, "zorder %s %d,%d %dx%d 0x%X",
                  insertAfter == Module1::HWND_TOPMOST     ? "topmost"
                  : insertAfter == Module1::HWND_NOTOPMOST ? "notopmost"
                                                           : "?",
                  to.Left, to.Top, to.Right - to.Left, to.Bottom - to.Top, flags);
    log.push_back(text);
    topmost = insertAfter == Module1::HWND_TOPMOST;
    visible = visible || (flags & Module1::SWP_SHOWWINDOW);
    // The rectangle is the window's own: it stays where it is.
}

}  // namespace torven::testing

// The window services, on the in-memory window.
namespace Module1 {

namespace {
torven::testing::TestRuntime& Window(HWND hWnd) {
    return *reinterpret_cast<torven::testing::TestRuntime*>(hWnd);
}
std::map<HRGN, RECT>& Regions() {
    static std::map<HRGN, RECT> regions;  // made and not yet handed to a window
    return regions;
}
}  // namespace

std::int32_t GetClientRect(HWND hWnd, RECT& lpRect) {
    const RECT window = Window(hWnd).WindowPixels();
    lpRect = {0, 0, window.Right - window.Left, window.Bottom - window.Top};
    return 1;
}

HRGN CreateEllipticRgnIndirect(const RECT& lpRect) {
    static HRGN next = 0;
    Regions()[++next] = lpRect;
    return next;
}

std::int32_t SetWindowRgn(HWND hWnd, HRGN hRgn, bool /*bRedraw*/) {
    const RECT r = Regions().at(hRgn);
    Regions().erase(hRgn);
    Window(hWnd).log.push_back("region " + std::to_string(r.Left) + "," + std::to_string(r.Top) +
                               " " + std::to_string(r.Right) + "," + std::to_string(r.Bottom));
    return 1;
}

std::int32_t GetWindowRect(HWND hWnd, RECT& lpRect) {
    lpRect = Window(hWnd).WindowPixels();
    return 1;
}

std::int32_t SetWindowPos(HWND hWnd, HWND hWndInsertAfter, std::int32_t X, std::int32_t Y,
                          std::int32_t cx, std::int32_t cy, std::uint32_t wFlags) {
    Window(hWnd).SetWindowPos(hWndInsertAfter, {X, Y, X + cx, Y + cy}, wFlags);
    return 1;
}

}  // namespace Module1
