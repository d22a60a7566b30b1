// The popup menu and the dialogs: ChooseColorW and MessageBoxW, opened over the clock's
// monitor, the foreground given back when they end.
// clang-format off
#include "win32_window.h"
#include <commdlg.h>  // needs <windows.h> first
// clang-format on

#include <cwchar>

namespace torven {

namespace win32 {

HMENU BuildPopupMenu(std::span<const MenuItem> items) {
    HMENU menu = CreatePopupMenu();
    for (size_t i = 0; i < items.size(); ++i) {
        const MenuItem& item = items[i];
        if (item.IsSeparator()) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        UINT flags = MF_STRING | (item.Checked ? MF_CHECKED : MF_UNCHECKED);
        AppendMenuW(menu, flags, i + 1, Widen(item.Caption).c_str());
    }
    return menu;
}

}  // namespace win32

using win32::Widen;

namespace {

// Runs a modal dialog so that it opens in the middle of the work area of the clock's
// monitor: the system would place it at the corner of the screen, over the clock.
template <typename Dialog>
auto CentredOnMonitorOf(HWND clock, Dialog dialog) {
    static thread_local HWND centreOn = nullptr;
    static thread_local HHOOK hook = nullptr;
    centreOn = clock;
    hook = SetWindowsHookExW(
        WH_CBT,
        [](int code, WPARAM wParam, LPARAM lParam) -> LRESULT {
            auto* window = reinterpret_cast<HWND>(wParam);
            wchar_t name[16]{};
            if (code == HCBT_ACTIVATE && GetClassNameW(window, name, 16) &&
                wcscmp(name, L"#32770") == 0) {
                MONITORINFO monitor{sizeof monitor, {}, {}, 0};
                GetMonitorInfoW(MonitorFromWindow(centreOn, MONITOR_DEFAULTTONEAREST), &monitor);
                RECT r{};
                GetWindowRect(window, &r);
                const RECT& work = monitor.rcWork;
                const PixelRect at = Centred({work.left, work.top, work.right, work.bottom},
                                             r.right - r.left, r.bottom - r.top);
                SetWindowPos(window, nullptr, at.left, at.top, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
                UnhookWindowsHookEx(hook);
                hook = nullptr;
            }
            return CallNextHookEx(nullptr, code, wParam, lParam);
        },
        nullptr, GetCurrentThreadId());
    auto result = dialog();
    if (hook) UnhookWindowsHookEx(hook);
    hook = nullptr;
    return result;
}

}  // namespace

int Win32Runtime::PopupMenu(std::span<const MenuItem> items) {
    if (!s_->hwnd) return -1;
    HMENU menu = win32::BuildPopupMenu(items);
    POINT at{};
    GetCursorPos(&at);
    // A menu of a window that is not in the foreground would not close when the user
    // clicks elsewhere, nor see its access keys.
    HWND previous = GetForegroundWindow();
    SetForegroundWindow(s_->hwnd);
    int chosen = static_cast<int>(
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, s_->hwnd, nullptr));
    PostMessageW(s_->hwnd, WM_NULL, 0, 0);
    s_->RestoreForeground(previous);
    DestroyMenu(menu);
    return chosen - 1;
}

std::optional<Color> Win32Runtime::ShowColor() {
    CHOOSECOLORW cc{};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = s_->hwnd;
    cc.lpCustColors = s_->customColours.data();
    HWND previous = GetForegroundWindow();
    BOOL chosen = CentredOnMonitorOf(s_->hwnd, [&] { return ChooseColorW(&cc); });
    s_->RestoreForeground(previous);
    if (!chosen) return std::nullopt;
    return static_cast<Color>(cc.rgbResult);
}

void Win32Runtime::MsgBox(std::string_view prompt, std::string_view title) {
    HWND previous = GetForegroundWindow();
    CentredOnMonitorOf(s_->hwnd, [&] {
        return MessageBoxW(s_->hwnd, Widen(prompt).c_str(), Widen(title).c_str(), MB_OK);
    });
    s_->RestoreForeground(previous);
}

}  // namespace torven
