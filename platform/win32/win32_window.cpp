// The clock's window: its class and creation, the window procedure, the tick timer, the
// mouse, its geometry in twips and the monitors, the message loop.
// clang-format off
#include "win32_window.h"
#include <shellscalingapi.h>  // needs <windows.h> first
// clang-format on

#include <algorithm>
#include <cstdio>
#include <string>

namespace torven {
namespace {

constexpr wchar_t kWindowClass[] = L"TorvenClock";
constexpr UINT_PTR kTimerId = 1;
constexpr int kIconResource = 1;

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* s = static_cast<Win32Runtime::State*>(
            reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        s->hwnd = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(s));
    }
    auto* s = reinterpret_cast<Win32Runtime::State*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!s) return DefWindowProcW(hwnd, message, wParam, lParam);
    switch (message) {
        case WM_CREATE:
            s->UpdateDpi(GetDpiForWindow(hwnd));
            s->ClientSizeChanged();
            return 0;
        case WM_WINDOWPOSCHANGING: {
            // The image's cap, whoever sizes the window (a size command, a
            // new DPI's suggested rectangle).
            auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
            pos->cx = std::min(pos->cx, MostSide(1));
            pos->cy = std::min(pos->cy, MostSide(1));
            break;
        }
        case WM_WINDOWPOSCHANGED:
            // Handled here rather than in WM_SIZE so that a size change raises Resize
            // exactly once, synchronously, whatever else SetWindowPos did.
            s->ClientSizeChanged();
            // Windows puts a window where it is asked to: by the clock, or by another
            // program the user moves it with.
            if (s->form && !(reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_NOMOVE))
                s->form->Moved(s->runtime->Left(), s->runtime->Top());
            return 0;
        case WM_DPICHANGED: {
            s->UpdateDpi(LOWORD(wParam));  // the new DPI, as the window will have it
            // The suggested size; the place stays where the clock put it.
            const RECT* r = reinterpret_cast<const RECT*>(lParam);
            const RECT now = s->WindowRect();
            SIZE before = s->client;
            s->Place(now.left, now.top, r->right - r->left, r->bottom - r->top, 0);
            // Same pixels, new twips and pen widths: the face still needs redrawing.
            if (s->client.cx == before.cx && s->client.cy == before.cy && s->form)
                s->form->Resize();
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            s->Paint();
            return 0;
        case WM_TIMER:
            if (wParam == kTimerId) s->Tick();
            return 0;
        case WM_TIMECHANGE:  // the clock was set: show the new time now
            s->Tick();
            return 0;
        case WM_POWERBROADCAST:  // awake again: likewise
            if (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND) s->Tick();
            return TRUE;
        case WM_MOUSEACTIVATE:
            return MA_NOACTIVATE;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
        case WM_MOUSEMOVE:
            s->Mouse(message, wParam, lParam);
            return 0;
        case WM_CLOSE:
            if (s->form)
                s->form->Unload();
            else
                DestroyWindow(hwnd);
            return 0;
        case WM_QUERYENDSESSION:
            // Save now, while there is time; but stay, since another program may still
            // cancel the logout (WM_ENDSESSION with FALSE).
            if (s->form) s->form->SessionMayEnd();
            return TRUE;
        case WM_ENDSESSION:
            if (wParam && s->form) s->form->Unload();
            return 0;
        case WM_NCDESTROY:
            KillTimer(hwnd, kTimerId);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            s->hwnd = nullptr;
            break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

void Win32Runtime::State::Tick() {
    if (!form) return;
    form->Timer();
    ArmTimer();
}

// The form draws only when the second it reads is new: one tick just after each second
// begins, on the clock Now() reads, is every tick that can change the face.
void Win32Runtime::State::ArmTimer() {
    if (!hwnd) return;
    FILETIME time{};
    GetSystemTimePreciseAsFileTime(&time);
    // Hundreds of nanoseconds since 1601, in nanoseconds since 1970 (a whole number of
    // seconds later), which fit 64 bits.
    const std::chrono::nanoseconds now(
        ((static_cast<std::int64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime) -
         116'444'736'000'000'000) *
        100);
    SetTimer(hwnd, kTimerId,
             static_cast<UINT>(
                 std::chrono::ceil<std::chrono::milliseconds>(NextTick(now) - now).count()),
             nullptr);
}

void Win32Runtime::State::Mouse(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!form) return;
    float x = scale.ToTwips(static_cast<short>(LOWORD(lParam)));
    float y = scale.ToTwips(static_cast<short>(HIWORD(lParam)));
    int shift = ((wParam & MK_SHIFT) ? 1 : 0) | ((wParam & MK_CONTROL) ? 2 : 0) |
                (GetKeyState(VK_MENU) < 0 ? 4 : 0);
    if (message == WM_MOUSEMOVE) {
        int buttons = ((wParam & MK_LBUTTON) ? kLeftButton : 0) |
                      ((wParam & MK_RBUTTON) ? kRightButton : 0) |
                      ((wParam & MK_MBUTTON) ? kMiddleButton : 0);
        form->MouseMove(buttons, shift, x, y);
        return;
    }
    const bool down =
        message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN;
    const int button = message == WM_LBUTTONDOWN || message == WM_LBUTTONUP   ? kLeftButton
                       : message == WM_RBUTTONDOWN || message == WM_RBUTTONUP ? kRightButton
                                                                              : kMiddleButton;
    // The left button holds the mouse while it is down: a fast drag leaves the face.
    if (button == kLeftButton) down ? void(SetCapture(hwnd)) : void(ReleaseCapture());
    down ? form->MouseDown(button, shift, x, y) : form->MouseUp(button, shift, x, y);
}

Win32Runtime::Win32Runtime() : s_(std::make_unique<State>()) {
    s_->runtime = this;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(kIconResource));
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = kWindowClass;
    RegisterClassExW(&wc);  // fails harmlessly when a second runtime registers again
    // Not WS_EX_NOACTIVATE: Wine then marks the window as never taking the keyboard,
    // and the popup menu, which needs the clock in the foreground, gets no keys once
    // a dialog has taken the focus away. Clicks still do not activate it
    // (WM_MOUSEACTIVATE), nor does showing or placing it.
    const TwipsScale design;  // 96 DPI, until the window has one
    const int left = design.ToPixels(kDesignClientArea.left);
    const int top = design.ToPixels(kDesignClientArea.top);
    if (!CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, L"TORVEN", WS_POPUP, left, top,
                         design.ToPixels(kDesignClientArea.right) - left,
                         design.ToPixels(kDesignClientArea.bottom) - top, nullptr, nullptr,
                         instance, s_.get())) {
        Warn("TORVEN: cannot create the window (error " + std::to_string(GetLastError()) +
             "); the clock ends");
        s_->windowRefused = true;
    }
}

Win32Runtime::~Win32Runtime() {
    if (s_->hwnd) DestroyWindow(s_->hwnd);
    s_->ReleaseSurface();
    if (s_->font) DeleteObject(s_->font);
}

void Win32Runtime::Attach(FormEvents& form) {
    s_->form = &form;
    s_->ReadoutFont();
    s_->ArmTimer();
}

int Win32Runtime::Run() {
    if (s_->windowRefused) return 1;  // no message would ever end the loop
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

float Win32Runtime::Left() const {
    return s_->PlaceScale().ToTwips(s_->WindowRect().left);
}
float Win32Runtime::Top() const {
    return s_->PlaceScale().ToTwips(s_->WindowRect().top);
}
float Win32Runtime::Width() const {
    RECT r = s_->WindowRect();
    return s_->scale.ToTwips(r.right - r.left);
}
float Win32Runtime::Height() const {
    RECT r = s_->WindowRect();
    return s_->scale.ToTwips(r.bottom - r.top);
}

void Win32Runtime::SetLeft(float twips) {
    s_->Place(s_->PlaceScale().ToPixels(twips), s_->WindowRect().top, 0, 0, SWP_NOSIZE);
}
void Win32Runtime::SetTop(float twips) {
    s_->Place(s_->WindowRect().left, s_->PlaceScale().ToPixels(twips), 0, 0, SWP_NOSIZE);
}
void Win32Runtime::SetWidth(float twips) {
    RECT r = s_->WindowRect();
    s_->Place(0, 0, s_->scale.ToPixels(twips), r.bottom - r.top, SWP_NOMOVE);
}
void Win32Runtime::SetHeight(float twips) {
    RECT r = s_->WindowRect();
    s_->Place(0, 0, r.right - r.left, s_->scale.ToPixels(twips), SWP_NOMOVE);
}

std::vector<TwipsRect> Win32Runtime::Monitors() const {
    const TwipsScale k = s_->PlaceScale();
    std::vector<TwipsRect> monitors;
    for (const PixelMonitor& m : PixelMonitors())
        monitors.push_back({k.ToTwips(m.pixels.left), k.ToTwips(m.pixels.top),
                            k.ToTwips(m.pixels.right), k.ToTwips(m.pixels.bottom)});
    return monitors;
}

std::vector<Win32Runtime::PixelMonitor> Win32Runtime::PixelMonitors() const {
    std::vector<PixelMonitor> monitors;
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR handle, HDC, RECT*, LPARAM list) -> BOOL {
            MONITORINFO info{sizeof info, {}, {}, 0};
            UINT dpi = USER_DEFAULT_SCREEN_DPI, unused = 0;
            if (!GetMonitorInfoW(handle, &info)) return TRUE;
            GetDpiForMonitor(handle, MDT_EFFECTIVE_DPI, &dpi, &unused);
            const RECT& r = info.rcMonitor;
            auto& found = *reinterpret_cast<std::vector<PixelMonitor>*>(list);
            found.insert(info.dwFlags & MONITORINFOF_PRIMARY ? found.begin() : found.end(),
                         PixelMonitor{{r.left, r.top, r.right, r.bottom}, dpi});
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

std::intptr_t Win32Runtime::hWnd() const {
    return reinterpret_cast<std::intptr_t>(s_->hwnd);
}

DateTime Win32Runtime::Now() {
    // The clock the tick timer is armed on. GetLocalTime reads the same time at the
    // clock interrupt's resolution, and could still read the old second at the tick.
    // The zone's bias is the current one, as GetLocalTime's: it follows a change of
    // the zone or of daylight saving time by itself.
    FILETIME utc{}, local{};
    GetSystemTimePreciseAsFileTime(&utc);
    FileTimeToLocalFileTime(&utc, &local);
    SYSTEMTIME t{};
    FileTimeToSystemTime(&local, &t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

void Win32Runtime::Warn(std::string_view line) {
    OutputDebugStringW((win32::Widen(line) + L"\n").c_str());
    std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
    std::fflush(stderr);
}

void Win32Runtime::DestroyForm(int exitStatus) {
    if (s_->hwnd) DestroyWindow(s_->hwnd);
    PostQuitMessage(exitStatus);
}

}  // namespace torven
