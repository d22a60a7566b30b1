#include "win32_runtime.h"

// clang-format off
#include "win32_internal.h"
#include <commdlg.h>  // needs <windows.h> first
// clang-format on

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cwchar>

#include "readout.h"
#include "ring.h"

namespace torven {
namespace {

constexpr wchar_t kWindowClass[] = L"TorvenClock";
constexpr UINT_PTR kTimerId = 1;
// The tick comes this long after the second begins (ms).
constexpr ULONGLONG kTickDelay = 2;
constexpr int kIconResource = 1;
// The design-time window: 105 x 105 pixels at (8, 9) on a 96-DPI screen.
constexpr int kDesignLeft = 8, kDesignTop = 9, kDesignSide = 105;

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

}  // namespace win32

using win32::Widen;

// Everything the window procedure needs; owned by the runtime.
struct Win32Runtime::State {
    FormEvents* form = nullptr;
    HWND hwnd = nullptr;
    TwipsScale scale;
    UINT dpi = USER_DEFAULT_SCREEN_DPI;
    // The drawing: a bitmap the size of the client area, selected into `surface`.
    HDC surface = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ initialBitmap = nullptr;
    // Where a paint puts the labels over the drawing, so that they never flash. Made
    // with the surface: under Wine, a DC or a bitmap made for the screen costs two
    // round trips to the server, and a paint each second would make both.
    HDC compose = nullptr;
    HBITMAP composeBitmap = nullptr;
    HGDIOBJ composeInitialBitmap = nullptr;
    SIZE client{};
    COLORREF background = RGB(255, 255, 255);
    HFONT font = nullptr;
    std::array<RECT, 2> labelRects{};  // where each label was last painted (pixels)
    std::array<COLORREF, 16> customColours{};
    bool ticking = false;
    RECT changed{};  // what the tick drew, invalidated when it ends

    void Tick();
    void ArmTimer();

    void CreateSurface(SIZE size);
    void ReleaseSurface();
    void UpdateDpi(UINT newDpi);
    void ClientSizeChanged();
    void Paint();
    HFONT ReadoutFont();
    void Invalidate(RECT rect, int margin);
    RECT LabelRect(const Label& label) const;
    void Mouse(UINT message, WPARAM wParam, LPARAM lParam);
    // Runs `draw` on the surface with a pen of the form's width (96-DPI pixels).
    template <typename Draw>
    void WithPen(Color color, int penWidth, Draw draw);
    int PenPixels(int penWidth) const { return std::max(1, CInt(penWidth * dpi / 96.0)); }
    POINT ToPixels(Point p) const { return {scale.ToPixels(p.x), scale.ToPixels(p.y)}; }
    RECT WindowRect() const {
        RECT r{};
        GetWindowRect(hwnd, &r);
        return r;
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
            // The drawing surface's cap, whoever sizes the window (a size command, a
            // new DPI's suggested rectangle).
            auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
            pos->cx = std::min(pos->cx, kMaxSidePixels);
            pos->cy = std::min(pos->cy, kMaxSidePixels);
            break;
        }
        case WM_WINDOWPOSCHANGED:
            // Handled here rather than in WM_SIZE so that a size change raises Resize
            // exactly once, synchronously, whatever else SetWindowPos did.
            s->ClientSizeChanged();
            return 0;
        case WM_DPICHANGED: {
            s->UpdateDpi(LOWORD(wParam));  // the new DPI, as the window will have it
            const RECT* r = reinterpret_cast<const RECT*>(lParam);
            SIZE before = s->client;
            s->Place(r->left, r->top, r->right - r->left, r->bottom - r->top, 0);
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

void RegisterWindowClass(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(kIconResource));
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = kWindowClass;
    RegisterClassExW(&wc);  // fails harmlessly when a second runtime registers again
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
                SetWindowPos(window, nullptr, (work.left + work.right - (r.right - r.left)) / 2,
                             (work.top + work.bottom - (r.bottom - r.top)) / 2, 0, 0,
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
    // The default GUI font's face at the largest height at which the widest time
    // ("00:00:00" in the widest digit) and date fit every label's room (readout.h) at
    // this DPI, without anti-aliasing, so the digits are solid ForeColor.
    LOGFONTW lf{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    lf.lfQuality = NONANTIALIASED_QUALITY;
    HDC dc = CreateCompatibleDC(nullptr);
    for (int pixels = 64; pixels > 1 && !font; --pixels) {
        lf.lfHeight = -pixels;
        lf.lfWidth = 0;
        HFONT candidate = CreateFontIndirectW(&lf);
        HGDIOBJ old = SelectObject(dc, candidate);
        INT widths[10]{};
        GetCharWidth32W(dc, L'0', L'9', widths);
        const auto widest =
            static_cast<char16_t>(u'0' + (std::max_element(widths, widths + 10) - widths));
        SIZE extent[2]{};
        for (bool date : {false, true}) {
            const std::u16string text = WidestCaption(date, widest);
            GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(text.c_str()), 8,
                                  &extent[date]);
        }
        SelectObject(dc, old);
        const bool fits = std::ranges::all_of(form->Labels(), [&](const Label& label) {
            const int room = scale.ToPixels(ReadoutWidth(label.Width));
            return std::max(extent[0].cx, extent[1].cx) <= room &&
                   std::max(extent[0].cy, extent[1].cy) <= scale.ToPixels(label.Height);
        });
        if (fits || pixels == 2)
            font = candidate;
        else
            DeleteObject(candidate);
    }
    DeleteDC(dc);
    return font;
}

void Win32Runtime::State::CreateSurface(SIZE size) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    const int cx = std::max<LONG>(size.cx, 1), cy = std::max<LONG>(size.cy, 1);
    HBITMAP bmp = CreateCompatibleBitmap(screen, cx, cy);
    HDC composeDc = CreateCompatibleDC(screen);
    HBITMAP composeBmp = CreateCompatibleBitmap(screen, cx, cy);
    ReleaseDC(nullptr, screen);
    HGDIOBJ initial = SelectObject(dc, bmp);
    RECT all{0, 0, size.cx, size.cy};
    HBRUSH brush = CreateSolidBrush(background);
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    if (surface) BitBlt(dc, 0, 0, client.cx, client.cy, surface, 0, 0, SRCCOPY);
    ReleaseSurface();
    surface = dc;
    bitmap = bmp;
    initialBitmap = initial;
    compose = composeDc;
    composeBitmap = composeBmp;
    composeInitialBitmap = SelectObject(compose, composeBitmap);
    SetBkMode(compose, TRANSPARENT);
    client = size;
}

void Win32Runtime::State::ReleaseSurface() {
    if (!surface) return;
    SelectObject(surface, initialBitmap);
    DeleteObject(bitmap);
    DeleteDC(surface);
    SelectObject(compose, composeInitialBitmap);
    DeleteObject(composeBitmap);
    DeleteDC(compose);
    surface = compose = nullptr;
    bitmap = composeBitmap = nullptr;
}

void Win32Runtime::State::ClientSizeChanged() {
    RECT r{};
    GetClientRect(hwnd, &r);
    SIZE size{r.right, r.bottom};
    if (surface && size.cx == client.cx && size.cy == client.cy) return;
    CreateSurface(size);
    if (form) form->Resize();
}

void Win32Runtime::State::Invalidate(RECT rect, int margin) {
    InflateRect(&rect, margin, margin);
    if (ticking)
        UnionRect(&changed, &changed, &rect);
    else
        InvalidateRect(hwnd, &rect, FALSE);
}

void Win32Runtime::State::Tick() {
    if (!form) return;
    ticking = true;
    form->Timer();
    ticking = false;
    // One invalidation for all the tick drew, not one per line: under Wine each is a
    // round trip to the server.
    if (!IsRectEmpty(&changed)) InvalidateRect(hwnd, &changed, FALSE);
    changed = {};
    ArmTimer();
}

// The form draws only when the second it reads is new: one tick just after each second
// begins, on the clock Now() reads, is every tick that can change the face.
void Win32Runtime::State::ArmTimer() {
    if (!hwnd) return;
    FILETIME now{};
    GetSystemTimePreciseAsFileTime(&now);
    const ULONGLONG ms =
        (static_cast<ULONGLONG>(now.dwHighDateTime) << 32 | now.dwLowDateTime) / 10000 % 1000;
    SetTimer(hwnd, kTimerId, static_cast<UINT>(1000 - ms + kTickDelay), nullptr);
}

RECT Win32Runtime::State::LabelRect(const Label& label) const {
    return {scale.ToPixels(label.Left), scale.ToPixels(label.Top),
            scale.ToPixels(label.Left + label.Width), scale.ToPixels(label.Top + label.Height)};
}

void Win32Runtime::State::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    const RECT& r = ps.rcPaint;
    int w = r.right - r.left, h = r.bottom - r.top;
    if (surface && w > 0 && h > 0) {
        BitBlt(compose, r.left, r.top, w, h, surface, r.left, r.top, SRCCOPY);
        // The font stays selected: under Wine, selecting the DC's first font back makes
        // the X driver read the X resources again.
        HFONT readout = ReadoutFont();
        SelectObject(compose, readout ? readout : GetStockObject(DEFAULT_GUI_FONT));
        for (const Label& label : form ? form->Labels() : std::span<const Label>{}) {
            RECT box = LabelRect(label), painted{};
            if (!label.Visible || label.Caption.empty() || !IntersectRect(&painted, &box, &r))
                continue;
            std::wstring text = Widen(label.Caption);
            SetTextColor(compose, ToColorRef(label.ForeColor));
            DrawTextW(compose, text.c_str(), static_cast<int>(text.size()), &box,
                      DT_SINGLELINE | DT_LEFT | DT_TOP | DT_NOPREFIX);
        }
        BitBlt(dc, r.left, r.top, w, h, compose, r.left, r.top, SRCCOPY);
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
    struct Press {
        UINT down, up;
        int button;
    };
    static constexpr Press kPresses[] = {{WM_LBUTTONDOWN, WM_LBUTTONUP, kLeftButton},
                                         {WM_RBUTTONDOWN, WM_RBUTTONUP, kRightButton},
                                         {WM_MBUTTONDOWN, WM_MBUTTONUP, kMiddleButton}};
    for (const Press& press : kPresses) {
        if (message == press.down) {
            if (press.button == kLeftButton) SetCapture(hwnd);  // a fast drag leaves the face
            form->MouseDown(press.button, shift, x, y);
        } else if (message == press.up) {
            if (press.button == kLeftButton) ReleaseCapture();
            form->MouseUp(press.button, shift, x, y);
        }
    }
}

template <typename Draw>
void Win32Runtime::State::WithPen(Color color, int penWidth, Draw draw) {
    if (!surface) return;
    int width = PenPixels(penWidth);
    HPEN pen;
    if (width == 1) {
        pen = CreatePen(PS_SOLID, 1, ToColorRef(color));
    } else {
        // Flat ends and square corners: a stroke covers exactly its own length, so
        // drawing it again in the background colour erases it without a trace.
        LOGBRUSH brush{BS_SOLID, ToColorRef(color), 0};
        pen = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT | PS_JOIN_MITER,
                           static_cast<DWORD>(width), &brush, 0, nullptr);
    }
    HGDIOBJ oldPen = SelectObject(surface, pen);
    HGDIOBJ oldBrush = SelectObject(surface, GetStockObject(NULL_BRUSH));
    SetROP2(surface, R2_COPYPEN);
    RECT bounds = draw(width);
    SelectObject(surface, oldBrush);
    SelectObject(surface, oldPen);
    DeleteObject(pen);
    Invalidate(bounds, width + 1);
}

Win32Runtime::Win32Runtime() : s_(std::make_unique<State>()) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterWindowClass(instance);
    // Not WS_EX_NOACTIVATE: Wine then marks the window as never taking the keyboard,
    // and the popup menu, which needs the clock in the foreground, gets no keys once
    // a dialog has taken the focus away. Clicks still do not activate it
    // (WM_MOUSEACTIVATE), nor does showing or placing it.
    CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, L"TORVEN", WS_POPUP, kDesignLeft, kDesignTop,
                    kDesignSide, kDesignSide, nullptr, nullptr, instance, s_.get());
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
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

float Win32Runtime::Left() const {
    return s_->scale.ToTwips(s_->WindowRect().left);
}
float Win32Runtime::Top() const {
    return s_->scale.ToTwips(s_->WindowRect().top);
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
    s_->Place(s_->scale.ToPixels(twips), s_->WindowRect().top, 0, 0, SWP_NOSIZE);
}
void Win32Runtime::SetTop(float twips) {
    s_->Place(s_->WindowRect().left, s_->scale.ToPixels(twips), 0, 0, SWP_NOSIZE);
}
void Win32Runtime::SetWidth(float twips) {
    RECT r = s_->WindowRect();
    s_->Place(0, 0, s_->scale.ToPixels(twips), r.bottom - r.top, SWP_NOMOVE);
}
void Win32Runtime::SetHeight(float twips) {
    RECT r = s_->WindowRect();
    s_->Place(0, 0, r.right - r.left, s_->scale.ToPixels(twips), SWP_NOMOVE);
}

TwipsRect Win32Runtime::Desktop() const {
    int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    int w = GetSystemMetrics(SM_CXVIRTUALSCREEN), h = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    const TwipsScale& k = s_->scale;
    return {k.ToTwips(x), k.ToTwips(y), k.ToTwips(x + w), k.ToTwips(y + h)};
}

std::intptr_t Win32Runtime::hWnd() const {
    return reinterpret_cast<std::intptr_t>(s_->hwnd);
}

void Win32Runtime::Fill(Color color) {
    s_->background = ToColorRef(color);
    if (!s_->surface) return;
    RECT all{0, 0, s_->client.cx, s_->client.cy};
    HBRUSH brush = CreateSolidBrush(s_->background);
    FillRect(s_->surface, &all, brush);
    DeleteObject(brush);
    s_->Invalidate(all, 0);
}

void Win32Runtime::Line(Point from, Point to, Color color, int penWidth) {
    POINT a = s_->ToPixels(from), b = s_->ToPixels(to);
    s_->WithPen(color, penWidth, [&](int width) {
        MoveToEx(s_->surface, a.x, a.y, nullptr);
        LineTo(s_->surface, b.x, b.y);
        // A thin line includes its end point, like a thick one.
        if (width == 1) SetPixelV(s_->surface, b.x, b.y, ToColorRef(color));
        return RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x) + 1,
                    std::max(a.y, b.y) + 1};
    });
}

void Win32Runtime::Box(Point a, Point b, Color color, int penWidth) {
    POINT p = s_->ToPixels(a), q = s_->ToPixels(b);
    RECT box{std::min(p.x, q.x), std::min(p.y, q.y), std::max(p.x, q.x) + 1,
             std::max(p.y, q.y) + 1};
    s_->WithPen(color, penWidth, [&](int) {
        Rectangle(s_->surface, box.left, box.top, box.right, box.bottom);
        return box;
    });
}

void Win32Runtime::Circle(Point centre, std::int32_t radius, Color color, int penWidth,
                          std::optional<ArcSpan> arc) {
    double r = radius / s_->scale.TwipsPerPixel();
    if (!(r > 0)) return;
    POINT c = s_->ToPixels(centre);
    RECT box{CInt(c.x - r), CInt(c.y - r), CInt(c.x + r) + 1, CInt(c.y + r) + 1};
    // Angles run counter-clockwise from 3 o'clock with y up, as GDI's default arcs do.
    auto at = [&](double angle) {
        return POINT{CInt(c.x + r * std::cos(angle)), CInt(c.y - r * std::sin(angle))};
    };
    POINT start = at(arc ? arc->start : 0), end = at(arc ? arc->end : 0);
    const int width = s_->PenPixels(penWidth);
    if (!arc && width > 1 && s_->surface) {
        // A wide pen would draw the ring as hundreds of short segments; the ring's own
        // rows are smooth and the same on every desktop.
        HBRUSH brush = CreateSolidBrush(ToColorRef(color));
        ForEachRingSpan(box.left, box.top, box.right, box.bottom, width,
                        [&](int y, int x0, int x1) {
                            RECT row{x0, y, x1, y + 1};
                            FillRect(s_->surface, &row, brush);
                        });
        DeleteObject(brush);
        s_->Invalidate(box, width + 1);
        return;
    }
    s_->WithPen(color, penWidth, [&](int) {
        SetArcDirection(s_->surface, AD_COUNTERCLOCKWISE);
        Arc(s_->surface, box.left, box.top, box.right, box.bottom, start.x, start.y, end.x, end.y);
        return box;
    });
}

void Win32Runtime::LabelChanged(int index) {
    if (!s_->form || !s_->hwnd) return;
    auto labels = s_->form->Labels();
    auto i = static_cast<size_t>(index);
    if (index < 0 || i >= labels.size() || i >= s_->labelRects.size()) return;
    // Repaint where the label was and where it is now.
    s_->Invalidate(s_->labelRects[i], 0);
    s_->labelRects[i] = s_->LabelRect(labels[i]);
    s_->Invalidate(s_->labelRects[i], 0);
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
    std::wstring path = win32::SettingsKey(app, section), name = Widen(key);
    DWORD type = 0, bytes = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND,
                     &type, nullptr, &bytes) != ERROR_SUCCESS ||
        type != REG_SZ || bytes > 4096)
        return std::string(defaultText);
    std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name.c_str(), RRF_RT_REG_SZ | RRF_NOEXPAND,
                     nullptr, value.data(), &bytes) != ERROR_SUCCESS)
        return std::string(defaultText);
    value.resize(wcsnlen(value.c_str(), value.size()));
    return win32::Narrow(value);
}

bool Win32Runtime::SaveSettings(std::string_view app, std::string_view section,
                                std::span<const SettingText> values) {
    // Two clocks that end together write one after the other, so the key holds one
    // clock's values, not a mixture. A mutex left by a killed clock comes back as
    // abandoned, which is ours: it never holds a save up.
    HANDLE mutex = CreateMutexW(nullptr, FALSE, L"TORVEN-settings");
    const DWORD waited = mutex ? WaitForSingleObject(mutex, 1000) : WAIT_FAILED;
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
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) ReleaseMutex(mutex);
    if (mutex) CloseHandle(mutex);
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
