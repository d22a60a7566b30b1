#!/usr/bin/env bash
# Cross-builds the Windows clock into build/win32 and runs its tests under Wine on a private
# Xvfb with openbox. Usage: scripts/test-windows.sh [extra ctest arguments]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TORVEN_WIN32_BUILD:-$root/build/win32}
source "$root/scripts/wine_desktop.sh"
build_for_windows "$build"
trap end_wine_desktop EXIT
start_wine_desktop "$build"
ctest --test-dir "$build" --output-on-failure "$@"
# The DPI-dependent test again on a 144-DPI screen: Wine reads LogPixels when it starts.
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null
wineserver -k && start_wine_server
# The prefix goes back to 96 DPI whatever the run gives, or every later run would fail.
status=0
TORVEN_EXPECT_DPI=144 wine "$build/tests/win32/torven_win32_tests.exe" --gtest_filter='Win32Dpi.*' ||
    status=$?
wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null
exit $status
