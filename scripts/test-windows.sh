#!/usr/bin/env bash
# Cross-builds the Windows clock with mingw-w64 into build/win32 and runs every test
# of that build (the core's unit tests, the Windows host's tests and the end-to-end
# run of torven.exe) under Wine, on a private Xvfb display with openbox.
# Usage: scripts/test-windows.sh [--bench] [extra ctest arguments]
# --bench also measures the Windows host (redraw, tick, memory, GUI objects, how late
# each second is painted) and torven.exe's CPU time (TORVEN_BENCH_EXE: another exe).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TORVEN_WIN32_BUILD:-$root/build/win32}
bench=0
if [ "${1:-}" = --bench ]; then
    bench=1
    shift
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake"
cmake --build "$build" -j2

# Wine and the display are this script's own, and go when it ends.
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
display=
for n in $(seq 90 250); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
        display=$n
        break
    fi
done
[ -n "$display" ] || { echo "no free X display number" >&2; exit 1; }
export DISPLAY=":$display"

pids=()
cleanup() {
    wineserver -k 2>/dev/null || true
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap cleanup EXIT

Xvfb "$DISPLAY" -screen 0 1280x800x24 -nolisten tcp >"$build/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >"$build/openbox.log" 2>&1 &
pids+=($!)

wineboot -i >"$build/wineboot.log" 2>&1
# Wine's stand-in fonts have no Japanese; the menu's captions need IPAGothic.
for font in Tahoma "MS Shell Dlg" "MS Shell Dlg 2" "MS UI Gothic"; do
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$font" /d IPAGothic /f >/dev/null
done

ctest --test-dir "$build" --output-on-failure "$@"
# The DPI-dependent test again on a 144-DPI screen: Wine reads LogPixels when it starts.
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null
wineserver -k
TORVEN_EXPECT_DPI=144 wine "$build/tests/win32/torven_win32_tests.exe" --gtest_filter='Win32Dpi.*'
wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null
wineserver -k
if [ "$bench" = 1 ]; then
    wine "$build/bench/torven_win32_bench.exe"
    bash "$root/bench/win32/exe_cpu.sh" "${TORVEN_BENCH_EXE:-$build/platform/win32/torven.exe}"
fi
