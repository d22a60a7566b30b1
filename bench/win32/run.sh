#!/usr/bin/env bash
# What the Windows clock costs under Wine: the host's redraw, tick, memory, GUI objects
# and how late each second is painted, then torven.exe's CPU time alone for a minute
# (TORVEN_BENCH_EXE: another exe). Builds into build/win32 as scripts/test-windows.sh does.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${TORVEN_WIN32_BUILD:-$root/build/win32}
source "$root/scripts/wine_desktop.sh"
build_for_windows "$build" --target torven torven_win32_bench
trap end_wine_desktop EXIT
start_wine_desktop "$build"
wine "$build/bench/torven_win32_bench.exe"
bash "$root/bench/win32/exe_cpu.sh" "${TORVEN_BENCH_EXE:-$build/platform/win32/torven.exe}"
