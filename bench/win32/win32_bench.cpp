// What the clock costs on the Windows host: a full redraw, a tick with a new second,
// memory and GUI objects. Prints one line per measure; run it under Wine or Windows.
// Before <windows.h>, whose macros take some of its names.
#include "form1.h"
// clang-format off
#include "win32_internal.h"
#include <psapi.h>  // needs <windows.h> first
// clang-format on

#include <chrono>
#include <cstdio>

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

}  // namespace

int main() {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\TORVEN");  // the default size
    TimedRuntime rt;
    DateTime& now = rt.now;
    torven::Form1 form(rt);
    rt.Attach(form);
    form.Load();
    DispatchPending();

    double redraw = MeanMicroseconds(500, [&] { form.Resize(); });
    double tick = MeanMicroseconds(3000, [&] {
        now.second = (now.second + 1) % 60;
        if (now.second == 0) now.minute = (now.minute + 1) % 60;
        form.Timer();
    });
    PROCESS_MEMORY_COUNTERS memory{};
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);

    std::printf("full redraw (1605 twips, 107 px) + paint: %.1f us\n", redraw);
    std::printf("tick with a new second + paint: %.1f us\n", tick);
    std::printf("working set: %.1f MiB (peak %.1f MiB)\n", memory.WorkingSetSize / 1048576.0,
                memory.PeakWorkingSetSize / 1048576.0);
    std::printf("GDI objects: %d, USER objects: %d\n", torven::bench::GdiObjects(),
                torven::bench::UserObjects());
    return 0;
}
