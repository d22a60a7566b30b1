#!/usr/bin/env bash
# The DPI-dependent tests of the Windows host again, on a 144-DPI screen (Wine's
# LogPixels). Needs WINEPREFIX; scripts/test-windows.sh sets it.
# Usage: high_dpi.sh path/to/torven_win32_tests.exe
set -euo pipefail
[ -n "${WINEPREFIX:-}" ] || {
    echo "no Wine prefix: skipped"
    exit 77
}
desktop='HKCU\Control Panel\Desktop'
restore() {
    wine reg delete "$desktop" /v LogPixels /f >/dev/null 2>&1 || true
    wineserver -k 2>/dev/null || true
}
trap restore EXIT
wine reg add "$desktop" /v LogPixels /t REG_DWORD /d 144 /f >/dev/null
wineserver -k 2>/dev/null || true  # the DPI is read when Wine starts
TORVEN_EXPECT_DPI=144 wine "$1" --gtest_filter='Win32Dpi.*'
