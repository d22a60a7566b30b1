#include "test_runtime.h"

#include <cstdio>
#include <memory>

namespace torven::testing {

std::string ColorName(Color color) {
    static const std::map<Color, std::string> kNames = {
        {0x000000, "black"}, {0xFFFFFF, "white"}, {0xFF0000, "blue"}, {0x0000FF, "red"},
        {0x808080, "grey"},  {0x800000, "navy"},  {0xFFFF00, "cyan"}, {0x000080, "maroon"}};
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%06X", static_cast<unsigned>(color));
    return kNames.contains(color) ? kNames.at(color) : hex;
}

void TestRuntime::Assign(int index, float twips) {
    log.push_back(std::string(1, "LTWH"[index]) + " " + SingleText(twips));
    if (Whole(twips) == rect_[index] || (index < 2 && refuseMoves && visible)) return;
    rect_[index] = Whole(twips);
    if (!form_) return;
    index < 2 ? form_->Moved(rect_[0], rect_[1]) : form_->Resize();
}

void TestRuntime::Impose(float left, float top, float side, bool reported) {
    rect_[0] = Whole(left), rect_[1] = Whole(top);
    if (Whole(side) != rect_[2]) rect_[2] = rect_[3] = Whole(side), form_->Resize();
    if (reported) form_->Moved(rect_[0], rect_[1]);
}

std::string TestRuntime::GetSetting(std::string_view app, std::string_view section,
                                    std::string_view key, std::string_view defaultText) {
    const auto found = settings.find(std::string(key));
    if (app != "TORVEN" || section != "Startup" || found == settings.end())
        return std::string(defaultText);
    return found->second;
}

bool TestRuntime::SaveSettings(std::string_view app, std::string_view section,
                               std::span<const SettingText> values) {
    if (refuseWrites || app != "TORVEN" || section != "Startup") return false;
    for (const SettingText& value : values) {
        settings[std::string(value.key)] = value.text;
        log.push_back("save " + std::string(value.key) + "=" + value.text);
    }
    return true;
}

void TestRuntime::Place(const Module1::RECT& r) {
    if (r == WindowPixels()) return;
    SetLeft(scale_.ToTwips(r.Left)), SetTop(scale_.ToTwips(r.Top));
    SetWidth(scale_.ToTwips(r.Right - r.Left)), SetHeight(scale_.ToTwips(r.Bottom - r.Top));
}

}  // namespace torven::testing

// The window services on the in-memory window: SetWindowPos takes the rectangle, changes the
// band and shows the window.
namespace Module1 {

namespace {
torven::testing::TestRuntime& Window(HWND hWnd) {
    return *reinterpret_cast<torven::testing::TestRuntime*>(hWnd);
}
}  // namespace

std::int32_t GetClientRect(HWND hWnd, RECT& lpRect) {
    const RECT window = Window(hWnd).WindowPixels();
    lpRect = {0, 0, window.Right - window.Left, window.Bottom - window.Top};
    return 1;
}

HRGN CreateEllipticRgnIndirect(const RECT& lpRect) {
    return reinterpret_cast<HRGN>(new RECT(lpRect));
}

std::int32_t SetWindowRgn(HWND hWnd, HRGN hRgn, bool bRedraw) {
    const RECT r = *std::unique_ptr<RECT>(reinterpret_cast<RECT*>(hRgn));
    char entry[64];
    std::snprintf(entry, sizeof entry, "region %d,%d %d,%d%s", r.Left, r.Top, r.Right, r.Bottom,
                  bRedraw ? "" : " kept");
    Window(hWnd).log.push_back(entry);
    Window(hWnd).shape = r;
    return 1;
}

std::int32_t GetWindowRect(HWND hWnd, RECT& lpRect) {
    lpRect = Window(hWnd).WindowPixels();
    return 1;
}

std::int32_t SetWindowPos(HWND hWnd, HWND hWndInsertAfter, std::int32_t X, std::int32_t Y,
                          std::int32_t cx, std::int32_t cy, std::uint32_t wFlags) {
    torven::testing::TestRuntime& window = Window(hWnd);
    window.Place({X, Y, X + cx, Y + cy});
    window.log.push_back(hWndInsertAfter == HWND_TOPMOST ? "zorder topmost" : "zorder notopmost");
    window.topmost = hWndInsertAfter == HWND_TOPMOST;
    window.visible = window.visible || (wFlags & SWP_SHOWWINDOW);
    return 1;
}

}  // namespace Module1
