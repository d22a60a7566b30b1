// The Windows host under Wine: what it adds to the clock. The window, its twips, its
// mouse, its close requests, its drawing, its menu and its registry are checked
// against the real user32/gdi32/advapi32; the clock's own behaviour is Form1's.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "form1.h"
#include "gui_objects.h"
#include "win32_internal.h"
#include "win32_runtime.h"

namespace torven {
namespace {

// Like torven.exe, whose manifest says so.
[[maybe_unused]] const bool kPerMonitorDpiAware =
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);

HWND Window(const Win32Runtime& rt) {
    return reinterpret_cast<HWND>(rt.hWnd());
}

RECT WindowRect(HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    return r;
}

// An ordinary window in the foreground, as another application's would be.
struct WindowInFront {
    WindowInFront() {
        hwnd = CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 300,
                               200, 100, nullptr, nullptr, nullptr, nullptr);
        SetForegroundWindow(hwnd);
    }
    ~WindowInFront() { DestroyWindow(hwnd); }
    HWND hwnd;
};

bool SameRect(const RECT& a, const RECT& b) {
    return EqualRect(&a, &b) != FALSE;
}

void ClearSettings() {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\TORVEN");
}

// Records what the window raises.
struct RecordingForm : FormEvents {
    struct Mouse {
        char what;  // 'D'own, 'M'ove, 'U'p
        int button, shift;
        float x, y;
        bool operator==(const Mouse&) const = default;
    };
    int resizes = 0, unloads = 0, ticks = 0;
    std::vector<Mouse> mouse;
    std::array<Label, 2> labels{};
    std::function<void()> onResize;

    void Load() override {}
    void Resize() override {
        ++resizes;
        if (onResize) onResize();
    }
    void Unload() override { ++unloads; }
    bool Loaded() const override { return true; }
    void MouseDown(int b, int s, float x, float y) override { mouse.push_back({'D', b, s, x, y}); }
    void MouseMove(int b, int s, float x, float y) override { mouse.push_back({'M', b, s, x, y}); }
    void MouseUp(int b, int s, float x, float y) override { mouse.push_back({'U', b, s, x, y}); }
    void Timer() override { ++ticks; }
    int TimerInterval() const override { return 100; }
    std::span<const Label> Labels() const override { return labels; }
};

TEST(Win32Window, IsAHiddenToolPopupThatIsNeverActivated) {
    Win32Runtime rt;
    HWND h = Window(rt);
    ASSERT_NE(h, nullptr);
    LONG style = GetWindowLongW(h, GWL_STYLE), ex = GetWindowLongW(h, GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU));
    EXPECT_EQ(ex & (WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE), WS_EX_TOOLWINDOW);
    EXPECT_FALSE(IsWindowVisible(h));
}

// Runs at every DPI; tests/win32/high_dpi.sh runs it again at 144 DPI.
TEST(Win32Dpi, TwipsAndPenWidthsFollowTheWindowsDpi) {
    Win32Runtime rt;
    int dpi = static_cast<int>(GetDpiForWindow(Window(rt)));
    if (const char* expected = std::getenv("TORVEN_EXPECT_DPI")) {
        ASSERT_EQ(dpi, std::atoi(expected));
    }
    rt.SetLeft(1440);  // an inch
    rt.SetTop(720);
    rt.SetWidth(1440);
    rt.SetHeight(2880);
    EXPECT_TRUE(SameRect(WindowRect(Window(rt)), {dpi, dpi / 2, 2 * dpi, dpi / 2 + 2 * dpi}));
    EXPECT_EQ(rt.Width(), 1440);
    EXPECT_EQ(rt.Left(), 1440);

    rt.Fill(0xFFFFFF);
    rt.Line({0, 720}, {1440, 720}, 0x0000FF, 9);  // 9 pixels at 96 DPI
    int rows = 0;
    for (int y = 0; y < 2 * dpi; ++y)
        rows += rt.PixelAt(dpi / 2, y) == 0x0000FF;
    EXPECT_EQ(rows, std::lround(9 * dpi / 96.0));
}

TEST(Win32Window, ResizeRunsOncePerRealChangeBeforeTheSetterReturns) {
    Win32Runtime rt;
    RecordingForm form;
    rt.Attach(form);
    RECT clientAtResize{};
    form.onResize = [&] { GetClientRect(Window(rt), &clientAtResize); };

    rt.SetWidth(1500);
    EXPECT_EQ(form.resizes, 1);
    EXPECT_EQ(clientAtResize.right, 100);
    rt.SetWidth(1500);  // same size: nothing to redraw
    rt.SetLeft(300);
    EXPECT_EQ(form.resizes, 1);
    rt.SetHeight(900);
    EXPECT_EQ(form.resizes, 2);
    EXPECT_EQ(clientAtResize.bottom, 60);
}

TEST(Win32Window, MouseMessagesBecomeFormEventsInTwips) {
    Win32Runtime rt;
    RecordingForm form;
    rt.Attach(form);
    HWND h = Window(rt);
    using M = RecordingForm::Mouse;

    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(20, 30));
    EXPECT_EQ(GetCapture(), h);  // the drag keeps the mouse outside the round window
    SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON | MK_RBUTTON | MK_CONTROL, MAKELPARAM(-4, 31));
    SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(22, 32));
    EXPECT_EQ(GetCapture(), nullptr);
    SendMessageW(h, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(1, 2));
    SendMessageW(h, WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(1, 2));
    SendMessageW(h, WM_MBUTTONUP, 0, MAKELPARAM(1, 2));

    std::vector<M> expected{{'D', 1, 1, 300, 450}, {'M', 3, 2, -60, 465}, {'U', 1, 0, 330, 480},
                            {'D', 2, 0, 15, 30},   {'D', 4, 0, 15, 30},   {'U', 4, 0, 15, 30}};
    EXPECT_EQ(form.mouse, expected);
}

TEST(Win32Window, EveryCloseRequestUnloadsTheForm) {
    Win32Runtime rt;
    RecordingForm form;
    rt.Attach(form);
    HWND h = Window(rt);
    SendMessageW(h, WM_CLOSE, 0, 0);  // Alt+F4
    EXPECT_EQ(form.unloads, 1);
    EXPECT_TRUE(SendMessageW(h, WM_QUERYENDSESSION, 0, 0));
    EXPECT_EQ(form.unloads, 2);
    SendMessageW(h, WM_ENDSESSION, FALSE, 0);  // the session goes on
    EXPECT_EQ(form.unloads, 2);
    SendMessageW(h, WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(form.unloads, 3);
}

// The drawing surface at 96 DPI: 15 twips a pixel.
class Win32Drawing : public ::testing::Test {
  protected:
    static constexpr Color kWhite = 0xFFFFFF, kRed = 0x0000FF;
    void SetUp() override {
        rt.SetWidth(1500);
        rt.SetHeight(1500);  // 100 x 100 pixels
        rt.Fill(kWhite);
    }
    int Count(Color c, int x0 = 0, int y0 = 0, int x1 = 100, int y1 = 100) const {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                n += rt.PixelAt(x, y) == c;
        return n;
    }
    Win32Runtime rt;
};

TEST_F(Win32Drawing, OverdrawingInTheBackgroundColourErasesExactly) {
    for (int width : {1, 3, 9}) {
        rt.Line({150, 150}, {1200, 900}, kRed, width);
        rt.Circle({750, 750}, 600, kRed, width, ArcSpan{1.8f, 2.4f, 1.0f});
        rt.Box({300, 300}, {450, 1350}, kRed, width);
        EXPECT_GT(Count(kRed), 0);
        rt.Line({150, 150}, {1200, 900}, kWhite, width);
        rt.Circle({750, 750}, 600, kWhite, width, ArcSpan{1.8f, 2.4f, 1.0f});
        rt.Box({300, 300}, {450, 1350}, kWhite, width);
        EXPECT_EQ(Count(kWhite), 100 * 100) << "pen width " << width;
    }
}

TEST_F(Win32Drawing, AWindowTooLargeForABitmapDrawsNothingAndRecovers) {
    rt.SetWidth(3e7f);  // a stored size of two million pixels
    rt.SetHeight(3e7f);
    rt.Fill(kRed);
    rt.Line({0, 0}, {1500, 1500}, kRed, 9);
    rt.DispatchPending();
    rt.SetWidth(1500);
    rt.SetHeight(1500);
    rt.Fill(kWhite);
    rt.Line({150, 600}, {1200, 600}, kRed, 1);
    EXPECT_EQ(Count(kRed), 71);
}

TEST_F(Win32Drawing, ColoursUseOnlyTheirLowThreeBytes) {
    rt.Fill(static_cast<Color>(0xFF0000FF));  // a stored "-16776961": red
    EXPECT_EQ(Count(kRed), 100 * 100);
    rt.Line({150, 150}, {1200, 150}, static_cast<Color>(0x01FFFFFF), 3);
    EXPECT_EQ(rt.PixelAt(40, 10), kWhite);
}

TEST_F(Win32Drawing, PenWidthIsInPixelsAndLinesIncludeTheirEnds) {
    rt.Line({150, 600}, {1200, 600}, kRed, 9);  // y = 40 px, x = 10..80 px
    EXPECT_EQ(Count(kRed, 50, 0, 51, 100), 9);
    rt.Fill(kWhite);
    rt.Line({150, 600}, {1200, 600}, kRed, 1);
    EXPECT_EQ(Count(kRed), 71);
}

TEST_F(Win32Drawing, ArcsRunCounterClockwiseFromThreeOClock) {
    rt.Circle({750, 750}, 600, kRed, 1, ArcSpan{0.2f, 1.4f, 1.0f});  // centre 50,50, r 40
    EXPECT_GT(Count(kRed, 52, 0, 100, 48), 0);                       // upper right
    EXPECT_EQ(Count(kRed, 0, 0, 48, 100), 0);
    EXPECT_EQ(Count(kRed, 0, 52, 100, 100), 0);
}

TEST_F(Win32Drawing, FullCirclesAndBoxesAreOutlinesAndNonPositiveRadiiDrawNothing) {
    rt.Circle({750, 750}, 0, kRed, 9, std::nullopt);
    rt.Circle({750, 750}, -30, kRed, 9, std::nullopt);
    EXPECT_EQ(Count(kRed), 0);
    rt.Circle({750, 750}, 600, kRed, 1, std::nullopt);
    rt.Box({300, 300}, {1200, 1200}, kRed, 1);
    EXPECT_EQ(rt.PixelAt(50, 50), kWhite);
    EXPECT_EQ(rt.PixelAt(90, 50), kRed);
    EXPECT_EQ(rt.PixelAt(20, 20), kRed);
    EXPECT_EQ(rt.PixelAt(80, 80), kRed);
}

const std::array<const wchar_t*, 16> kCaptions{
    L"常に手前に表示", L"アナデジ時計(&A)", L"色変化(&H)",         nullptr,
    L"大きく(&B)",     L"少し大きく(&L)",   L"少し小さく(&S)",     L"小さく(&M)",
    nullptr,           L"背景色を設定(&C)", L"枠の色を設定(&F)",   L"針の色を設定(&P)",
    nullptr,           L"設定を初期化(&N)", L"TORVENについて(&V)", L"終了(&X)"};

TEST(Win32Menu, TheSixteenEntriesReadBackWithTheMenuApi) {
    Win32Runtime rt;
    Form1 form(rt);
    std::vector<MenuItem> items(form.Menu().begin(), form.Menu().end());
    items[0].Checked = true;  // always in front on, readout off, colour change on
    items[1].Checked = false;
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
        if (!kCaptions[i]) {
            EXPECT_TRUE(info.fType & MFT_SEPARATOR) << i;
            continue;
        }
        EXPECT_STREQ(text, kCaptions[i]);
        EXPECT_EQ(info.wID, i + 1);
        EXPECT_EQ((info.fState & MFS_CHECKED) != 0, i < 3 && i != 1) << i;
    }
    EXPECT_TRUE(DestroyMenu(menu));
}

// Closes the open popup menu, or picks the second entry in it, from a timer.
void CALLBACK CloseMenu(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    EndMenu();
}
void CALLBACK PickSecondEntry(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    HWND menu = FindWindowW(L"#32768", nullptr);
    for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN})
        PostMessageW(menu, WM_KEYDOWN, key, 0);
}

TEST(Win32Menu, PopupReturnsTheChoiceOrMinusOneAndTheTimerKeepsTicking) {
    Win32Runtime rt;
    RecordingForm form;
    rt.Attach(form);
    Form1 design(rt);
    ShowWindow(Window(rt), SW_SHOWNOACTIVATE);
    WindowInFront other;

    SetTimer(nullptr, 0, 700, CloseMenu);
    EXPECT_EQ(rt.PopupMenu(design.Menu()), -1);
    EXPECT_GE(form.ticks, 3);
    SetTimer(nullptr, 0, 300, PickSecondEntry);
    EXPECT_EQ(rt.PopupMenu(design.Menu()), 1);
    EXPECT_EQ(GetForegroundWindow(), other.hwnd);  // handed back
}

// What a timer saw of the modal dialog it then closed with `dialogButton`.
WPARAM dialogButton = IDOK;
std::wstring dialogTitle;
std::wstring dialogTexts;  // of all its controls

void CALLBACK AnswerDialog(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dialog = FindWindowW(L"#32770", nullptr);
    if (!dialog) return;  // not up yet: try again at the next tick
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

TEST(Win32Dialogs, TheColourPickerGivesNothingOnCancel) {
    Win32Runtime rt;
    WindowInFront other;
    dialogButton = IDCANCEL;
    SetTimer(nullptr, 0, 100, AnswerDialog);
    EXPECT_EQ(rt.ShowColor(), std::nullopt);
    dialogButton = IDOK;
    SetTimer(nullptr, 0, 100, AnswerDialog);
    EXPECT_EQ(rt.ShowColor(), std::optional<Color>(0));  // nothing picked: black
    EXPECT_EQ(GetForegroundWindow(), other.hwnd);
}

TEST(Win32Dialogs, AboutIsAMessageBoxTitledTorven) {
    Win32Runtime rt;
    Form1 form(rt);
    WindowInFront other;
    dialogButton = IDOK;
    dialogTexts.clear();
    SetTimer(nullptr, 0, 100, AnswerDialog);
    form.ver_Click();
    EXPECT_EQ(GetForegroundWindow(), other.hwnd);  // the clock does not keep the focus
    EXPECT_EQ(dialogTitle, L"TORVEN");
    EXPECT_NE(dialogTexts.find(L"TORVEN Ver1.1.0"), std::wstring::npos);
}

// The resource data of `type`/`id` in the module, as bytes.
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

    // The classic 32 x 32, 16-colour icon (colour bitmap and mask: height 64).
    auto group = Resource(exe, RT_GROUP_ICON, MAKEINTRESOURCEW(1));
    ASSERT_FALSE(group.empty());
    auto* directory = reinterpret_cast<PBYTE>(const_cast<char*>(group.data()));
    int id = LookupIconIdFromDirectoryEx(directory, TRUE, 32, 32, LR_DEFAULTCOLOR);
    auto icon = Resource(exe, RT_ICON, MAKEINTRESOURCEW(id));
    BITMAPINFOHEADER header{};
    ASSERT_GE(icon.size(), sizeof header);
    std::memcpy(&header, icon.data(), sizeof header);
    EXPECT_EQ(header.biWidth, 32);
    EXPECT_EQ(header.biHeight, 64);
    EXPECT_EQ(header.biBitCount, 4);
    EXPECT_EQ(*reinterpret_cast<const WORD*>(group.data() + 4), 4);  // 16, 32, 48, 256

    auto manifest = Resource(exe, RT_MANIFEST, MAKEINTRESOURCEW(1));
    EXPECT_NE(manifest.find("PerMonitorV2"), std::string_view::npos);
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string_view::npos);
    FreeLibrary(exe);

    std::vector<char> info(GetFileVersionInfoSizeW(path.c_str(), nullptr));
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(1, 1));  // 1.1
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);              // .0
}

// Each test starts with an empty TORVEN key and leaves none behind.
class Win32Settings : public ::testing::Test {
  protected:
    void SetUp() override { ClearSettings(); }
    void TearDown() override { ClearSettings(); }
    static void Store(const wchar_t* name, DWORD type, const void* data, DWORD bytes) {
        RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\TORVEN\\Startup", name, type, data, bytes);
    }
    // The value as stored, with its type; empty when it is not a REG_SZ.
    static std::wstring Stored(const wchar_t* name) {
        wchar_t text[64]{};
        DWORD bytes = sizeof text;
        LSTATUS rc = RegGetValueW(HKEY_CURRENT_USER, L"Software\\TORVEN\\Startup", name,
                                  RRF_RT_REG_SZ, nullptr, text, &bytes);
        return rc == ERROR_SUCCESS ? text : L"";
    }
    Win32Runtime rt;
};

// clang-format off
const std::array<std::pair<const char*, const char*>, 9> kNineSettings{{
    {"Top", "-120"}, {"Left", "30000"}, {"Size", "1605"}, {"Color1", "16777215"},
    {"Color2", "-16711680"}, {"Color3", "0"}, {"Anadigi", "True"}, {"Temae", "False"},
    {"Henka", "True"}}};
// clang-format on

TEST_F(Win32Settings, NineTextsRoundTripAsRegSzValues) {
    for (auto [key, text] : kNineSettings) {
        EXPECT_EQ(rt.GetSetting("TORVEN", "Startup", key, "missing"), "missing");
        EXPECT_TRUE(rt.SaveSetting("TORVEN", "Startup", key, text));
    }
    for (auto [key, text] : kNineSettings) {
        EXPECT_EQ(rt.GetSetting("TORVEN", "Startup", key, "missing"), text);
        EXPECT_EQ(Stored(win32::Widen(key).c_str()), win32::Widen(text));
    }
}

TEST_F(Win32Settings, ValuesOfAnotherTypeReadAsTheirDefault) {
    DWORD number = 255;
    Store(L"Color1", REG_DWORD, &number, sizeof number);
    Store(L"Size", REG_BINARY, "\x01\x02", 2);
    Store(L"Top", REG_EXPAND_SZ, L"%TEMP%", 14);
    EXPECT_EQ(rt.GetSetting("TORVEN", "Startup", "Color1", "16777215"), "16777215");
    EXPECT_EQ(rt.GetSetting("TORVEN", "Startup", "Size", "1600"), "1600");
    EXPECT_EQ(rt.GetSetting("TORVEN", "Startup", "Top", "120"), "120");
}

TEST_F(Win32Settings, ARefusedWriteIsReportedAsFailure) {
    std::string tooLong(300, 'k');  // registry key names stop at 255 characters
    EXPECT_FALSE(rt.SaveSetting("TORVEN", tooLong, "Top", "120"));
}

// Form1 on the real window, its clock turned by the test.
class ClockOnWindow : public Win32Settings {
  protected:
    void Load() {
        rt.Attach(form);
        form.Load();
    }
    void NextSecond() {
        if (++now.second == 60) now.second = 0, now.minute = (now.minute + 1) % 60;
    }
    HWND h() const { return Window(rt); }
    DateTime now{2026, 12, 6, 13, 20, 30};
    Win32Runtime rt{[this] { return now; }};
    Form1 form{rt};
};

TEST_F(ClockOnWindow, CorruptedSettingsStartWithThoseKeysDefaults) {
    Store(L"Size", REG_SZ, L"abc", 8);
    DWORD number = 255;
    Store(L"Color1", REG_DWORD, &number, sizeof number);
    Store(L"Left", REG_SZ, L"-500", 10);
    Load();
    EXPECT_EQ(rt.Width(), 1605);  // 1600 twips, as the window took it
    EXPECT_EQ(rt.Height(), 1605);
    EXPECT_EQ(form.Variables().bgColor, 16777215);
    EXPECT_EQ(rt.Left(), -495);  // the valid neighbour still applies
}

TEST_F(ClockOnWindow, TheWindowIsTheEllipseAroundTheClientArea) {
    Load();
    RECT client{};
    GetClientRect(h(), &client);
    ASSERT_EQ(client.right, 107);
    HRGN shape = CreateRectRgn(0, 0, 0, 0);
    ASSERT_EQ(GetWindowRgn(h(), shape), COMPLEXREGION);
    // The ellipse bounded by (1, 1) and (w + 1, h + 2): clear of the top and left edges.
    HRGN ellipse = CreateEllipticRgn(1, 1, 108, 109);
    HRGN difference = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(CombineRgn(difference, shape, ellipse, RGN_XOR), NULLREGION);
    DeleteObject(difference);
    DeleteObject(ellipse);
    DeleteObject(shape);
}

TEST(Win32Module1, ARegionTheWindowRefusedIsDeleted) {
    Module1::HRGN region = Module1::CreateEllipticRgnIndirect({1, 1, 50, 50});
    ASSERT_NE(region, 0);
    EXPECT_EQ(Module1::SetWindowRgn(0, region, true), 0);  // no such window
    EXPECT_EQ(GetObjectType(reinterpret_cast<HGDIOBJ>(region)), 0u);
}

TEST_F(ClockOnWindow, AlwaysInFrontSwitchesTheBandAndNothingElse) {
    Load();  // Temae defaults to on; start-up shows the window
    EXPECT_TRUE(IsWindowVisible(h()));
    EXPECT_NE(GetForegroundWindow(), h());
    RECT before = WindowRect(h());
    EXPECT_TRUE(GetWindowLongW(h(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    form.mnuTopmost_Click();
    EXPECT_FALSE(GetWindowLongW(h(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(SameRect(WindowRect(h()), before));
    form.mnuTopmost_Click();
    EXPECT_TRUE(GetWindowLongW(h(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(SameRect(WindowRect(h()), before));
    EXPECT_NE(GetForegroundWindow(), h());
}

TEST_F(ClockOnWindow, ClosingWritesTheNineSettingsAndEndsTheLoop) {
    Load();
    PostMessageW(h(), WM_CLOSE, 0, 0);
    EXPECT_EQ(rt.Run(), 0);
    EXPECT_FALSE(rt.Alive());
    // clang-format off
    const std::array<std::pair<const wchar_t*, const wchar_t*>, 9> expected{{
        {L"Top", L"120"}, {L"Left", L"120"}, {L"Size", L"1605"}, {L"Color1", L"16777215"},
        {L"Color2", L"16711680"}, {L"Color3", L"0"}, {L"Anadigi", L"True"},
        {L"Temae", L"True"}, {L"Henka", L"False"}}};
    // clang-format on
    for (auto [name, text] : expected)
        EXPECT_EQ(Stored(name), text) << name;
}

TEST_F(ClockOnWindow, LabelsArePaintedOverTheFace) {
    Load();
    UpdateWindow(h());
    HDC dc = GetDC(h());
    const Label& time = form.Label1();
    int x0 = static_cast<int>(time.Left / 15), y0 = static_cast<int>(time.Top / 15);
    int inked = 0;
    for (int y = y0; y < y0 + 13; ++y)
        for (int x = x0; x < x0 + 45; ++x)
            inked += GetPixel(dc, x, y) == 0;  // black text
    ReleaseDC(h(), dc);
    EXPECT_EQ(time.Caption, "13:20:30");
    EXPECT_GT(inked, 20);
}

TEST_F(ClockOnWindow, ThousandsOfTicksAndRedrawsKeepTheHandleCountsFlat) {
    Load();
    auto run = [&](int seconds) {
        for (int i = 0; i < seconds; ++i) {
            NextSecond();
            form.Timer();
            if (i % 2 == 0) form.Resize();
            if (i % 500 == 0) {
                SetTimer(nullptr, 0, 1, CloseMenu);
                rt.PopupMenu(form.Menu());
            }
            rt.DispatchPending();
        }
    };
    run(1);
    const int gdi = testing_support::GdiObjects(), user = testing_support::UserObjects();
    ASSERT_GT(gdi, 0);
    run(5000);
    EXPECT_EQ(testing_support::GdiObjects(), gdi);
    EXPECT_EQ(testing_support::UserObjects(), user);
}

}  // namespace
}  // namespace torven
