#!/usr/bin/env bash
# The MSI as a user meets it under Wine (DISPLAY and WINEPREFIX set): it upgrades an older one,
# the installed clock shows its window, and uninstalling keeps the settings. Usage:
# package_windows_test.sh dist/torven-<version>-win64.msi <version> torven.exe torven.ico
set -euo pipefail
msi=$1
version=$2
[ -f "$msi" ] || { echo "no $msi (bash scripts/package.sh makes it): skipped"; exit 77; }
[ -n "${DISPLAY:-}" ] && [ -n "${WINEPREFIX:-}" ] ||
    { echo "no display or Wine prefix: skipped"; exit 77; }
msi=$(realpath "$msi")
wxs=$(realpath "$(dirname "$0")/../packaging/windows/torven.wxs")
work=$(mktemp -d)
clock=
# Whatever happens, the Wine prefix is left without TORVEN for the next run.
trap '{ [ -z "$clock" ] || { kill "$clock"; wait "$clock"; }; wine msiexec /x "$msi" /qn
        wine msiexec /x "$work/old.msi" /qn; } >/dev/null 2>&1 || true
      rm -rf "$work"' EXIT
export WINEDEBUG=-all
fail() { echo "FAIL: $*" >&2; exit 1; }
unix_path() { winepath -u "$(wine cmd /c echo "%$1%" | tr -d '\r')"; }
# The version of each installed TORVEN in the uninstall entries (Wine keeps them in HKLM).
installed() {
    wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s | tr -d '\r' |
        awk '/^HKEY/ { if (n == "TORVEN") print v; n = v = "" }
             $1 == "DisplayName" { n = $3 } $1 == "DisplayVersion" { v = $3 }
             END { if (n == "TORVEN") print v }'
}

settings='HKCU\Software\TORVEN\Startup'
wine reg add "$settings" /v Size /d 2400 /f >/dev/null
cp "$3" "$4" "$work"
(cd "$work" && wixl -a x64 -D Version=1.0.0 -o old.msi "$wxs")
wine msiexec /i "$work/old.msi" /qn || fail "msiexec /i old.msi"
[ "$(installed)" = 1.0.0 ] || fail "installed before the upgrade: $(installed)"
wine msiexec /i "$msi" /qn || fail "msiexec /i $msi"
[ "$(installed)" = "$version" ] || fail "installed after the upgrade: $(installed)"

exe="$(unix_path LOCALAPPDATA)/Programs/TORVEN/torven.exe"
shortcut="$(unix_path APPDATA)/Microsoft/Windows/Start Menu/Programs/TORVEN.lnk"
[ -f "$exe" ] && [ -f "$shortcut" ] || fail "no $exe or no $shortcut"
wine "$exe" &
clock=$!
timeout 20 bash -c "until xdotool search --all --pid $clock --name '^TORVEN$'; do sleep 0.2; done" \
    &>/dev/null ||
    fail "the installed torven.exe showed no window"
kill "$clock"
wait "$clock" || true

wine msiexec /x "$msi" /qn || fail "msiexec /x"
[ ! -e "$exe" ] && [ ! -e "$(dirname "$exe")" ] && [ ! -e "$shortcut" ] || fail "files left"
[ -z "$(installed)" ] || fail "an uninstall entry is left"
wine reg query "$settings" /v Size | grep -q 2400 || fail "the settings went with the program"
echo "installer: passed"
