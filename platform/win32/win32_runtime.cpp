#include "win32_runtime.h"

// clang-format off
#include "win32_internal.h"
#include <commdlg.h>  // needs <windows.h> first
#include <shellscalingapi.h>
// clang-format on

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <cwchar>

#include "readout.h"

namespace torven {
namespace {

constexpr wchar_t kWindowClass[] = L"TorvenClock";
constexpr UINT_PTR kTimerId = 1;
constexpr int kIconResource = 1;

// GDI reads a COLORREF's top byte as a palette flag; a stored colour may have one set.
COLORREF ToColorRef(Color color) {
    return static_cast<COLORREF>(color) & 0x00FFFFFF;
}

}  // namespace

namespace win32 {

std::wstring Widen(std::string_view utf8) {
    if (utf8.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string Narrow(std::wstring_view utf16) {
    if (utf16.empty()) return {};
    int size = static_cast<int>(utf16.size());
    int n = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, out.data(), n, nullptr, nullptr);
    return out;
}

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

std::wstring SettingsKey(std::string_view app, std::string_view section) {
    return L"Software\\" + Widen(app) + L"\\" + Widen(section);
}

std::vector<Monitor> SystemMonitors() {
    std::vector<Monitor> monitors;
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR handle, HDC, RECT*, LPARAM list) -> BOOL {
            MONITORINFO info{sizeof info, {}, {}, 0};
            UINT dpi = USER_DEFAULT_SCREEN_DPI, unused = 0;
            if (!GetMonitorInfoW(handle, &info)) return TRUE;
            GetDpiForMonitor(handle, MDT_EFFECTIVE_DPI, &dpi, &unused);
            auto& found = *reinterpret_cast<std::vector<Monitor>*>(list);
            found.insert(info.dwFlags & MONITORINFOF_PRIMARY ? found.begin() : found.end(),
                         Monitor{info.rcMonitor, dpi});
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

std::vector<Monitor> (*Monitors)() = SystemMonitors;

}  // namespace win32

using win32::Widen;

// Everything the window procedure needs; owned by the runtime.
struct Win32Runtime::State {
    Win32Runtime* runtime = nullptr;
    FormEvents* form = nullptr;
    HWND hwnd = nullptr;
    bool windowRefused = false;  // CreateWindowExW failed: Run ends at once
    TwipsScale scale;
    UINT dpi = USER_DEFAULT_SCREEN_DPI;
    // Where a paint puts the labels over the form's image, so that they never flash: a
    // bitmap the size of the client area whose pixels are the image's layout. Without the
    // bitmap (no memory for it) there is no `compose` either, and nothing is painted.
    HDC compose = nullptr;
    HBITMAP composeBitmap = nullptr;
    HGDIOBJ composeInitialBitmap = nullptr;
    std::uint32_t* composeBits = nullptr;
    SIZE client{};
    HFONT font = nullptr;
    std::array<COLORREF, 16> customColours{};

    void Tick();
    void ArmTimer();

    void CreateSurface(SIZE size);
    void ReleaseSurface();
    void UpdateDpi(UINT newDpi);
    void ClientSizeChanged();
    void Paint();
    HFONT ReadoutFont();
    void Mouse(UINT message, WPARAM wParam, LPARAM lParam);
    RECT WindowRect() const {
        RECT r{};
        GetWindowRect(hwnd, &r);
        return r;
    }
    // Places are twips at the primary monitor's DPI, whichever monitor the window is on,
    // so that they mean the same place on every monitor (sizes follow the window's DPI).
    static TwipsScale PlaceScale() {
        const std::vector<win32::Monitor> monitors = win32::Monitors();
        return TwipsScale::ForDpi(monitors.empty() ? USER_DEFAULT_SCREEN_DPI : monitors[0].dpi);
    }
    // Modal loops (the menu, the dialogs) leave the clock active when they end; the
    // window that was in front before gets the foreground back, the desktop when none
    // was. (A clock left in the foreground after a dialog, as the system reactivates a
    // dialog's owner, makes the next menu's SetForegroundWindow change nothing.)
    void RestoreForeground(HWND previous) const {
        if (GetForegroundWindow() != hwnd || previous == hwnd) return;
        SetForegroundWindow(IsWindow(previous) ? previous : GetDesktopWindow());
    }
    void Place(int x, int y, int w, int h, UINT flags) {
        SetWindowPos(hwnd, nullptr, x, y, w, h, flags | SWP_NOZORDER | SWP_NOACTIVATE);
    }
};

namespace {

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

void Win32Runtime::State::UpdateDpi(UINT newDpi) {
    dpi = newDpi != 0 ? newDpi : USER_DEFAULT_SCREEN_DPI;
    scale = TwipsScale::ForDpi(dpi);
    if (compose) SelectObject(compose, GetStockObject(DEFAULT_GUI_FONT));  // to delete it
    if (font) DeleteObject(font);
    font = nullptr;
    ReadoutFont();  // for this DPI
}

HFONT Win32Runtime::State::ReadoutFont() {
    if (font || !form) return font;
    // The default GUI font's face, fitted to the labels at this DPI (readout.h), without
    // anti-aliasing, so the digits are solid ForeColor.
    LOGFONTW lf{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    lf.lfQuality = NONANTIALIASED_QUALITY;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ initial = GetCurrentObject(dc, OBJ_FONT);
    const auto make = [&](int pixels) {
        lf.lfHeight = -pixels;
        return CreateFontIndirectW(&lf);
    };
    int measured = 0;  // the size of the font selected into dc
    const int pixels = ReadoutPixelSize(form->Labels(), scale, [&](int size, auto text) {
        if (size != measured) {
            HGDIOBJ last = SelectObject(dc, make(size));
            if (measured) DeleteObject(last);
            measured = size;
        }
        SIZE extent{};
        GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(text.data()),
                              static_cast<int>(text.size()), &extent);
        return TextExtent{extent.cx, extent.cy};
    });
    if (measured) DeleteObject(SelectObject(dc, initial));
    DeleteDC(dc);
    return font = make(pixels);
}

void Win32Runtime::State::CreateSurface(SIZE size) {
    const bool said = !compose && client.cx > 0;  // at the last size, which had none either
    ReleaseSurface();
    client = size;
    // Top-down rows of 32-bit pixels, as the image holds them.
    BITMAPINFO bmi{};
    BITMAPINFOHEADER& header = bmi.bmiHeader;
    header.biSize = sizeof header, header.biPlanes = 1, header.biBitCount = 32;
    header.biWidth = std::max<LONG>(size.cx, 1), header.biHeight = -std::max<LONG>(size.cy, 1);
    void* bits = nullptr;
    composeBitmap = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!composeBitmap) {
        if (!said)
            runtime->Warn("TORVEN: no memory for a bitmap of " + std::to_string(size.cx) + " x " +
                          std::to_string(size.cy) + " pixels; the face stays blank");
        return;
    }
    composeBits = static_cast<std::uint32_t*>(bits);
    compose = CreateCompatibleDC(nullptr);
    composeInitialBitmap = SelectObject(compose, composeBitmap);
    SetBkMode(compose, TRANSPARENT);
}

void Win32Runtime::State::ReleaseSurface() {
    if (!compose) return;
    SelectObject(compose, composeInitialBitmap);
    DeleteObject(composeBitmap);
    DeleteDC(compose);
    compose = nullptr;
    composeBitmap = nullptr;
    composeBits = nullptr;
}

void Win32Runtime::State::ClientSizeChanged() {
    RECT r{};
    GetClientRect(hwnd, &r);
    SIZE size{r.right, r.bottom};
    // A size whose bitmap was refused is not tried again, nor Resize raised, until it changes.
    if (size.cx == client.cx && size.cy == client.cy) return;
    CreateSurface(size);
    if (form) form->Resize();
}

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

void Win32Runtime::State::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT r{};
    const RECT all{0, 0, client.cx, client.cy};
    if (compose && form && IntersectRect(&r, &ps.rcPaint, &all)) {
        const Image& face = form->Face();
        GdiFlush();  // before the bitmap's pixels are written directly
        if (face.Blank() || face.Width() != client.cx || face.Height() != client.cy) {
            HBRUSH none = CreateSolidBrush(ToColorRef(kNoFace));
            FillRect(compose, &r, none);
            DeleteObject(none);
        } else {
            for (int y = r.top; y < r.bottom; ++y)
                std::memcpy(composeBits + y * client.cx + r.left,
                            face.Pixels() + y * client.cx + r.left, (r.right - r.left) * 4);
        }
        // The font stays selected: under Wine, selecting the DC's first font back makes
        // the X driver read the X resources again.
        HFONT readout = ReadoutFont();
        SelectObject(compose, readout ? readout : GetStockObject(DEFAULT_GUI_FONT));
        for (const Label& label : form->Labels()) {
            const PixelRect p = face.ToPixels(label.Left, label.Top, label.Width, label.Height);
            RECT box{p.left, p.top, p.right, p.bottom}, painted{};
            if (!label.Visible || label.Caption.empty() || !IntersectRect(&painted, &box, &r))
                continue;
            std::wstring text = Widen(label.Caption);
            SetTextColor(compose, ToColorRef(label.ForeColor));
            DrawTextW(compose, text.c_str(), static_cast<int>(text.size()), &box,
                      DT_SINGLELINE | DT_LEFT | DT_TOP | DT_NOPREFIX);
        }
        BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, compose, r.left, r.top,
               SRCCOPY);
    }
    EndPaint(hwnd, &ps);
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
    return State::PlaceScale().ToTwips(s_->WindowRect().left);
}
float Win32Runtime::Top() const {
    return State::PlaceScale().ToTwips(s_->WindowRect().top);
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
    s_->Place(State::PlaceScale().ToPixels(twips), s_->WindowRect().top, 0, 0, SWP_NOSIZE);
}
void Win32Runtime::SetTop(float twips) {
    s_->Place(s_->WindowRect().left, State::PlaceScale().ToPixels(twips), 0, 0, SWP_NOSIZE);
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
    const TwipsScale k = State::PlaceScale();
    std::vector<TwipsRect> monitors;
    for (const win32::Monitor& m : win32::Monitors())
        monitors.push_back({k.ToTwips(m.pixels.left), k.ToTwips(m.pixels.top),
                            k.ToTwips(m.pixels.right), k.ToTwips(m.pixels.bottom)});
    return monitors;
}

std::intptr_t Win32Runtime::hWnd() const {
    return reinterpret_cast<std::intptr_t>(s_->hwnd);
}

DeviceArea Win32Runtime::ClientArea() const {
    return {s_->client.cx, s_->client.cy, static_cast<double>(s_->dpi)};
}

void Win32Runtime::ShowImage(std::span<const PixelRect> changed) {
    // One invalidation for all of it: under Wine each is a round trip to the server.
    RECT all{};
    for (const PixelRect& p : changed) {
        const RECT r{p.left, p.top, p.right, p.bottom};
        UnionRect(&all, &all, &r);
    }
    if (s_->hwnd) InvalidateRect(s_->hwnd, &all, FALSE);
}

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

std::string Win32Runtime::GetSetting(std::string_view app, std::string_view section,
                                     std::string_view key, std::string_view defaultText) {
    // Only a REG_SZ of sane length counts; anything else reads as missing.
    wchar_t value[2048];
    DWORD bytes = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, win32::SettingsKey(app, section).c_str(),
                     Widen(key).c_str(), RRF_RT_REG_SZ | RRF_NOEXPAND, nullptr, value,
                     &bytes) != ERROR_SUCCESS)
        return std::string(defaultText);
    return win32::Narrow(std::wstring_view(value, wcsnlen(value, bytes / sizeof(wchar_t))));
}

bool Win32Runtime::SaveSettings(std::string_view app, std::string_view section,
                                std::span<const SettingText> values) {
    // Two clocks that end together write one after the other, so the key holds one
    // clock's values, not a mixture: a save writes only while it holds the mutex, which
    // the other holds for its few writes. A mutex left by a killed clock comes back as
    // abandoned, which is ours: it never holds a save up.
    HANDLE mutex = CreateMutexW(nullptr, FALSE, L"TORVEN-settings");
    const DWORD waited = mutex ? WaitForSingleObject(mutex, INFINITE) : WAIT_FAILED;
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        if (mutex) CloseHandle(mutex);
        return false;
    }
    HKEY key = nullptr;
    bool ok = RegCreateKeyExW(HKEY_CURRENT_USER, win32::SettingsKey(app, section).c_str(), 0,
                              nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS;
    for (const SettingText& value : values) {
        const std::wstring text = Widen(value.text);
        const auto bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
        ok = ok &&
             RegSetValueExW(key, Widen(value.key).c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(text.c_str()), bytes) == ERROR_SUCCESS;
    }
    if (key) RegCloseKey(key);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    return ok;
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
    OutputDebugStringW((Widen(line) + L"\n").c_str());
    std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
    std::fflush(stderr);
}

void Win32Runtime::DestroyForm(int exitStatus) {
    if (s_->hwnd) DestroyWindow(s_->hwnd);
    PostQuitMessage(exitStatus);
}

}  // namespace torven
