// The Windows host under Wine: the shared host checks, and what Win32 adds (window
// styles, DPI, mouse capture, session messages, the menu and dialogs, registry value
// types, resources, GDI and USER objects).
// Before <windows.h>, whose macros take some of their names.
#include "form1.h"
#include "host_suite.h"
#include "win32_runtime.h"
// clang-format off
#include "win32_internal.h"
#include <commdlg.h>  // needs <windows.h> first
// clang-format on

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <tuple>

#include "gui_objects.h"

namespace torven::testing {
namespace {

// Like torven.exe, whose manifest says so.
[[maybe_unused]] const bool kPerMonitorDpiAware =
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);

const wchar_t kKey[] = L"Software\\TORVEN";

void DispatchPending() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
}

struct TimedRuntime : Win32Runtime {
    explicit TimedRuntime(const DateTime& now) : now_(now) {}
    DateTime Now() override { return now_; }
    HWND hwnd() const { return reinterpret_cast<HWND>(hWnd()); }
    const DateTime& now_;
};

// The window, with the TORVEN registry key emptied before and after.
class Win32Host : public Host {
  public:
    Win32Host() { RegDeleteTreeW(HKEY_CURRENT_USER, kKey); }
    ~Win32Host() override { RegDeleteTreeW(HKEY_CURRENT_USER, kKey); }
    FormsRuntime& Runtime() override { return rt; }
    void Attach(FormEvents& events) override { rt.Attach(events); }
    void Show() override {
        ShowWindow(rt.hwnd(), SW_SHOWNOACTIVATE);
        DispatchPending();
    }
    Shot Take() override {
        DispatchPending();
        UpdateWindow(rt.hwnd());
        RECT client{};
        GetClientRect(rt.hwnd(), &client);
        Shot shot{client.right, client.bottom, {}};
        HDC window = GetDC(rt.hwnd());
        for (int y = 0; y < shot.height; ++y)
            for (int x = 0; x < shot.width; ++x)
                shot.pixels.push_back(static_cast<Color>(GetPixel(window, x, y)));
        ReleaseDC(rt.hwnd(), window);
        return shot;
    }
    // A volatile key cannot hold the lasting one the settings go in.
    void BlockStore() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
        HKEY key{};
        RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr);
        RegCloseKey(key);
    }
    TimedRuntime rt{now};
};

struct Win32Clock {
    Win32Clock() { host.rt.Attach(form); }
    Win32Host host;
    Form1 form{host.rt};
    HWND hwnd() const { return host.rt.hwnd(); }
};

RECT WindowRect(HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    return r;
}

// An ordinary window in the foreground, as another application's would be.
struct WindowInFront {
    WindowInFront()
        : hwnd(CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 300,
                               200, 100, nullptr, nullptr, nullptr, nullptr)) {
        SetForegroundWindow(hwnd);
    }
    ~WindowInFront() { DestroyWindow(hwnd); }
    HWND hwnd;
};

TEST(Win32Window, AToolPopupCutToTheEllipseThatNeverTakesTheForeground) {
    Win32Clock c;
    const HWND h = c.hwnd();
    EXPECT_FALSE(IsWindowVisible(h));  // until start-up shows it
    LONG style = GetWindowLongW(h, GWL_STYLE), ex = GetWindowLongW(h, GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU));
    EXPECT_EQ(ex & (WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE), WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE);

    WindowInFront other;
    c.form.Load();
    EXPECT_TRUE(IsWindowVisible(h));
    const RECT before = WindowRect(h);
    HRGN shape = CreateRectRgn(0, 0, 0, 0), ellipse = CreateEllipticRgn(1, 1, 108, 109);
    ASSERT_EQ(GetWindowRgn(h, shape), COMPLEXREGION);
    EXPECT_EQ(CombineRgn(shape, shape, ellipse, RGN_XOR), NULLREGION);
    DeleteObject(shape);
    DeleteObject(ellipse);
    for (bool topmost : {false, true, false}) {
        c.form.Click(0);
        EXPECT_EQ((GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, topmost);
        const RECT now = WindowRect(h);
        EXPECT_TRUE(EqualRect(&now, &before));
    }
    EXPECT_EQ(GetForegroundWindow(), other.hwnd);

    // A region the window refused is deleted.
    Module1::HRGN region = Module1::CreateEllipticRgnIndirect({1, 1, 50, 50});
    EXPECT_EQ(Module1::SetWindowRgn(0, region, true), 0);
    EXPECT_EQ(GetObjectType(reinterpret_cast<HGDIOBJ>(region)), 0u);
}

// tests/win32/high_dpi.sh runs it again at 144 DPI.
TEST(Win32Dpi, TwipsAndPenWidthsFollowTheWindowsDpi) {
    Win32Host host;
    const int dpi = static_cast<int>(GetDpiForWindow(host.rt.hwnd()));
    if (const char* expected = std::getenv("TORVEN_EXPECT_DPI")) {
        ASSERT_EQ(dpi, std::atoi(expected));
    }
    FormsRuntime& rt = host.Runtime();
    rt.SetLeft(1440);  // an inch
    rt.SetTop(720);
    rt.SetWidth(1440);
    rt.SetHeight(2880);
    const RECT r = WindowRect(host.rt.hwnd()), inches{dpi, dpi / 2, 2 * dpi, dpi / 2 + 2 * dpi};
    EXPECT_TRUE(EqualRect(&r, &inches));
    EXPECT_EQ(rt.Width(), 1440);
    host.Show();
    rt.Fill(0xFFFFFF);
    rt.Line({0, 720}, {1440, 720}, 0x0000FF, 9);  // 9 pixels at 96 DPI
    const Shot shot = host.Take();
    EXPECT_EQ(shot.Count(0x0000FF, dpi / 2, 0, dpi / 2 + 1, shot.height), std::lround(9 * dpi / 96.0));
}

TEST(Win32Window, MouseMessagesBecomeEventsInTwipsAndALeftPressHoldsTheMouse) {
    Win32Host host;
    RecordingEvents events;
    host.Attach(events);
    const HWND h = host.rt.hwnd();
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(20, 30));
    EXPECT_EQ(GetCapture(), h);  // a fast drag leaves the round window
    SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON | MK_RBUTTON | MK_CONTROL, MAKELPARAM(-4, 31));
    SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(22, 32));
    EXPECT_EQ(GetCapture(), nullptr);
    SendMessageW(h, WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(1, 2));
    using M = RecordingEvents::Mouse;
    EXPECT_EQ(events.mouse, (std::vector<M>{{'D', 1, 1, 300, 450},
                                            {'M', 3, 2, -60, 465},
                                            {'U', 1, 0, 330, 480},
                                            {'D', 4, 0, 15, 30}}));
}

TEST(Win32Window, CloseAndSessionEndUnloadTheForm) {
    Win32Host host;
    RecordingEvents events;
    host.Attach(events);
    const HWND h = host.rt.hwnd();
    SendMessageW(h, WM_CLOSE, 0, 0);
    EXPECT_TRUE(SendMessageW(h, WM_QUERYENDSESSION, 0, 0));
    SendMessageW(h, WM_ENDSESSION, FALSE, 0);  // the session goes on
    EXPECT_EQ(events.unloads, 2);
    SendMessageW(h, WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(events.unloads, 3);

    // The clock's own close writes the settings, as text, and ends the loop.
    Win32Clock c;
    c.form.Load();
    PostMessageW(c.hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(c.host.rt.Run(), 0);
    EXPECT_FALSE(IsWindow(c.hwnd()));
    wchar_t text[16]{};
    DWORD bytes = sizeof text;
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"Software\\TORVEN\\Startup", L"Size", RRF_RT_REG_SZ,
                           nullptr, text, &bytes),
              ERROR_SUCCESS);
    EXPECT_STREQ(text, L"1605");
}

TEST(Win32Settings, ValuesOfAnotherTypeReadAsTheirDefault) {
    Win32Host host;
    const auto store = [](const wchar_t* name, DWORD type, const void* data, DWORD bytes) {
        RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\TORVEN\\Startup", name, type, data, bytes);
    };
    const DWORD number = 255;
    store(L"Color1", REG_DWORD, &number, sizeof number);
    store(L"Size", REG_BINARY, "\x01\x02", 2);
    store(L"Top", REG_EXPAND_SZ, L"%TEMP%", 14);
    FormsRuntime& rt = host.Runtime();
    EXPECT_EQ(rt.GetSetting("TORVEN", "Startup", "Color1", "16777215"), "16777215");
    EXPECT_EQ(rt.GetSetting("TORVEN", "Startup", "Size", "1600"), "1600");
    EXPECT_EQ(rt.GetSetting("TORVEN", "Startup", "Top", "120"), "120");
}

// Picks the second entry of the open popup menu, or closes it, from a timer.
void CALLBACK PickSecondEntry(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    HWND menu = FindWindowW(L"#32768", nullptr);
    for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN})
        PostMessageW(menu, WM_KEYDOWN, key, 0);
}
void CALLBACK CloseMenu(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    EndMenu();
}

TEST(Win32Menu, TheFormsEntriesReturnThePickAndTheClockTicksOn) {
    Win32Clock c;
    std::vector<MenuItem> items(c.form.Menu().begin(), c.form.Menu().end());
    items[2].Checked = true;
    HMENU menu = win32::BuildPopupMenu(items);
    ASSERT_EQ(GetMenuItemCount(menu), 16);
    for (UINT i = 0; i < 16; ++i) {
        wchar_t text[64]{};
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 64;
        ASSERT_TRUE(GetMenuItemInfoW(menu, i, TRUE, &info));
        EXPECT_EQ((info.fType & MFT_SEPARATOR) != 0, items[i].IsSeparator()) << i;
        if (items[i].IsSeparator()) continue;
        EXPECT_EQ(win32::Narrow(text), items[i].Caption);
        EXPECT_EQ(info.wID, i + 1);
        EXPECT_EQ((info.fState & MFS_CHECKED) != 0, items[i].Checked) << i;
    }
    DestroyMenu(menu);

    c.form.Load();
    WindowInFront other;
    SetTimer(nullptr, 0, 700, CloseMenu);
    EXPECT_EQ(c.host.rt.PopupMenu(c.form.Menu()), -1);
    SetTimer(nullptr, 0, 300, PickSecondEntry);
    c.host.now.second = 40;
    EXPECT_EQ(c.host.rt.PopupMenu(c.form.Menu()), 1);
    EXPECT_EQ(c.form.Variables().prevSecondPos, 40);  // ticked while the menu was open
    EXPECT_EQ(GetForegroundWindow(), other.hwnd);     // handed back
}

// What a timer saw of the modal dialog it then answered with `dialogButton`.
WPARAM dialogButton = IDOK;
std::wstring dialogTitle, dialogTexts;

void CALLBACK AnswerDialog(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dialog = FindWindowW(L"#32770", nullptr);
    if (!dialog) return;  // not up yet: the next tick
    KillTimer(nullptr, id);
    wchar_t text[256]{};
    GetWindowTextW(dialog, text, 256);
    dialogTitle = text;
    EnumChildWindows(
        dialog,
        [](HWND child, LPARAM) {
            wchar_t t[256]{};
            GetWindowTextW(child, t, 256);
            dialogTexts += t;
            return TRUE;
        },
        0);
    PostMessageW(dialog, WM_COMMAND, dialogButton, 0);
}

TEST(Win32Dialogs, TheColourPickerAndTheMessageBox) {
    Win32Host host;
    WindowInFront other;
    dialogButton = IDCANCEL;
    SetTimer(nullptr, 0, 100, AnswerDialog);
    EXPECT_EQ(host.rt.ShowColor(), std::nullopt);
    dialogButton = IDOK;
    SetTimer(nullptr, 0, 100, AnswerDialog);
    EXPECT_EQ(host.rt.ShowColor(), std::optional<Color>(0));  // nothing picked: black
    SetTimer(nullptr, 0, 100, AnswerDialog);
    host.rt.MsgBox("one\r\ntwo", "TORVEN");
    EXPECT_EQ(dialogTitle, L"TORVEN");
    EXPECT_NE(dialogTexts.find(L"one\r\ntwo"), std::wstring::npos);
    EXPECT_EQ(GetForegroundWindow(), other.hwnd);
}

std::string_view Resource(HMODULE module, LPCWSTR type, LPCWSTR id) {
    HRSRC found = FindResourceW(module, id, type);
    if (!found) return {};
    return {static_cast<const char*>(LockResource(LoadResource(module, found))),
            SizeofResource(module, found)};
}

TEST(Win32Resources, TheExecutableCarriesItsIconVersionAndManifest) {
    std::wstring path = L"Z:" + win32::Widen(TORVEN_EXE);  // Wine's drive for "/"
    std::replace(path.begin(), path.end(), L'/', L'\\');
    HMODULE exe = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr);
    // The classic 32 x 32, 16-colour icon (colour bitmap and mask: height 64), and 3 more.
    auto group = Resource(exe, RT_GROUP_ICON, MAKEINTRESOURCEW(1));
    ASSERT_FALSE(group.empty());
    EXPECT_EQ(*reinterpret_cast<const WORD*>(group.data() + 4), 4);
    auto* directory = reinterpret_cast<PBYTE>(const_cast<char*>(group.data()));
    int id = LookupIconIdFromDirectoryEx(directory, TRUE, 32, 32, LR_DEFAULTCOLOR);
    auto icon = Resource(exe, RT_ICON, MAKEINTRESOURCEW(id));
    BITMAPINFOHEADER header{};
    ASSERT_GE(icon.size(), sizeof header);
    std::memcpy(&header, icon.data(), sizeof header);
    EXPECT_EQ(std::tuple(header.biWidth, header.biHeight, header.biBitCount), std::tuple(32, 64, 4));
    auto manifest = Resource(exe, RT_MANIFEST, MAKEINTRESOURCEW(1));
    EXPECT_NE(manifest.find("PerMonitorV2"), std::string_view::npos);
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string_view::npos);
    FreeLibrary(exe);

    std::vector<char> info(GetFileVersionInfoSizeW(path.c_str(), nullptr));
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(1, 1));  // 1.1.0
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
}

TEST(Win32Objects, ThousandsOfTicksRedrawsAndMenusKeepTheCountsFlat) {
    Win32Clock c;
    c.form.Load();
    const auto run = [&](int seconds) {
        for (int i = 0; i < seconds; ++i) {
            c.host.now.second = (c.host.now.second + 1) % 60;
            c.form.Timer();
            if (i % 2 == 0) c.form.Resize();
            if (i % 500 == 0) {
                SetTimer(nullptr, 0, 1, CloseMenu);
                c.host.rt.PopupMenu(c.form.Menu());
            }
            DispatchPending();
        }
    };
    run(1);
    const int gdi = bench::GdiObjects(), user = bench::UserObjects();
    ASSERT_GT(gdi, 0);
    run(5000);
    EXPECT_EQ(bench::GdiObjects(), gdi);
    EXPECT_EQ(bench::UserObjects(), user);
}

}  // namespace

std::unique_ptr<Host> MakeHost() {
    return std::make_unique<Win32Host>();
}

}  // namespace torven::testing
