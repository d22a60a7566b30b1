// The Windows host under Wine: the shared host checks, and what Win32 adds.
// Before <windows.h>, whose macros take some of their names.
#include "access.h"
#include "form1.h"
#include "host_suite.h"
#include "win32_internal.h"
#include "win32_runtime.h"

#include <chrono>
#include <cstdlib>
#include <future>
#include <thread>
#include <tuple>

#include "conversions.h"

namespace torven::testing {
namespace {

// The window, its clock set by the test, the TORVEN registry key emptied around it.
class Win32Host : public Host, public Win32Runtime {
  public:
    Win32Host() { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\TORVEN"); }
    ~Win32Host() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\TORVEN"); }
    HWND hwnd() const { return reinterpret_cast<HWND>(hWnd()); }
    DateTime Now() override { return now; }
    // The monitors the window sees: the system's, until a test lays out its own.
    std::vector<PixelMonitor> monitors;
    std::vector<PixelMonitor> PixelMonitors() const override {
        return monitors.empty() ? Win32Runtime::PixelMonitors() : monitors;
    }
    FormsRuntime& Runtime() override { return *this; }
    void Attach(FormEvents& events) override { Win32Runtime::Attach(events); }
    void Show() override { ShowWindow(hwnd(), SW_SHOWNOACTIVATE), UpdateWindow(hwnd()); }
    Shot Take() override {
        for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);)
            DispatchMessageW(&msg);
        UpdateWindow(hwnd());
        RECT client{};
        GetClientRect(hwnd(), &client);
        Shot shot{client.right, client.bottom, {}};
        HDC dc = GetDC(hwnd());
        HRGN shape = CreateRectRgn(0, 0, 0, 0);
        const bool shaped = GetWindowRgn(hwnd(), shape) != ERROR;
        for (int y = 0; y < shot.height; ++y)
            for (int x = 0; x < shot.width; ++x)
                shot.pixels.push_back(!shaped || PtInRegion(shape, x, y)
                                          ? static_cast<Color>(GetPixel(dc, x, y))
                                          : -1);
        DeleteObject(shape);
        ReleaseDC(hwnd(), dc);
        return shot;
    }
    // A volatile key cannot hold the lasting one the settings go in.
    void BlockStore() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\TORVEN");
        HKEY key{};
        RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\TORVEN", 0, nullptr, REG_OPTION_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr);
        RegCloseKey(key);
    }
};

struct Win32Clock : Win32Host {
    Win32Clock() { Win32Runtime::Attach(form); }
    Form1 form{*this};
};

// An ordinary window in the foreground, as another application's would be.
struct WindowInFront {
    HWND hwnd = CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 300,
                                200, 100, nullptr, nullptr, nullptr, nullptr);
    WindowInFront() { SetForegroundWindow(hwnd); }
    ~WindowInFront() { DestroyWindow(hwnd); }
};

// scripts/test-windows.sh runs it again at 144 DPI. The program is per-monitor aware (it
// embeds torven.exe's manifest; Wine 8 makes every process so). With a monitor at twice the
// DPI on the right, a place is twips at the primary's DPI on both, so a clock on the second
// comes back where it was; sizes and the face's pens follow the window's DPI.
TEST(Win32Dpi, SizesFollowTheWindowsDpiAndAPlaceOnAnotherMonitorComesBack) {
    const UINT dpi = GetDpiForSystem();
    const char* expected = std::getenv("TORVEN_EXPECT_DPI");
    EXPECT_EQ(dpi, expected ? std::atoi(expected) : 96);
    const float perPixel = 1440.0f / dpi;
    // The window's place and width in pixels and twips, and its face's DPI, after Windows
    // moved it to a monitor of DPI `to`: the suggested size, the place where the clock put it.
    const auto moved = [](Win32Clock& c, UINT to, int times) {
        RECT r{};
        GetWindowRect(c.hwnd(), &r);
        SetRect(&r, r.left - 500, r.top, r.left - 500 + times * (r.right - r.left),
                r.top + times * (r.bottom - r.top));
        if (to) SendMessageW(c.hwnd(), WM_DPICHANGED, MAKEWPARAM(to, to), LPARAM(&r));
        GetWindowRect(c.hwnd(), &r);
        return std::tuple(r.left, r.top, r.right - r.left, c.Left(), c.Top(), c.Width(),
                          c.form.Face().Dpi());
    };
    const auto at = [&](int pixels, float twips, UINT faceDpi) {
        return std::tuple(2400, 150, pixels, 2400 * perPixel, 150 * perPixel, twips,
                          double(faceDpi));
    };
    Win32Clock before, after;  // each on an empty key
    for (Win32Clock* clock : {&before, &after})
        clock->monitors = {{{0, 0, 1920, 1080}, dpi}, {{1920, 0, 5760, 2160}, 2 * dpi}};
    EXPECT_EQ(GetAwarenessFromDpiAwarenessContext(GetWindowDpiAwarenessContext(before.hwnd())),
              DPI_AWARENESS_PER_MONITOR_AWARE);
    before.SaveSettings(Form1::kAppName, Form1::kSection,
                        {{{"Left", SingleText(2400 * perPixel)},
                          {"Top", SingleText(150 * perPixel)},
                          {"Size", "1440"}}});
    before.form.Load();
    EXPECT_EQ(moved(before, 0, 1), at(dpi, 1440, dpi));
    EXPECT_EQ(moved(before, 2 * dpi, 2), at(2 * dpi, 1440, 2 * dpi));
    before.form.Unload();
    after.form.Load();
    EXPECT_EQ(moved(after, 0, 1), at(dpi, 1440, dpi));
    // The same pixels at another DPI: new twips, and the face drawn anew at that DPI.
    EXPECT_EQ(moved(after, 2 * dpi, 1), at(dpi, 720, 2 * dpi));
}

TEST(Win32Window, MouseCloseSessionAndClockMessagesBecomeTheFormsEvents) {
    Win32Host host;
    RecordingEvents events;
    host.Attach(events);
    const HWND h = host.hwnd();
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(20, 30));
    const HWND captured = GetCapture();  // a fast drag leaves the round window
    SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON | MK_RBUTTON | MK_CONTROL, MAKELPARAM(-4, 31));
    SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(22, 32));
    EXPECT_EQ(std::pair(captured, GetCapture()), std::pair(h, HWND(nullptr)));
    using M = RecordingEvents::Mouse;
    EXPECT_EQ(
        events.mouse,
        (std::vector<M>{{'D', 1, 1, 300, 450}, {'M', 3, 2, -60, 465}, {'U', 1, 0, 330, 480}}));
    SetWindowPos(h, nullptr, 30, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(events.moves, (std::vector<std::pair<float, float>>{{450, 600}}));
    SendMessageW(h, WM_CLOSE, 0, 0);
    EXPECT_TRUE(SendMessageW(h, WM_QUERYENDSESSION, 0, 0));
    SendMessageW(h, WM_ENDSESSION, FALSE, 0);  // the logout was cancelled: the clock stays
    EXPECT_EQ(std::pair(events.unloads, events.sessionSaves), std::pair(1, 1));
    SendMessageW(h, WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(events.unloads, 2);
    // A clock set and a resume tick at once, not waiting for the second; going to sleep not.
    SendMessageW(h, WM_TIMECHANGE, 0, 0);
    for (WPARAM power : {PBT_APMRESUMEAUTOMATIC, PBT_APMRESUMESUSPEND, PBT_APMSUSPEND})
        SendMessageW(h, WM_POWERBROADCAST, power, 0);
    EXPECT_EQ(events.ticks, 3);
}

// The window's bitmap refused at its first size and again at the largest, while the process
// holds every GDI handle it may have (as when GDI's memory runs out): nothing is painted, one
// line says so however often the window moves or paints, and a size it can have shows again.
TEST(Win32Window, ABitmapThatCannotBeHadLeavesTheFaceBlankWithOneLine) {
    RecordingEvents events;
    ::testing::internal::CaptureStderr();
    std::vector<HRGN> taken;
    while (HRGN region = CreateRectRgn(0, 0, 1, 1))
        taken.push_back(region);
    Win32Host host;
    host.Attach(events), events.rt = &host;
    const auto place = [&](int x, int side) {
        SetWindowPos(host.hwnd(), nullptr, x, 0, side, side, SWP_NOZORDER | SWP_NOACTIVATE);
    };
    // Not over the whole screen, which Wine would have the window manager make full-screen.
    place(100, kMaxSidePixels);
    for (HRGN region : taken)
        DeleteObject(region);
    host.Show(), place(110, kMaxSidePixels);
    InvalidateRect(host.hwnd(), nullptr, FALSE), UpdateWindow(host.hwnd());
    EXPECT_EQ(events.resizes, 1);  // a size is not tried again until it changes
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "TORVEN: no memory for a bitmap of 105 x 105 pixels; the face stays blank\n");
    place(0, 100);
    EXPECT_EQ(host.Take().Count(0xFFFFFF), 100 * 100);
}

// A thread whose desktop refuses it windows, as a service's may: rather than wait for
// messages that never come, the clock says so and ends with status 1.
TEST(Win32Window, AWindowThatCannotBeCreatedEndsTheClockWithOneLine) {
    std::thread([] {
        SetThreadDesktop(OpenDesktopW(L"Default", 0, FALSE, DESKTOP_READOBJECTS));
        ::testing::internal::CaptureStderr();
        Win32Runtime runtime;
        PostQuitMessage(0);  // ends a loop that would wait, with status 0
        EXPECT_EQ(runtime.Run(), 1);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(),
                  "TORVEN: cannot create the window (error 5); the clock ends\n");
    }).join();
}

// Another clock's save holds the lock past the second a save once waited: this one writes
// only when it has the lock. A lock left by a killed clock holds no save up.
TEST(Win32Settings, ASaveWritesOnlyWhileItHoldsTheLock) {
    Win32Host host;
    const auto save = [&](const char* size) {
        return host.SaveSettings(Form1::kAppName, Form1::kSection, {{{"Size", size}}});
    };
    const auto size = [&] { return host.GetSetting(Form1::kAppName, Form1::kSection, "Size", ""); };
    HANDLE lock = CreateMutexW(nullptr, TRUE, L"TORVEN-settings");
    std::future<bool> saved = std::async(std::launch::async, save, "1440");
    EXPECT_EQ(saved.wait_for(std::chrono::seconds(2)), std::future_status::timeout);
    EXPECT_EQ(size(), "");
    ReleaseMutex(lock);
    EXPECT_TRUE(saved.get());
    EXPECT_EQ(size(), "1440");
    std::thread([&] { WaitForSingleObject(lock, INFINITE); }).join();  // ends holding it
    EXPECT_TRUE(save("720"));
    EXPECT_EQ(size(), "720");
    CloseHandle(lock);
}

// From a timer: picks the second entry of the open menu, or closes it.
void CALLBACK PickSecondEntry(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN})
        PostMessageW(FindWindowW(L"#32768", nullptr), WM_KEYDOWN, key, 0);
}
// A tool popup, shown by start-up, that toggles its band in place; the menu holds the form's
// entries, and the clock ticks on while it is open; neither takes the foreground.
TEST(Win32Window, AToolPopupWithTheFormsMenuThatNeverTakesTheForeground) {
    Win32Clock c;
    EXPECT_FALSE(IsWindowVisible(c.hwnd()));  // until start-up shows it
    EXPECT_EQ(GetWindowLongW(c.hwnd(), GWL_STYLE) & (WS_POPUP | WS_CAPTION | WS_THICKFRAME),
              WS_POPUP);
    EXPECT_TRUE(GetWindowLongW(c.hwnd(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    HMENU menu = win32::BuildPopupMenu(kMenuEntries);
    std::vector<std::tuple<std::string, UINT, bool>> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[64]{};
        GetMenuStringW(menu, i, text, 64, MF_BYPOSITION);
        items.emplace_back(win32::Narrow(text), GetMenuItemID(menu, i),
                           (GetMenuState(menu, i, MF_BYPOSITION) & MF_CHECKED) != 0);
    }
    EXPECT_EQ(items, (decltype(items){{"常に手前に表示", 1, true},
                                      {"大きく(&B)", 2, false},
                                      {"", 0, false},
                                      {"終了(&X)", 4, false}}));
    DestroyMenu(menu);
    WindowInFront other;
    c.form.Load();
    RECT before{}, after{};
    GetWindowRect(c.hwnd(), &before);
    for (bool topmost : {true, false, true}) {
        EXPECT_EQ((GetWindowLongW(c.hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, topmost);
        Form1Access::Click(c.form, 0);
        GetWindowRect(c.hwnd(), &after);
        EXPECT_TRUE(IsWindowVisible(c.hwnd()) && EqualRect(&before, &after));
    }
    SetTimer(nullptr, 0, 1100, PickSecondEntry);  // a tick falls inside
    c.now.second = 40;
    EXPECT_EQ(c.PopupMenu(kMenuEntries), 1);
    EXPECT_EQ(c.form.Labels()[1].Caption, "13:20:40");  // ticked while the menu was open
    EXPECT_EQ(GetForegroundWindow(), other.hwnd);       // handed back
}

}  // namespace

std::unique_ptr<Host> MakeHost() {
    return std::make_unique<Win32Host>();
}

}  // namespace torven::testing
