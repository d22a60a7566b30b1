// What the clock costs on the Windows host: a full redraw, a tick with a new second,
// memory and GUI objects, and how late each new second reaches the window. Prints one
// line per measure; run it under Wine or Windows.
// Before <windows.h>, whose macros take some of its names.
#include "form1.h"
// clang-format off
#include "win32_internal.h"
#include <psapi.h>  // needs <windows.h> first
// clang-format on

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "gui_objects.h"
#include "win32_runtime.h"

namespace {

using torven::DateTime;

// The clock at a time the benchmark turns.
struct TimedRuntime : torven::Win32Runtime {
    DateTime now{2026, 12, 6, 13, 20, 30};
    DateTime Now() override { return now; }
};

void DispatchPending() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
}

// Mean microseconds per run of `step`, with every queued paint handled each time.
template <typename Step>
double MeanMicroseconds(int runs, Step step) {
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < runs; ++i) {
        step();
        DispatchPending();
    }
    std::chrono::duration<double, std::micro> spent = std::chrono::steady_clock::now() - start;
    return spent.count() / runs;
}

// Milliseconds since 1601 on the clock the runtime's timer is armed on.
double PreciseMilliseconds() {
    FILETIME now{};
    GetSystemTimePreciseAsFileTime(&now);
    return (static_cast<ULONGLONG>(now.dwHighDateTime) << 32 | now.dwLowDateTime) / 1e4;
}

// The clock on the real time for `seconds`: for each whole second, how many ms after
// its start the window's first paint in it ended.
WNDPROC clockProcedure = nullptr;
std::vector<double> paintsLate;
double lastPaintSecond = 0;
LRESULT CALLBACK TimedPaint(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = CallWindowProcW(clockProcedure, hwnd, message, wParam, lParam);
    if (message == WM_PAINT) {
        const double now = PreciseMilliseconds(), second = std::floor(now / 1000);
        if (second != lastPaintSecond) paintsLate.push_back(now - second * 1000);
        lastPaintSecond = second;
    }
    return result;
}
std::vector<double> PaintsLate(int seconds) {
    torven::Win32Runtime rt;
    torven::Form1 form(rt);
    rt.Attach(form);
    form.Load();
    const auto hwnd = reinterpret_cast<HWND>(rt.hWnd());
    clockProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TimedPaint)));
    SetTimer(nullptr, 0, static_cast<UINT>(seconds * 1000),
             [](HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(0); });
    rt.Run();
    std::vector<double> late(paintsLate.begin() + std::min<size_t>(paintsLate.size(), 2),
                             paintsLate.end());  // start-up's paints
    std::sort(late.begin(), late.end());
    return late;
}

// A full redraw and a tick as the window raises it (a clock set ticks at once), each
// with its paint, at a time the benchmark turns; memory and GUI objects after them; a
// full redraw at the largest size.
void DrawingCosts() {
    TimedRuntime rt;
    DateTime& now = rt.now;
    torven::Form1 form(rt);
    rt.Attach(form);
    form.Load();
    DispatchPending();
    const auto hwnd = reinterpret_cast<HWND>(rt.hWnd());

    double redraw = MeanMicroseconds(500, [&] { form.Resize(); });
    double tick = MeanMicroseconds(3000, [&] {
        now.second = (now.second + 1) % 60;
        if (now.second == 0) now.minute = (now.minute + 1) % 60;
        SendMessageW(hwnd, WM_TIMECHANGE, 0, 0);
    });
    PROCESS_MEMORY_COUNTERS memory{};
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);

    std::printf("full redraw (1605 twips, 107 px) + paint: %.1f us\n", redraw);
    std::printf("tick with a new second + paint: %.1f us\n", tick);
    std::printf("working set: %.1f MiB (peak %.1f MiB)\n", memory.WorkingSetSize / 1048576.0,
                memory.PeakWorkingSetSize / 1048576.0);
    std::printf("GDI objects: %d, USER objects: %d\n", torven::bench::GdiObjects(),
                torven::bench::UserObjects());
    rt.SetWidth(80000), rt.SetHeight(80000);  // the menu's largest size, capped by the window
    const double largest = MeanMicroseconds(5, [&] { form.Resize(); });
    std::printf("full redraw at the largest size (%.0f twips) + paint: %.1f ms\n", rt.Width(),
                largest / 1000);
}

}  // namespace

int main() {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\TORVEN");  // the default size
    DrawingCosts();
    std::fflush(stdout);

    const std::vector<double> late = PaintsLate(20);
    if (!late.empty())
        std::printf(
            "new second painted, ms after the second, %zu seconds: median %.1f, worst %.1f\n",
            late.size(), late[late.size() / 2], late.back());
    std::fflush(stdout);

    return 0;
}
