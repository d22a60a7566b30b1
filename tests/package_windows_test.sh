#!/usr/bin/env bash
# The MSI as a user meets it under Wine (DISPLAY and WINEPREFIX set): the installed clock,
# its licence beside it, shows its window; uninstalling removes it and keeps the settings.
# Usage: package_windows_test.sh dist/torven-<version>-win64.msi
set -euo pipefail
msi=$1
[ -f "$msi" ] || { echo "no $msi (bash scripts/package.sh makes it): skipped"; exit 77; }
[ -n "${DISPLAY:-}" ] && [ -n "${WINEPREFIX:-}" ] ||
    { echo "no display or Wine prefix: skipped"; exit 77; }
msi=$(realpath "$msi")
clock=
# Whatever happens, the Wine prefix is left without TORVEN for the next run.
trap '{ [ -z "$clock" ] || { kill "$clock"; wait "$clock"; }; wine msiexec /x "$msi" /qn; } \
      >/dev/null 2>&1 || true' EXIT
export WINEDEBUG=-all
fail() { echo "FAIL: $*" >&2; exit 1; }
unix_path() { winepath -u "$(wine cmd /c echo "%$1%" | tr -d '\r')"; }

settings='HKCU\Software\TORVEN\Startup'
wine reg add "$settings" /v Size /d 2400 /f >/dev/null
wine msiexec /i "$msi" /qn || fail "msiexec /i $msi"
exe="$(unix_path LOCALAPPDATA)/Programs/TORVEN/torven.exe"
shortcut="$(unix_path APPDATA)/Microsoft/Windows/Start Menu/Programs/TORVEN.lnk"
[ -f "$exe" ] && [ -f "$shortcut" ] || fail "no $exe or no $shortcut"
grep -q '^MIT License' "$(dirname "$exe")/LICENSE.txt" || fail "no licence beside $exe"
wine "$exe" &
clock=$!
timeout 20 bash -c "until xdotool search --all --pid $clock --name '^TORVEN$'; do sleep 0.2; done" \
    &>/dev/null || fail "the installed torven.exe showed no window"
kill "$clock"
wait "$clock" || true

wine msiexec /x "$msi" /qn || fail "msiexec /x"
[ ! -e "$exe" ] && [ ! -e "$(dirname "$exe")" ] && [ ! -e "$shortcut" ] || fail "files left"
wine reg query "$settings" /v Size | grep -q 2400 || fail "the settings went with the program"
echo "installer: passed"
